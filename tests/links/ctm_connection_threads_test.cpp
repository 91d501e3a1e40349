#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "links/ctm_connection.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/connection_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_telegram_text.h"

namespace {

const std::string keepAlive = ctm_test::telegramText("TCTM00", 1, "");

class ConnectionThreadsTest : public ConnectionTest {
 protected:
  // A client connection to the fake peer, connected and accepted.
  std::unique_ptr<CTM_connection> m_connected(c_fakePeer& peer, bool noTerminator = false,
                                              const std::string& address = "127.0.0.1") {
    if (peer.m_port() == 0) {
      EXPECT_TRUE(peer.m_listen(address));
    }
    auto connection = std::make_unique<CTM_connection>(&owner_, "", address, peer.m_port(), noTerminator);
    EXPECT_TRUE(connection->m_connect());
    EXPECT_TRUE(peer.m_accept());
    return connection;
  }
  // The peer's bytes wake the owner and read as one telegram.
  std::unique_ptr<CTM_message> m_received(CTM_connection& connection) {
    EXPECT_TRUE(owner_.m_wasSignalled(5000));
    EXPECT_EQ(connection.m_getStatus(), CTM_connection::statusDataArrived);
    std::unique_ptr<CTM_message> telegram;
    EXPECT_TRUE(connection.m_readTelegram(telegram));
    return telegram;
  }
};

TEST_F(ConnectionThreadsTest, ExchangesTelegramsWithAPeerAtADottedAddress) {
  c_fakePeer peer;
  std::unique_ptr<CTM_connection> connection = m_connected(peer, false, "127.0.0.2");
  EXPECT_EQ(connection->m_getStatus(), CTM_connection::statusConnected);
  EXPECT_TRUE(connection->m_isReceiverRunning());
  EXPECT_EQ(m_argumentsOf(ev::TCP_CONNECTED),
            (std::vector<std::vector<std::string>>{{"127.0.0.2", std::to_string(peer.m_port())}}));

  ASSERT_TRUE(peer.m_send(keepAlive));
  std::unique_ptr<CTM_message> telegram = m_received(*connection);
  ASSERT_NE(telegram, nullptr);
  EXPECT_EQ(telegram->m_getId(), "TCTM00");

  CTM_tmtc00_message answer;
  answer.m_setSeqNo(7);
  EXPECT_TRUE(connection->m_sendMessage(&answer));
  EXPECT_TRUE(peer.m_expect("TMTC00010700001\n"));
  EXPECT_EQ(m_argumentsOf(ev::TELEGRAM_SENT), (std::vector<std::vector<std::string>>{{"TMTC00"}}));
  EXPECT_EQ(connection->m_getStatus(), CTM_connection::statusDataArrived);

  connection->m_stop();
  EXPECT_EQ(connection->m_getStatus(), CTM_connection::statusDown);
  EXPECT_FALSE(connection->m_isReceiverRunning());
  EXPECT_TRUE(peer.m_expectClosed());
}

TEST_F(ConnectionThreadsTest, RawTextsGetALineFeedUnlessTheLinkHasNoneOrTheyEndInA7) {
  struct c_case {
    bool noTerminator;
    std::string text;
    std::string wire;
  };
  const c_case cases[] = {{false, "ABC", "ABC\n"}, {false, "ABC\xA7", "ABC"}, {true, "ABC", "ABC"},
                          {true, "ABC\xA7", "ABC"}};
  for (const c_case& c : cases) {
    SCOPED_TRACE(c.wire + (c.noTerminator ? " without terminator" : ""));
    c_fakePeer peer;
    std::unique_ptr<CTM_connection> connection = m_connected(peer, c.noTerminator);
    EXPECT_TRUE(connection->m_sendText(c.text));
    EXPECT_TRUE(peer.m_expect(c.wire));
  }
  c_fakePeer peer;
  std::unique_ptr<CTM_connection> connection = m_connected(peer, true);
  CTM_tmtc00_message answer;
  answer.m_setSeqNo(7);
  EXPECT_TRUE(connection->m_sendMessage(&answer));
  EXPECT_TRUE(peer.m_expect("TMTC00010700001"));
  EXPECT_TRUE(peer.m_expectSilence(50));
}

TEST_F(ConnectionThreadsTest, StopEndsTheReceiverWhereverItWaits) {
  c_fakePeer peer;
  // Watching the socket.
  std::unique_ptr<CTM_connection> connection = m_connected(peer);
  connection->m_stop();
  EXPECT_FALSE(connection->m_isReceiverRunning());
  EXPECT_TRUE(peer.m_expectClosed());
  // Waiting for the read handshake after it reported data.
  connection = m_connected(peer);
  ASSERT_TRUE(peer.m_send(keepAlive));
  ASSERT_TRUE(owner_.m_wasSignalled(5000));
  connection->m_stop();
  EXPECT_FALSE(connection->m_isReceiverRunning());
  EXPECT_EQ(connection->m_getStatus(), CTM_connection::statusDown);
}

TEST_F(ConnectionThreadsTest, BlockedReceivesReturnOnASocketShutdownAndOnTheOwnersStop) {
  for (bool byStopEvent : {false, true}) {
    SCOPED_TRACE(byStopEvent ? "stop event" : "shutdown");
    c_fakePeer peer;
    std::unique_ptr<CTM_connection> connection = m_connected(peer);
    int result = 1;
    std::thread reader([&] {
      std::string out;
      result = connection->m_recvExact(out, 1, -1);
    });
    // Give the reader time to block; either way it must come back.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (byStopEvent)
      owner_.m_stop();
    else
      connection->m_shutdownSocket();
    reader.join();
    EXPECT_EQ(result, -1);
  }
}

TEST_F(ConnectionThreadsTest, ReadsATelegramArrivingInPiecesAndRefusesOneCutByTheClose) {
  c_fakePeer peer;
  std::unique_ptr<CTM_connection> connection = m_connected(peer);
  ASSERT_TRUE(peer.m_sendInPieces(keepAlive, {2, 9, 3}, 30));
  std::unique_ptr<CTM_message> telegram = m_received(*connection);
  ASSERT_NE(telegram, nullptr);
  EXPECT_TRUE(telegram->m_isValid());

  ASSERT_TRUE(peer.m_send(keepAlive.substr(0, 14)));
  peer.m_halfClose();
  ASSERT_TRUE(owner_.m_wasSignalled(5000));
  EXPECT_FALSE(connection->m_readTelegram(telegram));
  EXPECT_EQ(telegram, nullptr);
  EXPECT_EQ(events_.m_count(ev::TCP_PEER_CLOSED), 1u);
}

TEST_F(ConnectionThreadsTest, AReconnectedLinkReportsOnlyItsOwnData) {
  c_fakePeer peer;
  std::unique_ptr<CTM_connection> connection = m_connected(peer);
  ASSERT_TRUE(peer.m_send("no header at all\n"));
  ASSERT_TRUE(owner_.m_wasSignalled(5000));
  std::unique_ptr<CTM_message> telegram;
  EXPECT_FALSE(connection->m_readTelegram(telegram));

  ASSERT_TRUE(connection->m_connect());
  ASSERT_TRUE(peer.m_accept());
  EXPECT_FALSE(owner_.m_wasSignalled(100));
  EXPECT_EQ(connection->m_getStatus(), CTM_connection::statusConnected);
  ASSERT_TRUE(peer.m_send(keepAlive));
  telegram = m_received(*connection);
  ASSERT_NE(telegram, nullptr);
  EXPECT_EQ(telegram->m_getId(), "TCTM00");
}

TEST_F(ConnectionThreadsTest, AnAcceptedConnectionServesItsPeerButNeverReconnects) {
  c_socket listener;
  c_socketFailure failure;
  ASSERT_TRUE(c_socket::m_listen(0x7F000001, 0, 4, listener, failure));
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_connect("127.0.0.1", listener.m_localPort()));
  ASSERT_EQ(listener.m_waitReadable(-1, nullptr, failure), c_socketResult::done);
  c_socket accepted;
  std::uint32_t peerAddress = 0;
  ASSERT_EQ(listener.m_accept(accepted, peerAddress, failure), c_socketResult::done);
  EXPECT_EQ(c_dottedAddress(peerAddress), "127.0.0.1");

  CTM_connection connection(&owner_, std::move(accepted), false);
  EXPECT_EQ(connection.m_getStatus(), CTM_connection::statusConnected);
  ASSERT_TRUE(connection.m_startReceiver());
  ASSERT_TRUE(peer.m_send(keepAlive));
  EXPECT_NE(m_received(connection), nullptr);

  EXPECT_FALSE(connection.m_connect());
  EXPECT_TRUE(peer.m_expectClosed());
}

}  // namespace
