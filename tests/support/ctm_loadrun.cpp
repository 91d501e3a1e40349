#include "tests/support/ctm_loadrun.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "core/ctm_config.h"
#include "links/ctm_lh.h"
#include "platform/c_clock.h"
#include "platform/c_eventlog.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_registry.h"
#include "platform/c_socket.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_om_message.h"
#include "telegrams/ctm_sc_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/c_temphome.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_default_transspec.h"
#include "tracking/ctm_transspec.h"

namespace {

constexpr std::int64_t answerTimeoutMs = 5000;
// The TC listener asks the name service for each controller's name, which may
// take a resolver's retry.
constexpr std::int64_t linkUpTimeoutMs = 15000;
// Each controller keeps at most this many answer times, a uniform sample of all
// of them, so that a long run does not grow the process it measures.
constexpr std::size_t samplesPerController = 1 << 16;
const std::string blankId(11, ' ');
// IM, OC, LPCS, the downstream TM and the controllers; no upstream TM, no MC.
constexpr const char* loadMask = "YYYYNYN";
// And the TM listener, for the upstream TM of the bags in flight.
constexpr const char* withUpstreamMask = "YYYYYYN";

std::uint32_t addressOf(const std::string& dotted) {
  std::uint32_t address = 0;
  c_parseDottedAddress(dotted, address);
  return address;
}

std::int64_t residentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6);
  return 0;
}

// One telegram as the TM writes it: a header of 13 bytes (length at 8-10) or of
// 15 ("TCTM", length at 10-12), the data part, a line feed unless unterminated.
c_socketResult receiveTelegram(c_socket& socket, bool terminated, std::int64_t deadline, c_waitable* stop,
                               std::string& text) {
  c_socketFailure failure;
  std::size_t count = 0;
  text.resize(13);
  c_socketResult result = socket.m_receiveExact(text.data(), 13, deadline, stop, count, failure);
  if (result != c_socketResult::done) return result;
  std::size_t lengthAt = 8;
  if (text[2] < '0' || text[2] > '9') {
    lengthAt = 10;
    text.resize(15);
    result = socket.m_receiveExact(text.data() + 13, 2, deadline, stop, count, failure);
    if (result != c_socketResult::done) return result;
  }
  const std::size_t headerLength = text.size();
  const std::size_t length =
      static_cast<std::size_t>(std::atoi(text.substr(lengthAt, 3).c_str())) + (terminated ? 1 : 0);
  text.resize(headerLength + length);
  return length == 0 ? c_socketResult::done
                     : socket.m_receiveExact(text.data() + headerLength, length, deadline, stop, count, failure);
}

bool sendText(c_socket& socket, const std::string& text, c_waitable* stop) {
  c_socketFailure failure;
  std::size_t count = 0;
  return socket.m_sendAll(text, c_clock::m_monotonicMilliseconds() + answerTimeoutMs, stop, count, failure) ==
         c_socketResult::done;
}

}  // namespace

// A computer the TM connects to: it takes each link the TM opens, reads every
// telegram and answers the keep-alive. One thread; the counters are read once it
// has been joined.
class c_loadRun::c_computer {
 public:
  c_computer(std::string name, std::string address, std::string tmPrefix, std::string answer, bool terminated)
      : name_(std::move(name)), address_(std::move(address)), tmPrefix_(std::move(tmPrefix)),
        answer_(std::move(answer)), terminated_(terminated) {
    if (!terminated_) answer_.pop_back();
  }
  // Telegrams sent once the first keep-alive is answered; the computer is up
  // when a telegram with that beginning arrives after them.
  void m_open(std::vector<std::string> telegrams, std::string lastAnswer) {
    opening_ = std::move(telegrams);
    lastAnswer_ = std::move(lastAnswer);
  }
  ~c_computer() { m_join(); }

  bool m_listen(int port) {
    c_socketFailure failure;
    return c_socket::m_listen(addressOf(address_), port, 4, listener_, failure);
  }
  int m_port() const { return listener_.m_localPort(); }
  void m_start(c_waitable* stop) { thread_ = std::thread([this, stop] { m_serve(stop); }); }
  void m_join() {
    if (thread_.joinable()) thread_.join();
  }
  bool m_isUp() const { return up_.load(); }

