#pragma once
// c_runningPlant: a small plant for a TM32 that runs in the test's (or the
// benchmark's) process. It writes the installation into a temporary TM_HOME (the
// sample's shared parameter file, a system file with loopback ports reserved for it, a
// topology and the default transport specifications), reads the topology through
// the running node factory and starts and stops the TM through its node.
//
// The plant: TM32 at 127.0.0.1 with logical segments in a row, two by default
// (E3201 and L3202, then M3203, S3204, ...), each with the same number of
// transport controllers. Controller n (TC3201, TC3202, ... over all segments) is
// at 127.0.0.(10 + n) and drives one technical segment "<LS>_01nn" with an entry
// "<LS>_01nn-P0001" and an exit "<LS>_01nn-P0002". The exits of each segment lead
// into the next one, those of the last to TM33, so TM32 has a successor and a
// TCTM01 is answered with TMTC01. The default transport specifications send each
// segment's items to the next segment, the last one's to TM33.
//
// The configuration is the caller's to start (CTM_config::m_init("TM32")) once
// the files are written; the world is destroyed with the plant, after the TM is
// stopped. Later interfaces add their own system-file lines (systemLines).
//
// Threads: the plant belongs to the thread that starts and stops the TM.

#include <memory>
#include <string>
#include <utility>
#include <vector>

class c_tempHome;
class CTM_message;
class CTM_runningTm;
class CTM_world;

class c_runningPlant {
 public:
  static constexpr const char* tmId = "TM32";
  static constexpr const char* tmAddress = "127.0.0.1";
  // The TC listener accepting, the segments' collections and TC links; the rest untouched.
  static constexpr const char* tcOnly = "NNNNNYN";

  struct c_controller {
    std::string id;       // "TC3201"
    std::string address;  // "127.0.0.11"
    std::string segment;  // "E3201"
    std::string entry;    // "E3201_0101-P0001"
    std::string exit;     // "E3201_0101-P0002"
  };

  c_runningPlant(const c_tempHome& home, int controllersPerSegment, int segmentCount = 2);
  ~c_runningPlant();
  c_runningPlant(const c_runningPlant&) = delete;
  c_runningPlant& operator=(const c_runningPlant&) = delete;

  // Both parameter files, the topology and the default transport specifications.
  void m_writeInstallation() const;
  // TM31 at upstreamAddress feeds the first entry of the first segment (the
  // logical connection upstreamConnection); the topology written gains it.
  static constexpr const char* upstreamAddress = "127.0.0.31";
  static constexpr const char* upstreamConnection = "K31013201";
  void m_addUpstreamTm() const;
  // Reads the topology into a new world; false when it cannot be read.
  bool m_read();
  bool m_start(const std::string& mask = tcOnly, bool flag = true);
  void m_stop();
  // Stops the TM and lets the world go, with what its nodes hold open; the
  // reserved ports stay the plant's until it goes.
  void m_closeWorld();

  CTM_world& m_world() const { return *world_; }
  CTM_runningTm* m_tm() const { return tm_; }
  int m_tcPort() const { return tcPort_; }
  int m_tmPort() const { return tmPort_; }
  // Where the system file puts the computers the TM connects to: all on
  // 127.0.0.1, each on a port of its own ("OC__Port1", "OC__Port2", "IM__Port1",
  // "IM__Port2", "LPCS__Port"), where a test's fake computer may listen.
  int m_clientPort(const std::string& key) const;
  const std::vector<std::string>& m_segments() const { return segments_; }
  // Where the segment's items go: "<LS><next>", with the next segment's number,
  // "3301" (TM33's) after the last one.
  std::string m_destinationOf(std::size_t segment) const;
  const std::vector<c_controller>& m_controllers() const { return controllers_; }
  const c_controller& m_controller(std::size_t i) const { return controllers_.at(i); }

  // Lines added to TM32's system file (parameter lines, see c_parameterLine).
  std::vector<std::string> systemLines;

  // A port on the loopback address that stays this plant's until it goes: held
  // by a bound socket that does not listen, which a listener of the TM (or of a
  // TM process) may share, while no other socket on the machine takes the port,
  // not even as the ephemeral port of a connection. A port merely found free
  // could be taken by a test program running beside this one before the TM
  // listens on it. 0 when none can be had.
  int m_reservePort();
  // TM32's default transport specifications: for each (segment, destination) one
  // that sends every item of the segment there, all day long. The handler test
  // plants write theirs with it too.
  static void m_writeDefaultTransSpecs(const c_tempHome& home,
                                       const std::vector<std::pair<std::string, std::string>>& routes);
  // The telegram with its sequence number and sub id ("32": as a controller of TM32
  // sends it, or as the TM answers it).
  static std::string m_wire(CTM_message&& telegram, int sequence, const char* subId = "32");

 private:
  std::string m_topology() const;

  const c_tempHome& home_;
  std::vector<std::string> segments_;
  std::vector<c_controller> controllers_;
  std::vector<int> reservations_;  // the sockets holding the plant's ports
  int tcPort_;
  int tmPort_;
  std::vector<std::pair<std::string, int>> clientPorts_;
  std::unique_ptr<CTM_world> world_;
  CTM_runningTm* tm_ = nullptr;
};
