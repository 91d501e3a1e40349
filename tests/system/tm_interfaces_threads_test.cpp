// TM32 with its IM and MC links: a fake IM listening on two addresses and a fake
// coding terminal for segment E3201, beside fake transport controllers. IM's
// commands restart parts of the running TM; its parameter writes persist; the
// coding terminal codes a bag that a controller reported.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/ctm_config.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_mt_message.h"
#include "telegrams/ctm_tm_message.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_lhmc.h"
#include "tm/ctm_runningls.h"

namespace {

class TmInterfaces : public TmSystemTest {
 protected:
  void SetUp() override {
    TmSystemTest::SetUp();
    ASSERT_TRUE(im1_.m_listen("127.0.0.1"));
    ASSERT_TRUE(im2_.m_listen("127.0.0.2"));
    ASSERT_TRUE(mc_.m_listen("127.0.0.1"));
    plant_->systemLines = {c_parameterLine("C", "TM_Restart", "200", "B", "0"),
                           c_parameterLine("C", "InterfaceIM_Restart", "201", "B", "0"),
                           c_parameterLine("C", "InterfaceOC_Restart", "202", "B", "0"),
                           c_parameterLine("C", "InterfaceLPCS_Restart", "203", "B", "0"),
                           c_parameterLine("C", "InterfaceDSTM_Restart", "204", "B", "0"),
                           c_parameterLine("C", "InterfaceUSTM_Restart", "205", "B", "0"),
                           c_parameterLine("C", "InterfaceTC_Restart", "206", "B", "0"),
                           c_parameterLine("C", "InterfaceMC_Restart", "207", "B", "0"),
                           c_parameterLine("P", "E3201__MC_Hostname", "", "S", "127.0.0.1"),
                           c_parameterLine("P", "E3201__MC_Port", "", "I", std::to_string(mc_.m_port()))};
    plant_->m_writeInstallation();
    CTM_config::m_resetForTest();
    ASSERT_TRUE(m_start(c_runningPlant::tmId));
    ASSERT_TRUE(CTM_config::m_setString("IM__Hostname2", "127.0.0.2"));
    ASSERT_TRUE(CTM_config::m_setInteger("IM__Port1", im1_.m_port()));
    ASSERT_TRUE(CTM_config::m_setInteger("IM__Port2", im2_.m_port()));
    ASSERT_TRUE(CTM_config::m_setInteger("MC__WaitSecs", 1));
  }
  void TearDown() override {
    for (c_fakePeer* peer : {&im1_, &im2_, &mc_}) {
      peer->m_close();
      peer->m_closeListener();
    }
    TmSystemTest::TearDown();
  }

  static std::string m_wire(CTM_message&& telegram, int sequence, const char* subId = "32") {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId(subId);
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // IM takes the connection on that address and answers the keep-alive.
  static void m_imUp(c_fakePeer& im) {
    ASSERT_TRUE(im.m_accept());
    ASSERT_TRUE(im.m_expect(m_wire(CTM_bcim00_message(), 0)));
    ASSERT_TRUE(im.m_send(m_wire(CTM_imbc00_message(), 0)));
  }
  // The coding terminal takes the connection: keep-alive, then the link-up's MT21.
  void m_mcUp() {
    ASSERT_TRUE(mc_.m_accept(8000));
    ASSERT_TRUE(mc_.m_expect(m_wire(CTM_mt00_message(), 0)));
    ASSERT_TRUE(mc_.m_send(m_wire(CTM_tm00_message(), 0, "01")));
    ASSERT_TRUE(mc_.m_expect(m_wire(CTM_mt21_message(), 1)));
  }
  // The next line from the peer with that telegram id (other telegrams, such as
  // the reports of the start, are passed over); "" when none comes.
  static std::string m_nextWith(c_fakePeer& peer, const std::string& id) {
    for (std::string line = peer.m_receiveLine(); !line.empty(); line = peer.m_receiveLine())
      if (line.compare(0, id.size(), id) == 0) return line;
    return "";
  }
  // A controller of E3201 reports a new bag at its entry: the generated id.
  std::string m_enterBag(c_fakeController& controller, int sequence) {
    EXPECT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7, blankId, controller.m_spec().entry, sequence));
    for (std::unique_ptr<CTM_message> answer = controller.m_receive(); answer; answer = controller.m_receive())
      if (auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get())) return routing->m_getBIT_ID();
    return "";
  }
  // IM asks for the restart of the commands at those indices.
  static std::string m_restart(const std::vector<int>& commands, int sequence) {
    CTM_imbc01_message restart;
    restart.m_setFieldType("B");
    for (int command : commands) restart.m_appendBool(command, true);
    return m_wire(std::move(restart), sequence);
  }
  CTM_runningLs* m_e3201() const { return dynamic_cast<CTM_runningLs*>(m_node("E3201")); }

  c_fakePeer im1_;
  c_fakePeer im2_;
  c_fakePeer mc_;
};