  const std::string& m_name() const { return name_; }
  // What the TM sends here begins with this ("MO"); what it gets back with the answer's.
  const std::string& m_tmPrefix() const { return tmPrefix_; }
  std::string m_answerPrefix() const { return answer_.substr(0, tmPrefix_.size()); }
  std::uint64_t m_received() const { return received_; }
  std::uint64_t m_sent() const { return sent_; }
  int m_links() const { return links_; }

 private:
  void m_serve(c_waitable* stop) {
    c_socketFailure failure;
    while (listener_.m_waitReadable(-1, stop, failure) == c_socketResult::done) {
      c_socket link;
      std::uint32_t peer = 0;
      if (listener_.m_accept(link, peer, failure) != c_socketResult::done) continue;
      ++links_;
      // Until the TM closes the link: everything it sent before is read.
      std::string text;
      while (receiveTelegram(link, terminated_, -1, stop, text) == c_socketResult::done) {
        ++received_;
        if (text.compare(0, tmPrefix_.size() + 2, tmPrefix_ + "00") == 0) {
          if (!sendText(link, answer_, stop)) break;
          ++sent_;
          if (sent_ == 1) {
            for (const std::string& telegram : opening_) sent_ += sendText(link, telegram, stop) ? 1 : 0;
            if (lastAnswer_.empty()) up_ = true;
          }
        } else if (!lastAnswer_.empty() && text.rfind(lastAnswer_, 0) == 0) {
          up_ = true;
        }
      }
      link.m_close(failure);
    }
    listener_.m_close(failure);
  }

  const std::string name_;
  const std::string address_;
  const std::string tmPrefix_;
  std::string answer_;
  const bool terminated_;
  c_socket listener_;
  std::thread thread_;
  std::vector<std::string> opening_;
  std::string lastAnswer_;
  std::atomic<bool> up_{false};
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
  int links_ = 0;
};

// A transport controller reporting bags back to back. One thread; its counters
// are read once it has been joined.
class c_loadRun::c_controller {
 public:
  // What a bag's trace holds once the TM has taken its four reports. The
  // answers to TCTM01 and TCTM04 show that the TM took the first two; the answer
  // to the next bag's TCTM01 that it took all four.
  static constexpr const char* life[] = {"ENTER", "TRACE", "SCN", "EXIT"};
  static constexpr int lived = 4;

  c_controller(c_loadRun& run, const c_runningPlant::c_controller& plan, int number)
      : run_(run), plan_(plan), number_(number), samples_(samplesPerController) {}
  ~c_controller() { m_join(); }

  // Connects and exchanges the keep-alive; the status request that follows a
  // second later is taken in the load.
  bool m_bringUp(int port, std::string& failure) {
    c_socketFailure socketFailure;
    std::string answer;
    if (c_socket::m_connect(addressOf(plan_.address), addressOf(c_runningPlant::tmAddress), port, 0,
                            answerTimeoutMs, nullptr, socket_, socketFailure) != c_socketResult::done ||
        !m_send(c_runningPlant::m_wire(CTM_tctm00_message(), 0)) || !m_receive(answer, linkUpTimeoutMs) ||
        answer.compare(0, 6, "TMTC00") != 0) {
      failure = plan_.id + ": its link did not come up";
      return false;
    }
    return true;
  }
  void m_start() { thread_ = std::thread([this] { m_run(); }); }
  void m_join() {
    if (thread_.joinable()) thread_.join();
  }

  const c_runningPlant::c_controller& m_plan() const { return plan_; }
  const std::string& m_failure() const { return failure_; }
  std::uint64_t m_telegramsUnderLoad() const { return telegramsUnderLoad_; }
  std::uint64_t m_telegramsSent() const { return telegramsSent_; }
  std::uint64_t m_telegramsReceived() const { return telegramsReceived_; }
  std::uint64_t m_unconfirmed() const { return unconfirmed_; }
  std::uint64_t m_answersDue() const { return answersDue_; }
  std::uint64_t m_answers() const { return answers_; }
  std::uint64_t m_bagsStarted() const { return bagsStarted_; }
  std::uint64_t m_bagsFinished() const { return bagsFinished_; }
  const std::string& m_lastBag() const { return lastBag_; }
  int m_lastBagStage() const { return lastBagStage_; }
  // A new bag reported when the TM stopped: it may have made its trace file.
  bool m_newBagUnanswered() const { return newBagUnanswered_; }
  // The answer times kept, in no order.
  std::vector<std::int64_t> m_samples() const {
    return {samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(std::min(timed_, samples_.size()))};
  }

