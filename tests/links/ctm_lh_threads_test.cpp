// Line handlers on their roles, running against fake peers: the keep-alive
// exchange, what ends a link and what does not, reconnecting, and the choice
// between two connections. Keep-alive intervals and connect cycles run on the
// test clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/c_eventlogreader.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/support/fixed_clock.h"

namespace {

class ServerLineHandlerTest : public LineHandlerThreadsTest {
 protected:
  const std::string keepAlive_ = m_wire(CTM_tctm00_message(), 0);
  const std::string answer_ = m_wire(CTM_tmtc00_message(), 0);
  // A telegram text of the TC pair that the factory refuses (unknown type).
  const std::string errorTelegram_ = "TCTM99010100001\n";

  // Accepts the peer and has its keep-alive answered: the link is up.
  void m_linkUp(CTM_testServerLh& handler, c_fakePeer& peer) {
    ASSERT_TRUE(handler.m_acceptConnection(m_acceptedFrom(peer)));
    ASSERT_TRUE(peer.m_send(keepAlive_));
    ASSERT_TRUE(peer.m_expect(answer_));
    ASSERT_TRUE(m_eventually([&] { return handler.m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
};

TEST_F(ServerLineHandlerTest, AnswersEveryKeepAliveAndDropsErrorAndOwnTelegramsOnceUp) {
  CTM_testServerLh handler;
  c_fakePeer peer;
  ASSERT_NO_FATAL_FAILURE(m_linkUp(handler, peer));
  EXPECT_TRUE(m_eventually([&] { return handler.inits == 1; }));

  // Neither ends the link, and the one of the TM's own ids is never sent back.
  ASSERT_TRUE(peer.m_send(errorTelegram_));
  ASSERT_TRUE(peer.m_send(m_wire(CTM_tmtc00_message(), 5)));
  ASSERT_TRUE(peer.m_send(keepAlive_));
  EXPECT_TRUE(peer.m_expect(answer_));
  EXPECT_EQ(m_argumentsOf(ev::LH_UNEXPECTED_TELEGRAM), (std::vector<std::vector<std::string>>{{"TMTC00"}}));
  EXPECT_EQ(handler.m_getInterfaceStatus(), CTM_lh::statusUp);
  EXPECT_EQ(handler.cleanups, 0);
}

TEST_F(ServerLineHandlerTest, AnythingButTheKeepAliveFirstEndsThePass) {
  CTM_tctm21_message available;
  available.m_setTechnSegmentID("E3201_0100");
  available.m_setAvailability("A");
  const std::string firsts[] = {errorTelegram_, m_wire(std::move(available), 3)};
  for (const std::string& first : firsts) {
    SCOPED_TRACE(first);
    CTM_testServerLh handler;
    c_fakePeer peer;
    ASSERT_TRUE(handler.m_acceptConnection(m_acceptedFrom(peer)));
    ASSERT_TRUE(peer.m_send(first));
    EXPECT_TRUE(peer.m_expectClosed());
    EXPECT_TRUE(m_eventually([&] { return !handler.m_isRunning(); }));
    EXPECT_EQ(handler.inits, 0);
    EXPECT_EQ(handler.cleanups, 1);
  }
  EXPECT_EQ(events_.m_count(ev::LH_TELEGRAM_REFUSED), 1u);
}

// A wake-up left from an earlier link would make the new link's first wait
// return before its data and drop the peer.
TEST_F(ServerLineHandlerTest, ANewConnectionStartsWithoutAStaleWakeUp) {
  CTM_testServerLh handler;
  handler.m_signal();
  c_fakePeer peer;
  ASSERT_TRUE(handler.m_acceptConnection(m_acceptedFrom(peer)));
  EXPECT_TRUE(peer.m_expectSilence(200));
  ASSERT_TRUE(peer.m_send(keepAlive_));
  EXPECT_TRUE(peer.m_expect(answer_));
}

// The telegram events in the event log ("Application"), in record order: id
// and first insertion string of each read, sending and sent event.
std::vector<std::pair<unsigned, std::string>> telegramEventsInLog() {
  std::vector<std::pair<unsigned, std::string>> found;
  c_eventLogReader reader;
  c_eventRecord record;
  if (!reader.m_openLog("Application")) return found;
  while (reader.m_next(record))
    if (record.eventId == ev::TELEGRAM_READ || record.eventId == ev::TELEGRAM_SENDING ||
        record.eventId == ev::TELEGRAM_SENT)
      found.emplace_back(record.eventId, record.strings.empty() ? std::string() : record.strings[0]);
  return found;
}

// A handler writes the events of a telegram it handled (read and answered) after
// the answer, yet before it waits for the next event: once the link falls
// silent, every one of them is in the event log, in the order logged.
TEST_F(ServerLineHandlerTest, TheEventsOfAHandledTelegramAreInTheEventLogBeforeTheHandlerWaitsAgain) {
  CTM_logging::m_setSink(nullptr);
  CTM_testServerLh handler;
  c_fakePeer peer;
  ASSERT_NO_FATAL_FAILURE(m_linkUp(handler, peer));
  ASSERT_TRUE(peer.m_send(keepAlive_ + keepAlive_));
  ASSERT_TRUE(peer.m_expect(answer_ + answer_));
  const std::vector<std::pair<unsigned, std::string>> exchange = {
      {ev::TELEGRAM_READ, "TCTM00"}, {ev::TELEGRAM_SENDING, "TMTC00"}, {ev::TELEGRAM_SENT, "TMTC00"}};
  std::vector<std::pair<unsigned, std::string>> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), exchange.begin(), exchange.end());
  EXPECT_TRUE(m_eventually([&] { return telegramEventsInLog() == expected; }));
  handler.m_shutdown();
  EXPECT_EQ(telegramEventsInLog(), expected);
  // The log's store goes with its sources: its descriptor is not the test's.
  CTM_logging::m_resetForTest();
}

class ClientLineHandlerTest : public LineHandlerThreadsTest {
 protected:
  const std::string keepAlive_ = m_wire(CTM_bcim00_message(), 0);
  const std::string answer_ = m_wire(CTM_imbc00_message(), 0);

  // The peer accepts the handler's connection and answers its keep-alive.
  void m_bringUp(c_fakePeer& peer, CTM_lh& handler) {
    ASSERT_TRUE(peer.m_accept());
    ASSERT_TRUE(peer.m_expect(keepAlive_));
    ASSERT_TRUE(peer.m_send(answer_));
    ASSERT_TRUE(m_eventually([&] { return handler.m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
};

// One keep-alive per interval, at most one unanswered: still unanswered when the
// interval runs out again, it ends the link, and the client connects again at once.
TEST_F(ClientLineHandlerTest, AKeepAliveUnansweredForAnIntervalEndsTheLink) {
  c_fixedClock clock(1'700'000'000);
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_listen());
  CTM_testClientLh handler("127.0.0.1", peer.m_port());
  handler.m_setKeepAliveInterval(30);
  ASSERT_TRUE(handler.m_start());
  m_bringUp(peer, handler);

  m_advanceWhenWaiting(30'000);
  ASSERT_TRUE(peer.m_expect(keepAlive_));
  ASSERT_TRUE(peer.m_send(answer_));
  m_advanceWhenWaiting(30'000, [&] { return events_.m_count(ev::TELEGRAM_READ) == 2; });
  ASSERT_TRUE(peer.m_expect(keepAlive_));
  m_advanceWhenWaiting(30'000);
  EXPECT_EQ(peer.m_receive(64, 5000), "");
  EXPECT_TRUE(peer.m_expectClosed());
  EXPECT_TRUE(m_eventually([&] { return handler.cleanups == 1; }));

  m_bringUp(peer, handler);
  EXPECT_TRUE(m_eventually([&] { return handler.inits == 2; }));
}

// "__MaxConnectRetry" counts connect cycles of a second, not tries: with 3 and a
// try every 5 s, the client gives up after the first try's third cycle and
// starts again with a new try at once.
TEST_F(ClientLineHandlerTest, MaximumConnectRetriesCountCyclesOfASecond) {
  home_.m_writeConfig({c_parameterLine("P", "InterfaceIM_LogLevel", "1", "I", "4")});
  home_.m_writeSystem("TM32", {c_parameterLine("P", "IM__WaitSecs", "2", "I", "5"),
                               c_parameterLine("P", "IM__MaxConnectRetry", "3", "I", "3")});
  ASSERT_TRUE(m_start());
  c_fixedClock clock(1'700'000'000);
  c_fakePeer closed;
  ASSERT_TRUE(closed.m_listen());
  closed.m_closeListener();
  CTM_testClientLh handler("127.0.0.1", closed.m_port());
  ASSERT_TRUE(handler.m_start());

  // The first cycle's wait follows its try; the next two make none.
  m_advanceWhenWaiting(1000, [&] { return events_.m_count(ev::TCP_CONNECT_FAILED) == 1; });
  for (int cycle = 2; cycle <= 3; ++cycle) {
    m_awaitNewTimedWait();
    EXPECT_EQ(events_.m_count(ev::TCP_CONNECT_FAILED), 1u) << cycle;
    EXPECT_EQ(handler.cleanups, 0) << cycle;
    m_advanceWhenWaiting(1000);
  }
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::TCP_CONNECT_FAILED) == 2; }));
  EXPECT_EQ(handler.cleanups, 1);
  EXPECT_EQ(handler.inits, 0);
}

// The connect step reads whenever data has arrived, not only when woken: after a
// first answer that is no valid telegram the next read times out, the connection
// stops, and the next try follows "__WaitSecs" (5 s) after the last one.
TEST_F(ClientLineHandlerTest, AFirstAnswerThatIsNoTelegramEndsTheConnectionAndTheClientTriesAgain) {
  c_fixedClock clock(1'700'000'000);
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_listen());
  CTM_testClientLh handler("127.0.0.1", peer.m_port());
  ASSERT_TRUE(handler.m_start());
  ASSERT_TRUE(peer.m_accept());
  ASSERT_TRUE(peer.m_expect(keepAlive_));
  ASSERT_TRUE(peer.m_send("IMBC99010100001\n"));
  m_advanceWhenWaiting(1000, [&] { return events_.m_count(ev::TELEGRAM_INVALID) == 1; });
  m_advanceWhenWaiting(1000);
  EXPECT_TRUE(peer.m_expectClosed());
  EXPECT_EQ(events_.m_count(ev::TCP_RECEIVE_TIMEOUT), 1u);
  for (int second = 3; second <= 5; ++second) m_advanceWhenWaiting(1000);
  m_bringUp(peer, handler);
}

TEST_F(ClientLineHandlerTest, ATelegramWhoseSendFailedIsTheFirstSentAfterReconnecting) {
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_listen());
  CTM_testClientLh handler("127.0.0.1", peer.m_port());
  ASSERT_TRUE(handler.m_start());
  m_bringUp(peer, handler);

  handler.sendFailures = 1;
  handler.m_send(std::make_unique<CTM_bcim01_message>());
  handler.m_send(std::make_unique<CTM_bcim02_message>());
  EXPECT_TRUE(peer.m_expectClosed());
  m_bringUp(peer, handler);
  EXPECT_TRUE(peer.m_expect(m_wire(CTM_bcim01_message(), 1) + m_wire(CTM_bcim02_message(), 2)));
}

TEST_F(ClientLineHandlerTest, TwoConnectionsThatBothAnswerUseConnection1AndStopConnection2) {
  // The handler's cycle waits until it is woken.
  c_fixedClock clock(1'700'000'000);
  c_fakePeer peer1;
  c_fakePeer peer2;
  ASSERT_TRUE(peer1.m_listen("127.0.0.1"));
  ASSERT_TRUE(peer2.m_listen("127.0.0.2"));
  CTM_testDoubleClientLh handler("127.0.0.1", peer1.m_port(), "127.0.0.2", peer2.m_port());
  // The handler looks only when both answers are there.
  handler.m_holdWakeUps(true);
  ASSERT_TRUE(handler.m_start());
  for (c_fakePeer* peer : {&peer2, &peer1}) {
    ASSERT_TRUE(peer->m_accept());
    ASSERT_TRUE(peer->m_expect(keepAlive_));
    ASSERT_TRUE(peer->m_send(answer_));
  }
  ASSERT_TRUE(m_eventually([&] {
    return handler.m_statusOf(1) == CTM_connection::statusDataArrived &&
           handler.m_statusOf(2) == CTM_connection::statusDataArrived;
  }));
  handler.m_holdWakeUps(false);
  handler.m_wakeUp();

  EXPECT_TRUE(peer2.m_expectClosed());
  EXPECT_TRUE(m_eventually([&] { return handler.m_getInterfaceStatus() == CTM_lh::statusUp; }));
  handler.m_send(std::make_unique<CTM_bcim01_message>());
  EXPECT_TRUE(peer1.m_expect(m_wire(CTM_bcim01_message(), 1)));
}

// What no peer should send, from the server a client connects to: the link ends
// within the framing's deadlines with an event and the client connects again, or,
// for a well-formed telegram of another link, the telegram is dropped and the link
// stays. Without terminator the telegram ends with its data part.
struct c_hostileServerCase {
  const char* name;
  bool noTerminator;
  std::string bytes;
  unsigned event;
  bool linkEnds;
};

class HostileServerOfAClient : public ClientLineHandlerTest,
                               public ::testing::WithParamInterface<c_hostileServerCase> {
 protected:
  std::string m_onLink(const std::string& telegram) const {
    return GetParam().noTerminator ? telegram.substr(0, telegram.size() - 1) : telegram;
  }
  void m_bringUp(c_fakePeer& peer, CTM_lh& handler) {
    ASSERT_TRUE(peer.m_accept());
    ASSERT_TRUE(peer.m_expect(m_onLink(keepAlive_)));
    ASSERT_TRUE(peer.m_send(m_onLink(answer_)));
    ASSERT_TRUE(m_eventually([&] { return handler.m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
};

TEST_P(HostileServerOfAClient, TheLinkEndsWithAnEventOrTheTelegramIsDropped) {
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_listen());
  CTM_testClientLh handler("127.0.0.1", peer.m_port(), false, GetParam().noTerminator);
  ASSERT_TRUE(handler.m_start());
  m_bringUp(peer, handler);

  // The peer's write fails once the client has dropped the link.
  (void)peer.m_send(GetParam().bytes);
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(GetParam().event) >= 1; }, 7000));
  if (GetParam().linkEnds) {
    EXPECT_TRUE(peer.m_expectClosed(7000));
    m_bringUp(peer, handler);
    EXPECT_TRUE(m_eventually([&] { return handler.inits == 2; }));
  } else {
    handler.m_send(std::make_unique<CTM_bcim01_message>());
    EXPECT_TRUE(peer.m_expect(m_onLink(m_wire(CTM_bcim01_message(), 1))));
    EXPECT_EQ(handler.cleanups, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileServerOfAClient,
    ::testing::Values(
        c_hostileServerCase{"RandomBytes", false, std::string("\x13\xff\x00garbage\x7f\x80\n!!!!!", 18),
                            ev::TCP_BAD_HEADER, true},
        c_hostileServerCase{"HeaderWithALyingLength", false, "IMBC0101019990101234", ev::TCP_RECEIVE_TIMEOUT, true},
        c_hostileServerCase{"TenMegabytesWithoutALineFeed", false,
                            "IMBC2101020050101234" + std::string(10 << 20, 'x'), ev::TCP_BAD_TRAILER, true},
        c_hostileServerCase{"AnotherLinksTelegram", false, "TCTM00010000001\n", ev::LH_UNEXPECTED_TELEGRAM, false},
        c_hostileServerCase{"NoTerminatorRandomBytes", true, std::string(40, '\x01'), ev::TCP_BAD_HEADER, true},
        c_hostileServerCase{"NoTerminatorLyingLength", true, "IMBC0101019990101234", ev::TCP_RECEIVE_TIMEOUT, true},
        c_hostileServerCase{"NoTerminatorTenMegabytes", true, "IMBC2101020050101234" + std::string(10 << 20, 'x'),
                            ev::TCP_BAD_HEADER, true}),
    [](const ::testing::TestParamInfo<c_hostileServerCase>& info) { return std::string(info.param.name); });

}  // namespace
