#include "tests/support/ctm_runningplant.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "telegrams/ctm_message.h"
#include "tests/support/c_temphome.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"

namespace {

std::string twoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// A default specification: the segment's items go to the destination, all day long.
std::string transSpecLine(const std::string& segment, const std::string& destination) {
  std::vector<std::string> columns(46);
  columns[0] = "Default";
  columns[2] = segment;
  columns[3] = segment + "DEF01";
  columns[4] = "50";
  columns[5] = "1";
  columns[44] = destination;
  columns[45] = "2024010100000020371231235959";
  std::string line;
  for (std::size_t i = 0; i < columns.size(); ++i) line += (i ? "\t" : "") + columns[i];
  return line + "\r\n";
}

}  // namespace

c_runningPlant::c_runningPlant(const c_tempHome& home, int controllersPerSegment, int segmentCount)
    : home_(home), tcPort_(m_reservePort()), tmPort_(m_reservePort()) {
  // Reserved too, so that no link of this TM reaches a listener of another test program.
  for (const char* key : {"OC__Port1", "OC__Port2", "IM__Port1", "IM__Port2", "LPCS__Port"})
    clientPorts_.emplace_back(key, m_reservePort());
  static constexpr char letters[] = "ELMSXTRKPQ";
  for (int s = 1; s <= segmentCount; ++s)
    segments_.push_back(letters[(s - 1) % (sizeof letters - 1)] + ("32" + twoDigits(s)));
  int number = 0;
  for (const std::string& segment : segments_) {
    for (int i = 0; i < controllersPerSegment; ++i) {
      ++number;
      const std::string technical = segment + "_01" + twoDigits(number);
      controllers_.push_back({"TC32" + twoDigits(number), "127.0.0." + std::to_string(10 + number), segment,
                              technical + "-P0001", technical + "-P0002"});
    }
  }
}

c_runningPlant::~c_runningPlant() {
  m_closeWorld();
  for (int reservation : reservations_) ::close(reservation);
}

void c_runningPlant::m_closeWorld() {
  m_stop();
  world_.reset();
  tm_ = nullptr;
}

int c_runningPlant::m_clientPort(const std::string& key) const {
  for (const auto& [name, port] : clientPorts_)
    if (name == key) return port;
  return 0;
}

std::string c_runningPlant::m_wire(CTM_message&& telegram, int sequence, const char* subId) {
  telegram.m_setSeqNo(sequence);
  telegram.m_setSubId(subId);
  std::string text;
  telegram.m_serialize(text);
  return text;
}

int c_runningPlant::m_reservePort() {
  const int reservation = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (reservation < 0) return 0;
  const int on = 1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof local;
  if (::setsockopt(reservation, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(reservation, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::getsockname(reservation, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    ::close(reservation);
    return 0;
  }
  reservations_.push_back(reservation);
  return ntohs(local.sin_port);
}

void c_runningPlant::m_writeInstallation() const {
  // The sample's shared file: its intervals, log levels and telegram switches.
  std::ifstream sample(std::string(TM_SOURCE_DIR) + "/examples/plant/" + c_tempHome::configFileName, std::ios::binary);
  home_.m_writeFile(c_tempHome::configFileName,
                    std::string(std::istreambuf_iterator<char>(sample), std::istreambuf_iterator<char>()));

  std::vector<std::string> lines = {
      c_parameterLine("P", "TM__Port", "1", "I", std::to_string(tmPort_)),
      c_parameterLine("P", "TC__Port", "2", "I", std::to_string(tcPort_)),
      c_parameterLine("S", "InterfaceTC32_Status", "300", "B", "1"),
  };
  for (const auto& [key, port] : clientPorts_) {
    // "OC__Port1" goes with "OC__Hostname1", "LPCS__Port" with "LPCS__Hostname".
    std::string host = key;
    host.replace(host.find("Port"), 4, "Hostname");
    lines.push_back(c_parameterLine("P", host, "", "S", "127.0.0.1"));
    lines.push_back(c_parameterLine("P", key, "", "I", std::to_string(port)));
  }
  int index = 20;
  for (const std::string& segment : segments_) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"__ReqScreeningLevel", "1"},
                                     {"__BusyThreshold", "30"},
                                     {"__QuietThreshold", "10"}})
      lines.push_back(c_parameterLine("P", segment + key, std::to_string(index++), "I", value));
  }
  // The sample's exception handling.
  for (const auto& [key, status] :
       {std::pair<const char*, const char*>{"HdlInsufficientInformation", "SPECIAL_HANDLING"},
        {"HdlUnavailableSystemOutput", "SPECIAL_HANDLING"},
        {"HdlUnavailableBuffer", "SPECIAL_HANDLING"},
        {"HdlUnknownDestination", "GARB"},
        {"HdlUnexpectedBaggage", "UFO"},
        {"HdlMissingBaggage", "MISSING"},
        {"HdlUnknownBaggage", "UNK"}})
    lines.push_back(c_parameterLine("P", key, std::to_string(index++), "S", status));
  lines.insert(lines.end(), systemLines.begin(), systemLines.end());
  home_.m_writeSystem(tmId, lines);

  home_.m_writeFile("run/cfg/topology.xml", m_topology());
  std::vector<std::pair<std::string, std::string>> routes;
  for (std::size_t s = 0; s < segments_.size(); ++s) routes.emplace_back(segments_[s], m_destinationOf(s));
  m_writeDefaultTransSpecs(home_, routes);
}