TEST_F(TmInterfaces, ImAnswersOnlyOnItsSecondAddressAndGetsTheReportsInOrder) {
  ASSERT_TRUE(plant_->m_start("YNNNNYN", true));
  for (const char* text : {"first report", "second report"}) ASSERT_TRUE(m_e3201()->m_sendText("TM32", 1, "%s", text));
  ASSERT_TRUE(im1_.m_accept());
  ASSERT_TRUE(im1_.m_expect(m_wire(CTM_bcim00_message(), 0)));
  m_imUp(im2_);
  EXPECT_TRUE(im1_.m_expectClosed());
  std::string line;
  do line = m_nextWith(im2_, "BCIM21");
  while (!line.empty() && line.find("first report") == std::string::npos);
  EXPECT_NE(line, "");
  EXPECT_NE(m_nextWith(im2_, "BCIM21").find("second report"), std::string::npos);
}

// The TC and MC restarts of one request: the controllers and the terminal are
// taken down and come back; bags are reported and answered again.
TEST_F(TmInterfaces, RestartingTcAndMcFromImBringsBothLinksBack) {
  ASSERT_TRUE(plant_->m_start("YNNNNYY", true));
  m_imUp(im1_);
  m_mcUp();
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  ASSERT_NE(m_enterBag(controller, 1), "");

  CTM_imbc01_message restart;
  restart.m_setFieldType("B");
  restart.m_appendBool(206, true);
  restart.m_appendBool(207, true);
  ASSERT_TRUE(im1_.m_send(m_wire(std::move(restart), 3)));
  EXPECT_EQ(m_nextWith(im1_, "BCIM01"), m_wire(CTM_bcim01_message(), 3));
  EXPECT_TRUE(controller.m_peer().m_expectClosed());
  EXPECT_TRUE(mc_.m_expectClosed());

  m_mcUp();
  c_fakeController again = m_controller(0);
  ASSERT_TRUE(again.m_bringUp());
  EXPECT_NE(m_enterBag(again, 2), "");
}

// IM restarts its own link: acknowledged on the old link, which closes; the new
// link comes up and brings the reports queued around the restart.
TEST_F(TmInterfaces, ImRestartedByImComesBackWithTheReportsQueuedMeanwhile) {
  ASSERT_TRUE(plant_->m_start("YNNNNYN", true));
  m_imUp(im1_);
  CTM_imbc01_message restart;
  restart.m_setFieldType("B");
  restart.m_appendBool(999, true);
  restart.m_appendBool(201, true);
  ASSERT_TRUE(im1_.m_send(m_wire(std::move(restart), 5)));
  EXPECT_EQ(m_nextWith(im1_, "BCIM01"), m_wire(CTM_bcim01_message(), 5));
  EXPECT_TRUE(im1_.m_expectClosed());
  ASSERT_TRUE(m_e3201()->m_sendText("TM32", 1, "after the restart"));

  m_imUp(im1_);
  EXPECT_NE(m_nextWith(im1_, "BCIM21").find("Unknown command (999)."), std::string::npos);
  EXPECT_NE(m_nextWith(im1_, "BCIM21").find("after the restart"), std::string::npos);
}

