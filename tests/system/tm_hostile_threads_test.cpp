// Peers that send what no peer of the link sends, on every kind of link of a
// running TM32, while a transport controller is served on another link. The TM
// drops the bad link within the framing's deadlines (1 s for a header, 5 s for
// the rest of a telegram), the send time-out (5 s) or the keep-alive interval,
// writes an event of it, and serves the link again: a server link takes the peer
// when it connects anew, a client link closes its connection and connects again.
// A silent peer of a server link is the exception: it keeps the link until it
// connects anew (see expectationFor).
// The monotonic clock is the test's and moves a second at a time, so that the
// long deadlines pass in a few real milliseconds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "core/ctm_config.h"
#include "links/ctm_telegramframing.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_mt_message.h"
#include "telegrams/ctm_om_message.h"
#include "telegrams/ctm_sc_message.h"
#include "telegrams/ctm_tm_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/fixed_clock.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_lhmc.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningtc.h"

namespace {

std::string wire(CTM_message&& telegram, const char* subId, bool noTerminator = false) {
  std::string text = c_runningPlant::m_wire(std::move(telegram), 0, subId);
  if (noTerminator) text.pop_back();
  return text;
}

// A link of TM32 as its hostile peer sees it.
struct c_linkKind {
  const char* name;
  const char* mask;  // what the TM starts: the link and the TC links
  bool server;       // the TM listens and the peer connects; else the TM connects to the peer
  const char* address;  // server: where the peer connects from; client: where it listens
  const char* portKey;  // client: the key of the port the TM connects to
  const char* keepAliveKey;  // client: the key of the keep-alive interval
  std::string peerKeepAlive;
  std::string tmKeepAlive;
  std::string foreign;  // a valid telegram of another link's pair
  std::function<std::shared_ptr<CTM_lh>(CTM_runningTm&)> lineHandler;
  bool noTerminator = false;
};

const std::vector<c_linkKind>& linkKinds() {
  static const std::vector<c_linkKind> kinds = [] {
    const auto controller = [](CTM_runningTm& tm) -> std::shared_ptr<CTM_lh> {
      return dynamic_cast<CTM_runningTc&>(*tm.m_getChild(0)->m_getChild(0)).m_getTcLineHandler();
    };
    const auto terminal = [](CTM_runningTm& tm) -> std::shared_ptr<CTM_lh> {
      return dynamic_cast<CTM_runningLs&>(*tm.m_getChild(0)).m_getMcLineHandler();
    };
    const std::string controllerKeepAlive = wire(CTM_tctm00_message(), "32");
    return std::vector<c_linkKind>{
        {"TC", "NNNNNYN", true, "127.0.0.11", "", "", controllerKeepAlive, wire(CTM_tmtc00_message(), "32"),
         wire(CTM_imbc00_message(), "32"), controller},
        {"USTM", "NNNNYYN", true, "127.0.0.31", "", "", wire(CTM_ud00_message(), "31"),
         wire(CTM_du00_message(), "32"), controllerKeepAlive,
         [](CTM_runningTm& tm) { return tm.m_findUstmLh("TM31"); }},
        {"IM", "YNNNNYN", false, "127.0.0.1", "IM__Port1", "BCIM00_Interval", wire(CTM_imbc00_message(), "32"),
         wire(CTM_bcim00_message(), "32"), controllerKeepAlive,
         [](CTM_runningTm& tm) { return tm.m_getImLineHandler(); }},
        {"MC", "NNNNNYY", false, "127.0.0.1", "E3201__MC_Port", "MT00_Interval", wire(CTM_tm00_message(), "01"),
         wire(CTM_mt00_message(), "32"), controllerKeepAlive, terminal},
        {"OC", "NYNNNYN", false, "127.0.0.1", "OC__Port1", "MO00_Interval", wire(CTM_om00_message(), "32"),
         wire(CTM_mo00_message(), "32"), controllerKeepAlive,
         [](CTM_runningTm& tm) { return tm.m_getOcLineHandler(); }},
        {"LPCS", "NNYNNYN", false, "127.0.0.1", "LPCS__Port", "CS00_Interval", wire(CTM_sc00_message(), "32", true),
         wire(CTM_cs00_message(), "32", true), wire(CTM_tctm00_message(), "32", true),
         [](CTM_runningTm& tm) { return tm.m_getLpcsLineHandler(); }, true},
        {"DSTM", "NNNYNYN", false, "127.0.0.250", "TM__Port", "UD00_Interval", wire(CTM_du00_message(), "33"),
         wire(CTM_ud00_message(), "32"), controllerKeepAlive,
         [](CTM_runningTm& tm) { return tm.m_findDstmLineHandler("TM33"); }},
    };
  }();
  return kinds;
}

enum class c_misdeed {
  randomBytes,
  lyingLength,
  headerTrickled,
  bodyTrickled,
  stopsReading,
  silent,
  tenMegabytes,
  foreignTelegram
};

struct c_behaviour {
  const char* name;
  c_misdeed misdeed;
  bool bringUpFirst;  // the keep-alives are exchanged before the misdeed
};

const c_behaviour behaviours[] = {
    {"RandomBytes", c_misdeed::randomBytes, false},
    {"HeaderWithALyingLength", c_misdeed::lyingLength, true},
    {"HeaderTrickled", c_misdeed::headerTrickled, false},
    {"BodyTrickled", c_misdeed::bodyTrickled, true},
    {"StopsReading", c_misdeed::stopsReading, true},
    {"Silent", c_misdeed::silent, false},
    {"TenMegabytesWithoutALineFeed", c_misdeed::tenMegabytes, true},
    {"AnotherLinksTelegramFirst", c_misdeed::foreignTelegram, false},
};

// The peer's keep-alive with another data length: a header that announces that many bytes.
std::string withLength(const c_linkKind& kind, int length) {
  const bool oneLetterCodes = kind.peerKeepAlive[2] >= '0' && kind.peerKeepAlive[2] <= '9';
  std::string header = kind.peerKeepAlive.substr(
      0, oneLetterCodes ? CTM_telegramFraming::shortHeaderLength : CTM_telegramFraming::longHeaderLength);
  const std::size_t at = oneLetterCodes ? 8 : 10;
  const std::string digits = std::to_string(1000 + length).substr(1);
  return header.replace(at, 3, digits);
}

struct c_expectation {
  std::vector<unsigned> events;  // one of them records the drop
  int deadlineSeconds;           // on the test clock; -1: the link is kept (see below)
};

int keepAliveInterval(const c_linkKind& kind) {
  int seconds = 30;
  CTM_config::m_getInteger(kind.keepAliveKey, seconds);
  return seconds;
}

c_expectation expectationFor(const c_linkKind& kind, c_misdeed misdeed) {
  switch (misdeed) {
    case c_misdeed::randomBytes: return {{ev::TCP_BAD_HEADER}, 1};
    case c_misdeed::headerTrickled: return {{ev::TCP_RECEIVE_TIMEOUT}, 1};
    case c_misdeed::lyingLength:
    case c_misdeed::bodyTrickled: return {{ev::TCP_RECEIVE_TIMEOUT}, 5};
    // Without a terminator the ten megabytes are read as telegrams until a header is of neither form.
    case c_misdeed::tenMegabytes: return {{kind.noTerminator ? ev::TCP_BAD_HEADER : ev::TCP_BAD_TRAILER}, 1};
    case c_misdeed::foreignTelegram: return {{ev::LH_TELEGRAM_REFUSED}, 1};
    // A server link answers what the peer sends: the answers fill the socket
    // buffers and the send time-out ends the link. A client link sends only its
    // keep-alive; the peer that stops reading stops answering too, and the second
    // keep-alive interval without an answer ends the link.
    case c_misdeed::stopsReading:
      if (kind.server) return {{ev::TCP_CALL_FAILED}, 5};
      return {{ev::LH_KEEPALIVE_UNANSWERED}, 2 * keepAliveInterval(kind)};
    // A server link waits for a silent peer until the peer connects anew, which
    // takes the link over. A client link connects anew when its first keep-alive
    // stays unanswered for an interval.
    case c_misdeed::silent:
      if (kind.server) return {{ev::LS_ACCEPTED_UNNAMED}, -1};
      return {{ev::LH_KEEPALIVE_UNANSWERED}, keepAliveInterval(kind)};
  }
  return {{}, 0};
}

using c_case = std::tuple<int, c_behaviour>;

class TmHostileLinks : public TmSystemTest, public ::testing::WithParamInterface<c_case> {
 protected:
  static constexpr int waitSeconds = 5;  // between a client link's connect tries