 private:
  void m_run() {
    std::uint64_t lpc = static_cast<std::uint64_t>(number_) * 100'000'000;
    while (run_.loading_.load() && m_bag(++lpc)) {
    }
    c_socketFailure failure;
    socket_.m_close(failure);
  }

  template <class Report>
  static std::string m_report(int sequence, const std::string& bitId, const std::string& equipmentCode) {
    Report report;
    report.m_setPIC(sequence);
    report.m_setBIT_ID(bitId);
    report.m_setEquipmentCode(equipmentCode);
    return c_runningPlant::m_wire(std::move(report), sequence);
  }

  // The LPC read of a routed bag changes none of its destinations: the TM gives
  // no answer to it, as to the exit.
  bool m_bag(std::uint64_t lpc) {
    std::string bitId = blankId;
    newBagUnanswered_ = true;
    if (!m_ask(m_report<CTM_tctm01_message>(m_nextSequence(), bitId, plan_.entry), bitId)) return false;
    newBagUnanswered_ = false;
    if (lastBagStage_ > 0) ++bagsFinished_;
    lastBagStage_ = 1;
    lastBag_ = bitId;
    ++bagsStarted_;
    if (!m_ask(m_report<CTM_tctm04_message>(m_nextSequence(), bitId, plan_.entry), bitId)) return false;
    lastBagStage_ = 2;
    CTM_tctm09_message read;
    const int sequence = m_nextSequence();
    read.m_setPIC(sequence);
    read.m_setBIT_ID(bitId);
    read.m_setEquipmentCode(plan_.entry);
    char digits[24];
    std::snprintf(digits, sizeof digits, "%010llu", static_cast<unsigned long long>(lpc % 10'000'000'000ULL));
    read.m_setLPC(digits);
    return m_send(c_runningPlant::m_wire(std::move(read), sequence)) &&
           m_send(m_report<CTM_tctm05_message>(m_nextSequence(), bitId, plan_.exit));
  }

  int m_nextSequence() { return sequence_ = sequence_ % 99 + 1; }

 public:
  // Bags that stay: each reported new at the entry and once more there, both
  // answered, never at the exit. They come with ids of their own (as read from
  // their tags), since a day has only 100,000 ids to generate and the load goes
  // on generating them. Their answer times are not kept, nor their telegrams
  // counted as load: the load that follows is timed with them in flight.
  bool m_holdBags(int count, std::vector<std::string>& ids) {
    for (int i = 0; i < count; ++i) {
      char tagged[16];
      std::snprintf(tagged, sizeof tagged, "H32999%05d", i % 100000);
      std::string bitId = tagged;
      if (!m_ask(m_report<CTM_tctm01_message>(m_nextSequence(), bitId, plan_.entry), bitId) ||
          !m_ask(m_report<CTM_tctm04_message>(m_nextSequence(), bitId, plan_.entry), bitId))
        return false;
      ids.push_back(bitId);
    }
    telegramsUnderLoad_ = 0;
    timed_ = 0;
    return true;
  }

 private:

  bool m_send(const std::string& text) {
    if (!sendText(socket_, text, run_.stop_.m_getHandle())) return m_fail("a report could not be sent");
    ++telegramsSent_;
    ++unconfirmed_;
    if (!run_.stopping_.load()) ++telegramsUnderLoad_;
    return true;
  }
  bool m_receive(std::string& text, std::int64_t timeoutMs = answerTimeoutMs) {
    const c_socketResult result = receiveTelegram(socket_, true, c_clock::m_monotonicMilliseconds() + timeoutMs,
                                                  run_.stop_.m_getHandle(), text);
    if (result == c_socketResult::done) ++telegramsReceived_;
    return result == c_socketResult::done;
  }

  // Sends a report that is answered and takes its TMTC01: the same sequence number
  // and equipment code, the bag's id (a new one for a blank id) and a destination.
  bool m_ask(const std::string& report, std::string& bitId) {
    const int sequence = sequence_;
    const auto start = std::chrono::steady_clock::now();
    if (!m_send(report)) return false;
    ++answersDue_;
    std::string text;
    for (;;) {
      if (!m_receive(text)) return m_fail("no answer to " + report.substr(0, 6) + " within 5 s");
      // The periodic status request may come at any time.
      if (text.compare(0, 6, "TMTC22") != 0) break;
    }
    const std::int64_t elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    const std::unique_ptr<CTM_message> parsed = CTM_message::m_new(text);
    auto* answer = dynamic_cast<CTM_tmtc01_message*>(parsed.get());
    if (answer == nullptr || answer->m_getSeqNo() != sequence || answer->m_getEquipmentCodeOrigin() != plan_.entry ||
        answer->m_getFieldCount() < 1 || answer->m_getBIT_ID() == blankId ||
        (bitId != blankId && answer->m_getBIT_ID() != bitId))
      return m_fail("answered " + report.substr(0, 6) + " with " + text.substr(0, text.size() - 1));
    bitId = answer->m_getBIT_ID();
    unconfirmed_ = 0;
    m_keep(elapsed);
    return true;
  }

  // Algorithm R: the i-th time replaces a kept one with probability size / i.
  // Answers that come while the TM stops are not timed.
  void m_keep(std::int64_t nanoseconds) {
    ++answers_;
    if (run_.stopping_.load()) return;
    if (++timed_ <= samples_.size()) {
      samples_[timed_ - 1] = nanoseconds;
      return;
    }
    random_ ^= random_ << 13;
    random_ ^= random_ >> 7;
    random_ ^= random_ << 17;
    const std::uint64_t slot = random_ % timed_;
    if (slot < samples_.size()) samples_[slot] = nanoseconds;
  }

  // A link the TM closes while it stops ends the controller without a fault.
  bool m_fail(const std::string& what) {
    if (!run_.stopping_.load() && failure_.empty()) failure_ = plan_.id + ": " + what;
    return false;
  }

  c_loadRun& run_;
  const c_runningPlant::c_controller plan_;
  const int number_;
  c_socket socket_;
  std::thread thread_;
  int sequence_ = 0;
  std::uint64_t random_ = 0x9E3779B97F4A7C15ULL;
  std::vector<std::int64_t> samples_;
  std::string failure_;
  std::uint64_t telegramsUnderLoad_ = 0;
  std::uint64_t telegramsSent_ = 0;
  std::uint64_t telegramsReceived_ = 0;
  std::uint64_t unconfirmed_ = 0;  // sent since the last answer
  std::uint64_t answersDue_ = 0;
  std::uint64_t answers_ = 0;
  std::uint64_t timed_ = 0;
  std::uint64_t bagsStarted_ = 0;
  std::uint64_t bagsFinished_ = 0;
  std::string lastBag_;
  int lastBagStage_ = 0;
  bool newBagUnanswered_ = false;
};

c_loadRun::c_loadRun(const c_tempHome& home, int controllers, int segments, int bagsInFlight)
    : home_(home),
      bagsInFlight_(bagsInFlight),
      plant_(std::make_unique<c_runningPlant>(home, (controllers + segments - 1) / segments, segments)) {}

c_loadRun::~c_loadRun() {
  m_stop();
  CTM_logging::m_setFallback(nullptr);
}

bool c_loadRun::m_widenEventLog() {
  const std::string key = std::string(c_eventLog::registryRoot) + "\\" + c_eventLog::defaultLog;
  return c_registry::m_createKey(key) && c_registry::m_setValue(key, "MaxSize", c_registryValue::m_dword(0xFFFFFFFFu));
}

bool c_loadRun::m_start(std::string& failure) {
  CTM_logging::m_setFallback(&unwritten_);
  CTM_default_transSpec::m_resetForTest();
  plant_->m_writeInstallation();
  if (bagsInFlight_ > 0) plant_->m_addUpstreamTm();
  if (!CTM_config::m_init(c_runningPlant::tmId) || !plant_->m_read()) {
    failure = "the plant could not be read";
    return false;
  }
  // From here on every thread, link and byte of memory is the run's; the event
  // log is open.
  baseline_.emplace();
  for (std::size_t i = 0; i < plant_->m_controllers().size(); ++i)
    controllers_.push_back(std::make_unique<c_controller>(*this, plant_->m_controller(i), static_cast<int>(i) + 1));
  // Sub ids: the TM's "32" towards its computers, TM33's own towards TM33's link.
  computers_.push_back(std::make_unique<c_computer>("OC", "127.0.0.1", "MO",
                                                    c_runningPlant::m_wire(CTM_om00_message(), 0), true));
  computers_.back()->m_open(m_ocTransSpecs(), "MO07");
  computers_.push_back(std::make_unique<c_computer>("LPCS", "127.0.0.1", "CS",
                                                    c_runningPlant::m_wire(CTM_sc00_message(), 0), false));
  computers_.push_back(std::make_unique<c_computer>("IM", "127.0.0.1", "BCIM",
                                                    c_runningPlant::m_wire(CTM_imbc00_message(), 0), true));
  computers_.push_back(std::make_unique<c_computer>("TM33", "127.0.0.250", "UD",
                                                    c_runningPlant::m_wire(CTM_du00_message(), 0, "33"), true));
  figures_.rssBeforeKb = residentKb();
  // Each computer on a port of its own choosing, which the configuration then
  // names; TM33 on the plant's reserved TM port, since TM32's own TM listener
  // listens on that port too: a port chosen on TM33's address alone may be in use
  // on TM32's by another test program.
  const char* portKeys[] = {"OC__Port1", "LPCS__Port", "IM__Port1", "TM__Port"};
  for (std::size_t i = 0; i < computers_.size(); ++i) {
    const int port = std::string(portKeys[i]) == "TM__Port" ? plant_->m_tmPort() : 0;
    if (!computers_[i]->m_listen(port) || !CTM_config::m_setInteger(portKeys[i], computers_[i]->m_port())) {
      failure = computers_[i]->m_name() + " could not listen";
      return false;
    }
    computers_[i]->m_start(stop_.m_getHandle());
  }
  if (!plant_->m_start(bagsInFlight_ > 0 ? withUpstreamMask : loadMask)) {
    failure = "the TM did not start";
    return false;
  }
  const std::int64_t deadline = c_clock::m_monotonicMilliseconds() + linkUpTimeoutMs;
  for (const auto& computer : computers_) {
    while (!computer->m_isUp() && c_clock::m_monotonicMilliseconds() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!computer->m_isUp()) {
      failure = "the link to " + computer->m_name() + " did not come up";
      return false;
    }
  }
  for (const auto& controller : controllers_)
    if (!controller->m_bringUp(plant_->m_tcPort(), failure)) return false;
  return bagsInFlight_ == 0 || (m_linkUpstreamTm(failure) && m_holdBags(failure));
}

bool c_loadRun::m_linkUpstreamTm(std::string& failure) {
  upstream_ = std::make_unique<c_fakePeer>();
  // TM32 listens on the port of TM33, each on an address of its own.
  int port = 0;
  if (!CTM_config::m_getInteger("TM__Port", port) ||
      !upstream_->m_connect(c_runningPlant::tmAddress, port, c_runningPlant::upstreamAddress) ||
      !upstream_->m_send(c_runningPlant::m_wire(CTM_ud00_message(), 0, "31")) ||
      !upstream_->m_expect(c_runningPlant::m_wire(CTM_du00_message(), 0), linkUpTimeoutMs)) {
    failure = "the link from TM31 did not come up";
    return false;
  }
  return true;
}

// The announcements go a window ahead of their acknowledgements, as a busy
// upstream TM sends them.
bool c_loadRun::m_holdBags(std::string& failure) {
  constexpr int window = 32;
  figures_.threadsUp = c_resourceBaseline::m_threadCount();
  figures_.descriptorsUp = c_resourceBaseline::m_descriptorCount();
  figures_.rssUpKb = residentKb();
  if (!controllers_.front()->m_holdBags(bagsInFlight_, heldBags_)) {
    failure = controllers_.front()->m_failure();
    return false;
  }
  const auto announced = [](int n) {
    char id[16];
    std::snprintf(id, sizeof id, "W31123%05d", n % 100000);
    return std::string(id);
  };
  int sent = 0;
  for (int acknowledged = 0; acknowledged < bagsInFlight_;) {
    for (; sent < bagsInFlight_ && sent - acknowledged < window; ++sent) {
      CTM_ud11_message announcement;
      announcement.m_setLogicalConnectID(c_runningPlant::upstreamConnection);
      CTM_itemData item;
      item.m_setBIT_ID(announced(sent));
      announcement.m_setBIT(item);
      if (!upstream_->m_send(c_runningPlant::m_wire(std::move(announcement), sent % 99 + 1, "31"))) {
        failure = "TM31 could not announce bag " + std::to_string(sent);
        return false;
      }
    }
    const std::string line = upstream_->m_receiveLine(static_cast<int>(answerTimeoutMs));
    const std::unique_ptr<CTM_message> telegram = CTM_message::m_new(line);
    if (!telegram) {
      failure = "no acknowledgement of announcement " + std::to_string(acknowledged) + " within 5 s";
      return false;
    }
    auto* acknowledgement = dynamic_cast<CTM_du11_message*>(telegram.get());
    if (acknowledgement == nullptr) continue;
    if (acknowledgement->m_getBIT_ID() != announced(acknowledged)) {
      failure = "announcement " + std::to_string(acknowledged) + " acknowledged as " + acknowledgement->m_getBIT_ID();
      return false;
    }
    ++acknowledged;
  }
  figures_.bagsInFlight = 2 * static_cast<std::uint64_t>(bagsInFlight_);
  figures_.threadsHeld = c_resourceBaseline::m_threadCount();
  figures_.descriptorsHeld = c_resourceBaseline::m_descriptorCount();
  figures_.rssHeldKb = residentKb();
  return true;
}

// OC routes every segment's bags to where the default would, so that none is
// routed as unknown (and marked garbage) first; its status request afterwards is
// answered once the download is in force.
std::vector<std::string> c_loadRun::m_ocTransSpecs() const {
  int sequence = 0;
  std::vector<std::string> telegrams = {c_runningPlant::m_wire(CTM_om02_message(), ++sequence)};
  for (std::size_t s = 0; s < plant_->m_segments().size(); ++s) {
    CTM_transSpec spec;
    spec.m_setTransportSpecID(plant_->m_segments()[s] + "OC001");
    spec.m_setRoutingPriority(5);
    spec.m_setStructVersionID(1);
    spec.m_setStartTime(1704067200);  // 2024-01-01
    spec.m_setEndTime(2145916800);    // 2038-01-01
    spec.m_addDestination(plant_->m_destinationOf(s));
    CTM_om03_message download;
    download.m_setLS_ID(plant_->m_segments()[s]);
    download.m_setModIndicator("A");
    download.m_setTransSpec(spec);
    telegrams.push_back(c_runningPlant::m_wire(std::move(download), ++sequence));
  }
  telegrams.push_back(c_runningPlant::m_wire(CTM_om04_message(), ++sequence));
  telegrams.push_back(c_runningPlant::m_wire(CTM_om05_message(), ++sequence));
  return telegrams;
}

void c_loadRun::m_load(std::chrono::milliseconds duration) {
  loading_ = true;
  const auto start = std::chrono::steady_clock::now();
  for (const auto& controller : controllers_) controller->m_start();
  // The out-queues of the computers' links, sampled while the controllers send.
  const auto end = start + duration;
  bool halfway = false;
  for (auto now = start; now < end; now = std::chrono::steady_clock::now()) {
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(100)));
    CTM_runningTm* tm = plant_->m_tm();
    std::vector<std::shared_ptr<CTM_lh>> links = tm->m_getDstmLineHandlers();
    links.insert(links.end(), {tm->m_getOcLineHandler(), tm->m_getLpcsLineHandler(), tm->m_getImLineHandler()});
    for (const auto& link : links)
      if (link) figures_.largestOutQueue = std::max(figures_.largestOutQueue, link->m_getQueuedCount());
    if (!halfway && std::chrono::steady_clock::now() >= start + duration / 2) {
      halfway = true;
      figures_.rssLoadedKb = residentKb();
      figures_.threadsLoaded = c_resourceBaseline::m_threadCount();
      figures_.descriptorsLoaded = c_resourceBaseline::m_descriptorCount();
    }
  }
  figures_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void c_loadRun::m_stop() {
  if (!plant_ || stopped_) return;
  stopped_ = true;
  // The controllers go on sending while the TM stops.
  stopping_ = true;
  const auto start = std::chrono::steady_clock::now();
  plant_->m_world().m_stopTm(c_runningPlant::tmId);
  figures_.stopMilliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  loading_ = false;
  // Every link is closed: the controllers and computers read what is left and end.
  for (const auto& controller : controllers_) controller->m_join();
  if (upstream_) upstream_->m_close();
  stop_.m_set();
  for (const auto& computer : computers_) computer->m_join();
  // The items still in the segments close their trace files with the world. The
  // plant keeps its reserved ports, which were open before the run, to its end.
  plant_->m_closeWorld();
  // What the TM queued for its computers and never sent is freed with it, but
  // the allocator keeps those pages for later; handing them back shows what the
  // process still holds.
  malloc_trim(0);
  figures_.rssAfterKb = residentKb();

  for (const auto& controller : controllers_) {
    figures_.telegrams += controller->m_telegramsUnderLoad();
    figures_.answers += controller->m_answers();
    figures_.bags += controller->m_bagsFinished();
    const std::vector<std::int64_t> samples = controller->m_samples();
    figures_.answerNanoseconds.insert(figures_.answerNanoseconds.end(), samples.begin(), samples.end());
  }
  std::sort(figures_.answerNanoseconds.begin(), figures_.answerNanoseconds.end());
}

std::vector<std::string> c_loadRun::m_verify() {
  std::vector<std::string> faults;
  for (const auto& controller : controllers_) {
    if (!controller->m_failure().empty()) faults.push_back(controller->m_failure());
    // Only the report under way when the TM stopped may stay unanswered.
    if (controller->m_answersDue() - controller->m_answers() > 1 || controller->m_answers() == 0)
      faults.push_back(controller->m_plan().id + ": " + std::to_string(controller->m_answers()) + " answers to " +
                       std::to_string(controller->m_answersDue()) + " reports");
  }
  for (const auto& computer : computers_)
    if (computer->m_links() != 1)
      faults.push_back(computer->m_name() + " was linked " + std::to_string(computer->m_links()) + " times");
  for (const std::vector<std::string>& more : {m_verifyTraces(), m_verifyEventLog()})
    faults.insert(faults.end(), more.begin(), more.end());
  if (baseline_) {
    const ::testing::AssertionResult back = baseline_->m_isBack();
    if (!back) faults.push_back(std::string("after the stop: ") + back.message());
  }
  return faults;
}

// Every trace file is a bag of a controller. A bag whose exit the TM took holds
// ENTER, TRACE, SCN and EXIT in that order (routing records between them); a
// controller's last bag holds at least what its answers showed, and no more than
// a whole life.
std::vector<std::string> c_loadRun::m_verifyTraces() const {
  std::vector<std::string> faults;
  std::map<std::string, int> lastBags;  // "<LS>/<BIT_ID>" to the stage reached
  std::uint64_t bags = 0;
  std::uint64_t unanswered = 0;  // new bags whose id never came back
  // The bags held through the load went as far as their second report.
  for (const std::string& bitId : heldBags_) lastBags[controllers_.front()->m_plan().segment + "/" + bitId] = 2;
  bags += heldBags_.size();
  for (const auto& controller : controllers_) {
    bags += controller->m_bagsStarted();
    unanswered += controller->m_newBagUnanswered() ? 1 : 0;
    if (controller->m_lastBagStage() > 0)
      lastBags[controller->m_plan().segment + "/" + controller->m_lastBag()] = controller->m_lastBagStage();
  }
  std::uint64_t files = 0;
  std::uint64_t strays = 0;
  std::error_code error;
  const std::filesystem::path root = home_.m_pathOf(std::string("run/log/") + c_runningPlant::tmId);
  for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file() || it->path().extension() != ".trc") continue;
    ++files;
    std::vector<std::string> kinds;
    std::ifstream trace(it->path());
    for (std::string line; std::getline(trace, line);) {
      std::istringstream fields(line);
      std::string time, mark, kind;
      std::getline(fields, time, '\t');
      std::getline(fields, mark, '\t');
      std::getline(fields, kind, '\t');
      if (std::find(std::begin(c_controller::life), std::end(c_controller::life), kind) != std::end(c_controller::life))
        kinds.push_back(kind);
    }
    bool begun = !kinds.empty() && kinds.size() <= c_controller::lived;
    for (std::size_t i = 0; begun && i < kinds.size(); ++i) begun = kinds[i] == c_controller::life[i];
    const std::filesystem::path& path = it->path();
    const std::string bag = path.parent_path().parent_path().filename().string() + "/" + path.stem().string();
    const auto last = lastBags.find(bag);
    if (last == lastBags.end() && begun && kinds.size() < c_controller::lived && strays < unanswered) {
      ++strays;
      continue;
    }
    const std::size_t least = last == lastBags.end() ? c_controller::lived : static_cast<std::size_t>(last->second);
    if ((!begun || kinds.size() < least) && faults.size() < 10) {
      std::string seen;
      for (const std::string& kind : kinds) seen += " " + kind;
      faults.push_back("trace of " + bag + " holds" + seen);
    }
  }
  if (error) faults.push_back("the trace files could not be read: " + error.message());
  if (files < bags || files > bags + unanswered)
    faults.push_back(std::to_string(files) + " trace files for " + std::to_string(bags) + " bags");
  return faults;
}