// IM changes a persistent parameter: answered with the new value, and a TM that
// reads its configuration again starts with it.
TEST_F(TmInterfaces, AParameterWrittenByImSurvivesARestart) {
  ASSERT_TRUE(plant_->m_start("YNNNNYN", true));
  m_imUp(im1_);
  CTM_imbc03_message write;
  write.m_setFieldType("I");
  write.m_appendInt(20, 3);
  ASSERT_TRUE(im1_.m_send(m_wire(std::move(write), 4)));
  CTM_bcim02_message answer;
  answer.m_setFieldType("I");
  answer.m_appendInt(20, 3);
  EXPECT_EQ(m_nextWith(im1_, "BCIM02"), m_wire(std::move(answer), 4));

  plant_->m_stop();
  CTM_config::m_resetForTest();
  ASSERT_TRUE(m_start(c_runningPlant::tmId));
  int level = 0;
  EXPECT_TRUE(CTM_config::m_getInteger("E3201__ReqScreeningLevel", level));
  EXPECT_EQ(level, 3);
}

// The terminal opens; a bag the controller reported goes to it and comes back coded.
TEST_F(TmInterfaces, ABagSentToTheOpenTerminalIsCodedWithItsLpc) {
  ASSERT_TRUE(plant_->m_start("NNNNNYY", true));
  m_mcUp();
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  const std::string bitId = m_enterBag(controller, 1);
  ASSERT_NE(bitId, "");

  CTM_tm21_message open;
  open.m_setOperationalStatusCode("O");
  ASSERT_TRUE(mc_.m_send(m_wire(std::move(open), 1, "01")));
  ASSERT_NE(m_nextWith(mc_, "MT22"), "");
  std::shared_ptr<CTM_lhmc> mc = m_e3201()->m_getMcLineHandler();
  ASSERT_TRUE(mc && mc->m_isCodingTerminalOpen());
  CTM_BIT item;
  item.m_setBIT_ID(bitId);
  ASSERT_TRUE(m_e3201()->m_sendToCodingTerminal(&item));
  EXPECT_NE(m_nextWith(mc_, "MT01").find(bitId), std::string::npos);

  CTM_tm01_message result;
  result.m_setBIT_ID(bitId);
  result.m_setCodingMethodResultLPC("M");
  result.m_setCodingMethodResultLabel(false);
  result.m_setCodingMethodResultFlight(false);
  result.m_setCodingMethodResultUnknown(false);
  result.m_setLPC("0123456789", true);
  result.m_setFlightID("", false);
  result.m_setCabinClass("", false);
  result.m_setDestination("", false);
  result.m_setOnwardConnection(false, false);
  result.m_setBaggageExceptionData("", false);
  result.m_setPassengerName("", false);
  ASSERT_TRUE(mc_.m_send(m_wire(std::move(result), 2, "01")));
  EXPECT_TRUE(m_eventually([&] {
    std::string lpc;
    m_e3201()->m_inspectBIT(bitId, [&](const CTM_BIT& bit) { lpc = bit.m_getLPC(); });
    return lpc == "0123456789";
  }));
}

}  // namespace

namespace {

// A stop of the TM while IM's restart of the whole TM runs on IM's thread: the
// two never overlap (ThreadSanitizer), the stop never waits for itself, and the
// TM starts again and serves a controller after each round.
TEST_F(TmInterfaces, AStopRacingARestartFromImNeitherOverlapsNorDeadlocks) {
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(plant_->m_start("YNNNNYN", true));
    m_imUp(im1_);
    c_fakeController controller = m_controller(0);
    ASSERT_TRUE(controller.m_bringUp());
    ASSERT_NE(m_enterBag(controller, 1), "");
    ASSERT_TRUE(im1_.m_send(m_restart({200, 206}, round + 1)));
    // Later rounds stop later, so that the stop meets the restart at different points.
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    plant_->m_stop();
    // The links of the stopped TM's IM handlers, also those still in the backlog.
    do im1_.m_close();
    while (im1_.m_accept(100));
  }
}