  void SetUp() override {
    TmSystemTest::SetUp();
    if (!kind_.server) {
      ASSERT_TRUE(listening_.m_listen(kind_.address));
    }
    // E3201's coding terminal is the peer (the MC link is started only for its row).
    plant_->systemLines = {c_parameterLine("P", "E3201__MC_Hostname", "", "S", "127.0.0.1"),
                           c_parameterLine("P", "E3201__MC_Port", "", "I", std::to_string(listening_.m_port()))};
    plant_->m_writeInstallation();
    m_addUpstreamTm();
    CTM_config::m_resetForTest();
    ASSERT_TRUE(m_start(c_runningPlant::tmId));
    // A client link connects to the peer, with the shortest keep-alive interval allowed.
    if (!kind_.server) {
      ASSERT_TRUE(CTM_config::m_setInteger(kind_.portKey, listening_.m_port()));
      ASSERT_TRUE(CTM_config::m_setInteger(kind_.keepAliveKey, 5));
    }
    ASSERT_TRUE(plant_->m_read());
    clock_.emplace(c_clock::m_utcSeconds(), c_clock::m_monotonicMilliseconds());
    ASSERT_TRUE(plant_->m_start(kind_.mask));
  }
  // The clock is the system's again before the TM stops, so that no stop waits on it.
  void TearDown() override {
    clock_.reset();
    connecting_.m_close();
    listening_.m_close();
    listening_.m_closeListener();
    TmSystemTest::TearDown();
  }