// The event log: records numbered from 1 without a gap, none refused, and for
// every link the telegram texts the TM logged against what the other side counted.
// What the TM sent was read whole before its links closed; of what it was sent,
// the telegrams after the last answer may have stayed unread when it stopped.
std::vector<std::string> c_loadRun::m_verifyEventLog() const {
  std::vector<std::string> faults;
  if (!unwritten_.m_events().empty())
    faults.push_back(std::to_string(unwritten_.m_events().size()) + " events could not be written");
  struct c_link {
    std::string name, tmSends, tmReceives;
    std::uint64_t sent, received, unconfirmed;  // as the other side counted
    std::uint64_t logged[2] = {0, 0};           // sent and received texts in the log
  };
  std::vector<c_link> links;
  c_link controllers{"the controllers", "TMTC", "TCTM", 0, 0, 0};
  for (const auto& controller : controllers_) {
    controllers.received += controller->m_telegramsReceived();
    controllers.sent += controller->m_telegramsSent();
    controllers.unconfirmed += controller->m_unconfirmed();
  }
  links.push_back(controllers);
  for (const auto& computer : computers_)
    links.push_back({computer->m_name(), computer->m_tmPrefix(), computer->m_answerPrefix(), computer->m_sent(),
                     computer->m_received(), 1});

  c_eventLogReader reader;
  if (!reader.m_openLog(c_eventLog::defaultLog)) return {"the event log could not be read"};
  c_eventRecord record;
  std::uint32_t expected = 1;
  while (reader.m_next(record)) {
    if (record.number != expected && faults.size() < 10)
      faults.push_back("event record " + std::to_string(expected) + " is missing, " + std::to_string(record.number) +
                       " stands in its place");
    expected = record.number + 1;
    if (record.eventId != ev::LOG_TELEGRAM_TEXT || record.category != 0 || record.strings.empty()) continue;
    const bool sent = record.type == c_eventRecord::auditFailure;
    for (c_link& link : links)
      if (record.strings[0].rfind(sent ? link.tmSends : link.tmReceives, 0) == 0) ++link.logged[sent ? 0 : 1];
  }
  for (const c_link& link : links) {
    if (link.logged[0] != link.received)
      faults.push_back("the log holds " + std::to_string(link.logged[0]) + " telegrams sent to " + link.name + ", " +
                       std::to_string(link.received) + " arrived");
    if (link.logged[1] > link.sent || link.logged[1] + link.unconfirmed < link.sent)
      faults.push_back("the log holds " + std::to_string(link.logged[1]) + " telegrams from " + link.name + ", " +
                       std::to_string(link.sent) + " were sent");
  }
  return faults;
}