// Controllers that keep sending bags while IM restarts parts of the TM: each
// reports a new bag at its entry, takes the generated id from the answer and
// reports the bag's exit; when its link drops it connects again at once, as a
// real controller does, and the time from the drop to its first answer again is
// noted. One thread per controller, stopped through the flag (the TM's stop
// ends every link and wait they may be in).
class c_restartTraffic {
 public:
  explicit c_restartTraffic(const c_runningPlant& plant) : plant_(plant), links_(plant.m_controllers().size()) {
    for (std::size_t i = 0; i < links_.size(); ++i) threads_.emplace_back([this, i] { m_drive(i); });
  }
  ~c_restartTraffic() { m_join(); }
  void m_join() {
    stop_ = true;
    for (std::thread& thread : threads_)
      if (thread.joinable()) thread.join();
  }

  // Whether every controller, within the time, was served after `since` and,
  // with `linkSince`, on a link it made after that.
  bool m_allServedAfter(std::int64_t since, std::int64_t linkSince = 0, int timeoutMs = 5000) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      bool all = true;
      for (const c_link& link : links_) all = all && link.servedUs > since && link.servedLinkUs > linkSince;
      if (all) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  static std::int64_t m_nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  // After m_join: each controller's segment with every id it was given, and the
  // times from a drop to the first answer again (ms).
  std::vector<std::pair<std::string, std::string>> bags;
  std::vector<std::int64_t> reconnectMs;

 private:
  // The last answer, and when the link it came on was made.
  struct c_link {
    std::atomic<std::int64_t> servedUs{0};
    std::atomic<std::int64_t> servedLinkUs{0};
  };