void c_runningPlant::m_writeDefaultTransSpecs(const c_tempHome& home,
                                              const std::vector<std::pair<std::string, std::string>>& routes) {
  std::string transSpecs = "TM32 default transport specifications\r\nName\tComment\tLS_ID\tTransportSpecID\r\n";
  for (const auto& [segment, destination] : routes) transSpecs += transSpecLine(segment, destination);
  home.m_writeFile("run/cfg/tm_default_transspec.txt", transSpecs);
}

void c_runningPlant::m_addUpstreamTm() const {
  std::string xml = home_.m_readFile("run/cfg/topology.xml").value_or("");
  xml.insert(xml.rfind("</topology>"),
             "  <transportManager id=\"TM31\">\n    <address>" + std::string(upstreamAddress) + "</address>\n"
             "    <logicalSegment id=\"K3101\">\n      <transportController id=\"TC3101\">\n"
             "        <address>127.0.0.41</address>\n        <ts id=\"K3101_0100\"><tp id=\"K3101_0100-P0001\">"
             "<edge target=\"" + controllers_[0].entry + "\" weight=\"5\"/></tp></ts>\n"
             "      </transportController>\n    </logicalSegment>\n  </transportManager>\n");
  home_.m_writeFile("run/cfg/topology.xml", xml);
}

std::string c_runningPlant::m_destinationOf(std::size_t segment) const {
  return segments_.at(segment) + (segment + 1 < segments_.size() ? segments_[segment + 1].substr(1) : "3301");
}

std::string c_runningPlant::m_topology() const {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<topology>\n";
  xml += "  <transportManager id=\"TM32\">\n    <address>" + std::string(tmAddress) + "</address>\n";
  const std::size_t perSegment = controllers_.size() / segments_.size();
  for (std::size_t s = 0; s < segments_.size(); ++s) {
    xml += "    <logicalSegment id=\"" + segments_[s] + "\">\n";
    for (std::size_t i = s * perSegment; i < (s + 1) * perSegment; ++i) {
      const c_controller& controller = controllers_[i];
      // A segment's exits feed the next segment's controller of the same rank; the last one's leave for TM33.
      const std::string next = s + 1 < segments_.size() ? controllers_[i + perSegment].entry : "Z3301_0100-P0001";
      xml += "      <transportController id=\"" + controller.id + "\">\n        <address>" + controller.address +
             "</address>\n        <ts id=\"" + controller.entry.substr(0, 10) + "\">\n" + "          <tp id=\"" +
             controller.entry + "\"><edge target=\"" + controller.exit + "\" weight=\"5\"/></tp>\n" +
             "          <tp id=\"" + controller.exit + "\"><edge target=\"" + next + "\" weight=\"8\"/></tp>\n" +
             "        </ts>\n      </transportController>\n";
    }
    xml += "    </logicalSegment>\n";
  }
  xml += "  </transportManager>\n";
  xml +=
      "  <transportManager id=\"TM33\">\n    <address>127.0.0.250</address>\n"
      "    <logicalSegment id=\"Z3301\">\n      <transportController id=\"TC3301\">\n"
      "        <address>127.0.0.251</address>\n        <ts id=\"Z3301_0100\"><tp id=\"Z3301_0100-P0001\"/></ts>\n"
      "      </transportController>\n    </logicalSegment>\n  </transportManager>\n</topology>\n";
  return xml;
}

bool c_runningPlant::m_read() {
  m_stop();
  world_ = std::make_unique<CTM_world>();
  tm_ = nullptr;
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init() || !world_->m_populate(populator)) return false;
  tm_ = dynamic_cast<CTM_runningTm*>(world_->m_findNode(tmId));
  return tm_ != nullptr;
}

bool c_runningPlant::m_start(const std::string& mask, bool flag) { return tm_ != nullptr && tm_->m_init(mask, flag); }

void c_runningPlant::m_stop() {
  if (tm_ != nullptr) tm_->m_stop();
}