  // Moves the test clock on a second at a time, a little real time apart, until
  // the condition holds or the limit has passed: the seconds it took, or -1.
  static int m_driveUntil(const std::function<bool()>& condition, int limitSeconds) {
    for (int seconds = 0; seconds <= limitSeconds; ++seconds) {
      if (m_eventually(condition, 50)) return seconds;
      c_clock::m_advanceMonotonic(1000);
    }
    return -1;
  }
  int m_serverPort() const { return kind_.name == std::string("TC") ? plant_->m_tcPort() : plant_->m_tmPort(); }
  // The connections accepted from the peer's address.
  std::size_t m_acceptedFromPeer() const {
    const std::string address = kind_.address;
    std::size_t count = 0;
    for (const std::vector<std::string>& strings : m_argumentsOf(ev::LS_ACCEPTED_UNNAMED))
      count += strings.size() == 5 && strings[1] + "." + strings[2] + "." + strings[3] + "." + strings[4] == address;
    return count;
  }
  std::size_t m_recorded(const std::vector<unsigned>& ids) const {
    std::size_t count = 0;
    for (unsigned id : ids) count += events_.m_count(id);
    return count;
  }

  // The peer has its connection: it connects, or the TM connects to it.
  ::testing::AssertionResult m_openLink() {
    if (kind_.server) {
      return peer().m_connect(c_runningPlant::tmAddress, m_serverPort(), kind_.address);
    }
    if (m_driveUntil([&] { return static_cast<bool>(listening_.m_accept(0)); }, waitSeconds + 2) < 0)
      return ::testing::AssertionFailure() << "the TM did not connect";
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult m_bringUp() {
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (kind_.server) {
      result = peer().m_send(kind_.peerKeepAlive);
      if (result) result = peer().m_expect(kind_.tmKeepAlive);
    } else {
      result = peer().m_expect(kind_.tmKeepAlive);
      if (result) result = peer().m_send(kind_.peerKeepAlive);
    }
    if (result && !m_eventually([&] { return m_lineHandler()->m_getInterfaceStatus() == CTM_lh::statusUp; }))
      return ::testing::AssertionFailure() << "the link did not come up";
    return result;
  }
  std::shared_ptr<CTM_lh> m_lineHandler() const { return kind_.lineHandler(*m_tm()); }
  // The accepted connection of a client link, the connecting peer of a server link.
  c_fakePeer& peer() { return kind_.server ? connecting_ : listening_; }

  const c_linkKind& kind_ = linkKinds()[static_cast<std::size_t>(std::get<0>(GetParam()))];
  const c_behaviour& behaviour_ = std::get<1>(GetParam());
  std::optional<c_fixedClock> clock_;
  c_fakePeer connecting_;
  c_fakePeer listening_;
};

TEST_P(TmHostileLinks, TheBadLinkIsDroppedWithAnEventWhileAControllerIsServed) {
  const c_misdeed misdeed = behaviour_.misdeed;
  const c_expectation expected = expectationFor(kind_, misdeed);
  if (misdeed == c_misdeed::stopsReading) connecting_.m_setReceiveBuffer(4096);
  ASSERT_TRUE(m_openLink());
  if (behaviour_.bringUpFirst) {
    ASSERT_TRUE(m_bringUp());
  }
  const std::size_t before = m_recorded(expected.events);

  // What the peer sends at once, and then a byte each second of the test clock.
  std::string atOnce;
  std::string trickled;
  switch (misdeed) {
    case c_misdeed::randomBytes: atOnce.assign("\x13\xff\x00garbage\x7f\x80\n!!!!!", 18); break;
    case c_misdeed::lyingLength: atOnce = withLength(kind_, 999) + std::string(20, 'x'); break;
    case c_misdeed::headerTrickled: trickled = kind_.peerKeepAlive; break;
    case c_misdeed::bodyTrickled:
      atOnce = withLength(kind_, 300);
      trickled = std::string(300, 'x') + "\n";
      break;
    case c_misdeed::tenMegabytes: atOnce = withLength(kind_, 5) + std::string(10 << 20, 'x'); break;
    case c_misdeed::foreignTelegram: atOnce = kind_.foreign; break;
    // A server link's peer goes on sending keep-alives (below); a client link's peer falls silent.
    case c_misdeed::stopsReading:
    case c_misdeed::silent: break;
  }
  // The peer's sends fail once the TM has dropped it; only the TM's side counts.
  std::atomic<bool> over{false};
  std::thread misbehaving([&] {
    if (misdeed == c_misdeed::stopsReading && kind_.server) {
      std::string batch;
      for (int i = 0; i < 50; ++i) batch += kind_.peerKeepAlive;
      for (int i = 0; i < 100000 && peer().m_send(batch); ++i) {
      }
    } else if ((atOnce.empty() || peer().m_send(atOnce)) && !trickled.empty()) {
      for (char byte : trickled) {
        if (!peer().m_send(std::string_view(&byte, 1))) break;
        const std::int64_t next = c_clock::m_monotonicMilliseconds() + 1000;
        while (!over && c_clock::m_monotonicMilliseconds() < next)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  });
  c_fakeController other = m_controller(kind_.name == std::string("TC") ? 1 : 0);
  EXPECT_TRUE(other.m_bringUp());
  if (misdeed == c_misdeed::stopsReading && kind_.server) {
    // The send time-out counts once the TM's answers fill the buffers and it stops reading.
    for (std::size_t read = events_.m_count(ev::TELEGRAM_READ), waits = 0; waits < 30; ++waits) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const std::size_t now = events_.m_count(ev::TELEGRAM_READ);
      if (now == read) break;
      read = now;
    }
  }

  if (expected.deadlineSeconds < 0) {
    for (int second = 0; second < 60; ++second) {
      c_clock::m_advanceMonotonic(1000);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(peer().m_expectClosed(100)) << "the silent peer is kept";
    c_fakePeer again;
    ASSERT_TRUE(again.m_connect(c_runningPlant::tmAddress, m_serverPort(), kind_.address));
    EXPECT_TRUE(peer().m_expectClosed());
    EXPECT_TRUE(again.m_send(kind_.peerKeepAlive) && again.m_expect(kind_.tmKeepAlive));
    EXPECT_TRUE(m_eventually([&] { return m_acceptedFromPeer() >= 2; })) << "both connections are recorded";
  } else {
    const int took = m_driveUntil([&] { return m_recorded(expected.events) > before; }, expected.deadlineSeconds + 10);
    EXPECT_GE(took, 0) << "no event of the drop";
    // A step or two late: the TM's thread reacts to a move of the clock in real time.
    EXPECT_LE(took, expected.deadlineSeconds + 2);
    EXPECT_TRUE(peer().m_expectClosed());
  }
  over = true;
  misbehaving.join();

  if (expected.deadlineSeconds >= 0) {
    // The link is served again: the peer connects anew, or the TM connects again.
    connecting_.m_setReceiveBuffer(0);
    ASSERT_TRUE(m_openLink()) << "no new connection";
    EXPECT_TRUE(m_bringUp());
  }
  EXPECT_TRUE(other.m_send(CTM_tctm00_message(), 0));
  std::unique_ptr<CTM_message> answer = other.m_receiveAnswer();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->m_getId(), "TMTC00");
}

INSTANTIATE_TEST_SUITE_P(EveryLinkKind, TmHostileLinks,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(linkKinds().size())),
                                            ::testing::ValuesIn(behaviours)),
                         [](const ::testing::TestParamInfo<c_case>& info) {
                           return std::string(linkKinds()[static_cast<std::size_t>(std::get<0>(info.param))].name) +
                                  "_" + std::get<1>(info.param).name;
                         });

}  // namespace