  void m_drive(std::size_t i) {
    std::vector<std::pair<std::string, std::string>> given;
    std::vector<std::int64_t> waits;
    int sequence = 0;
    const auto next = [&] { return sequence = sequence % 99 + 1; };
    while (!stop_) {
      const std::int64_t dropped = m_nowUs();
      std::optional<c_fakeController> controller;
      for (controller.emplace(plant_, i); !stop_ && !controller->m_bringUp(); controller.emplace(plant_, i))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      const std::int64_t connected = m_nowUs();
      const std::string& segment = controller->m_spec().segment;
      for (bool first = true; !stop_; first = false) {
        if (!controller->m_sendReport<CTM_tctm01_message>(7, std::string(11, ' '), controller->m_spec().entry, next()))
          break;
        std::unique_ptr<CTM_message> answer = controller->m_receiveAnswer();
        auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
        if (routing == nullptr) break;
        const std::int64_t served = m_nowUs();
        if (first) waits.push_back((served - dropped) / 1000);
        given.emplace_back(segment, routing->m_getBIT_ID());
        links_[i].servedLinkUs = connected;
        links_[i].servedUs = served;
        if (!controller->m_sendReport<CTM_tctm05_message>(7, routing->m_getBIT_ID(), controller->m_spec().exit, next()))
          break;
        // A bag every few milliseconds: a segment's daily ids (five digits) must last the run.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    std::lock_guard<std::mutex> lock(resultsMutex_);
    bags.insert(bags.end(), given.begin(), given.end());
    reconnectMs.insert(reconnectMs.end(), waits.begin(), waits.end());
  }

  const c_runningPlant& plant_;
  std::vector<c_link> links_;
  std::atomic<bool> stop_{false};
  std::mutex resultsMutex_;
  std::vector<std::thread> threads_;
};

// Restarts in a row, cycling over every interface and the whole TM, while every
// controller keeps sending bags. After each restart every controller is served
// again (on a new link when its link was restarted); no segment gives an id
// twice over the run (each bag has its own trace file); the stop leaves no
// thread or descriptor behind (the fixture). The drop-to-answer times are
// recorded: the TM serves a controller again within a second of its reconnect.
class TmRestarts : public TmInterfaces {
 protected:
  // A port of 127.0.0.1 bound but not listening: a connect there is refused, and
  // no other test's peer can listen on it meanwhile.
  class c_refusingPort {
   public:
    c_refusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t length = sizeof address;
      if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
          ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
    }
    ~c_refusingPort() { ::close(socket_); }
    c_refusingPort(const c_refusingPort&) = delete;
    c_refusingPort& operator=(const c_refusingPort&) = delete;
    int m_port() const { return port_; }

   private:
    int socket_;
    int port_ = 0;
  };

  void m_restartUnderTraffic(int restarts) {
    // OC and LPCS have no peer here, and IM none on its second address: a
    // listener that never accepts would fill its backlog with the links of IM's
    // earlier handlers, and then a handler's connect there would hold up its
    // first address for the whole connect time.
    const c_refusingPort refusing[3];
    const std::pair<const char*, int> peerless[] = {
        {"OC__Port1", refusing[0].m_port()}, {"OC__Port2", refusing[1].m_port()},
        {"LPCS__Port", refusing[2].m_port()}, {"IM__Port2", refusing[0].m_port()}};
    for (const auto& [key, port] : peerless) ASSERT_TRUE(port > 0 && CTM_config::m_setInteger(key, port)) << key;
    ASSERT_TRUE(plant_->m_start("YYYYYYY", true));
    m_imUp(im1_);
    // 206 TC, 201 IM, 207 MC, 200 the whole TM, 202 OC, 203 LPCS, 204 the downstream, 205 the upstream TMs.
    const int kinds[] = {206, 201, 207, 200, 202, 203, 204, 205};
    c_restartTraffic traffic(*plant_);
    {
      // The TM's stop ends the links the controllers wait on, also when an assertion ends the loop.
      const std::shared_ptr<void> stopFirst(nullptr, [&](void*) {
        plant_->m_stop();
        traffic.m_join();
      });
      ASSERT_TRUE(traffic.m_allServedAfter(0));
      for (int round = 0; round < restarts; ++round) {
        const int kind = kinds[round % std::size(kinds)];
        SCOPED_TRACE(::testing::Message() << "restart " << round << ", command " << kind);
        const std::int64_t sent = c_restartTraffic::m_nowUs();
        ASSERT_TRUE(im1_.m_send(m_restart({kind}, round % 99 + 1)));
        ASSERT_EQ(m_imNext("BCIM01").substr(0, 6), "BCIM01");
        const std::int64_t acknowledged = c_restartTraffic::m_nowUs();
        if (kind == 200 || kind == 201) {
          EXPECT_TRUE(im1_.m_expectClosed());
          m_imUp(im1_);
        }
        // The TC restarts (of the TC links and of the whole TM) end every controller's link.
        ASSERT_TRUE(traffic.m_allServedAfter(acknowledged, kind == 200 || kind == 206 ? sent : 0));
      }
    }
    std::set<std::pair<std::string, std::string>> unique;
    for (const auto& bag : traffic.bags) EXPECT_TRUE(unique.insert(bag).second) << bag.first << " " << bag.second;
    std::vector<std::int64_t>& waits = traffic.reconnectMs;
    ASSERT_FALSE(waits.empty());
    std::sort(waits.begin(), waits.end());
    RecordProperty("bags", static_cast<int>(traffic.bags.size()));
    RecordProperty("reconnects", static_cast<int>(waits.size()));
    RecordProperty("reconnect_to_answer_max_ms", static_cast<int>(waits.back()));
    RecordProperty("reconnect_to_answer_p99_ms", static_cast<int>(waits[(waits.size() - 1) * 99 / 100]));
  }
  // The next line from IM with that id; IM's keep-alives on the way are answered.
  std::string m_imNext(const std::string& id) {
    for (std::string line = im1_.m_receiveLine(); !line.empty(); line = im1_.m_receiveLine()) {
      if (line.compare(0, id.size(), id) == 0) return line;
      if (line.compare(0, 6, "BCIM00") == 0) im1_.m_send(m_wire(CTM_imbc00_message(), 0));
    }
    return "";
  }
};

TEST_F(TmRestarts, RestartsOfEveryKindUnderTrafficLeaveEveryControllerServedAgain) { m_restartUnderTraffic(8); }

TEST_F(TmRestarts, DISABLED_Soak100RestartsUnderTraffic) { m_restartUnderTraffic(100); }

}  // namespace
