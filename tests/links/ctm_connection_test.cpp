// Connection behaviour that starts no thread.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <cerrno>
#include <functional>
#include <string>

#include "links/c_tcplistener.h"
#include "links/c_tcpconnection.h"
#include "tests/links/connection_fixture.h"
#include "tests/support/c_fakepeer.h"

namespace {

TEST_F(ConnectionTest, RetryParametersComeFromTheConfigurationAndAMissingOneIsReportedOnce) {
  home_.m_writeConfig({c_parameterLine("P", "TC__WaitSecs", "500", "I", "7")});
  home_.m_writeSystem("TM32", {});
  ASSERT_TRUE(m_start());
  CTM_connection connection(&owner_, "", "127.0.0.1", 1, false);
  int wait = 0, tries = -1;
  for (int call = 0; call < 2; ++call) {
    ASSERT_TRUE(connection.m_getRetryParameters(wait, tries));
    EXPECT_EQ(wait, 7);
    EXPECT_EQ(tries, 0);
  }
  EXPECT_EQ(m_argumentsOf(ev::LINK_RETRY_PARAMETER_MISSING),
            (std::vector<std::vector<std::string>>{{"TC__MaxConnectRetry", "0"}}));

  CTM_connection ownerless(nullptr, "", "127.0.0.1", 1, false);
  ASSERT_TRUE(ownerless.m_getRetryParameters(wait, tries));
  EXPECT_EQ(wait, 5);
  EXPECT_EQ(m_argumentsOf(ev::LINK_RETRY_PARAMETER_MISSING).size(), 1u);
}

TEST_F(ConnectionTest, TextsAndCountsBeyondTheBuffersAreRefused) {
  c_tcpConnection connection("", "127.0.0.1", 1);
  EXPECT_EQ(connection.m_send(std::string(c_tcpConnection::sendBufferSize, 'x')), -1);
  EXPECT_EQ(m_argumentsOf(ev::TCP_SEND_TOO_LONG), (std::vector<std::vector<std::string>>{{"10000", "9999"}}));
  std::string out = "unchanged";
  EXPECT_EQ(connection.m_recvExact(out, c_tcpConnection::receiveBufferSize + 1, 1), -1);
  EXPECT_EQ(m_argumentsOf(ev::TCP_RECEIVE_TOO_LONG), (std::vector<std::vector<std::string>>{{"10000", "9999"}}));
  EXPECT_EQ(out, "unchanged");
}

TEST_F(ConnectionTest, ARefusedConnectLogsTheTryAndLeavesTheConnectionDown) {
  c_fakePeer closed;
  ASSERT_TRUE(closed.m_listen("127.0.0.1"));
  const int port = closed.m_port();
  closed.m_closeListener();
  CTM_connection connection(&owner_, "", "127.0.0.1", port, false);
  EXPECT_FALSE(connection.m_connect());
  EXPECT_EQ(connection.m_getStatus(), CTM_connection::statusDown);
  EXPECT_FALSE(connection.m_isReceiverRunning());
  EXPECT_EQ(m_argumentsOf(ev::TCP_CONNECT_FAILED),
            (std::vector<std::vector<std::string>>{{std::to_string(ECONNREFUSED), "127.0.0.1", std::to_string(port)}}));
  EXPECT_EQ(connection.m_describe(), "((localHostOrIP=)(remoteHostOrIP=127.0.0.1)(remotePort=" +
                                         std::to_string(port) + ")(status=0))");
}

TEST_F(ConnectionTest, AStopRequestEndsTheWaitBetweenConnectTries) {
  c_fakePeer closed;
  ASSERT_TRUE(closed.m_listen("127.0.0.1"));
  const int port = closed.m_port();
  closed.m_closeListener();
  CTM_connection connection(&owner_, "", "127.0.0.1", port, false);
  owner_.m_stop();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(connection.m_connect(5, 3));
  // Four tries five seconds apart would take fifteen seconds.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// A connected pair on loopback: the accepted side and the one that connected.
void connectedPair(c_socket& accepted, c_socket& connecting) {
  std::uint32_t loopback = 0;
  c_parseDottedAddress("127.0.0.1", loopback);
  c_socket listening;
  c_socketFailure failure;
  std::uint32_t peer = 0;
  ASSERT_TRUE(c_socket::m_listen(loopback, 0, 1, listening, failure));
  ASSERT_EQ(c_socket::m_connect(0, loopback, listening.m_localPort(), 0, 5000, nullptr, connecting, failure),
            c_socketResult::done);
  ASSERT_EQ(listening.m_waitReadable(-1, nullptr, failure), c_socketResult::done);
  ASSERT_EQ(listening.m_accept(accepted, peer, failure), c_socketResult::done);
}

class c_idleListener : public c_tcpListener {
 public:
  c_idleListener() : c_tcpListener("TC") {}
  ~c_idleListener() override { m_endListening(); }

 protected:
  bool m_onAccept(c_socket&, const c_peer&) override { return false; }
};

// What the socket layer logs names the call, the option or the text as it went out.
TEST_F(ConnectionTest, SocketEventsNameWhatFailedAndWhatWasSent) {
  using c_arguments = std::vector<std::vector<std::string>>;
  struct c_case {
    const char* name;
    std::function<void()> act;
    unsigned event;
    c_arguments arguments;
  };
  const std::string badDescriptor = std::to_string(EBADF);
  const c_case cases[] = {
      {"a listener's every close, also of one never opened and at its end",
       [] {
         c_idleListener listener;
         listener.m_close();
       },
       ev::LS_CLOSED, {{"TC"}, {"TC"}}},
      {"both buffer sizes refused",
       [] { c_tcpConnection("", "127.0.0.1", 1).m_setBufferSizes(4096, 4096); },
       ev::TCP_LOOKUP_FAILED, {{badDescriptor, "setsockopt()", "SO_SNDBUF"}, {badDescriptor, "setsockopt()", "SO_RCVBUF"}}},
      {"a reset by the peer during a receive",
       [this] {
         c_socket accepted, peer;
         connectedPair(accepted, peer);
         const linger reset{1, 0};
         ASSERT_EQ(::setsockopt(peer.m_descriptor(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
         peer = c_socket();
         c_tcpConnection connection(std::move(accepted));
         std::string out;
         EXPECT_EQ(connection.m_recvExact(out, 13, 5), -1);
         EXPECT_EQ(events_.m_count(ev::TCP_PEER_CLOSED), 0u);
       },
       ev::TCP_CALL_FAILED, {{std::to_string(ECONNRESET), "recv()"}}},
      {"a raw text before it is sent",
       [] {
         c_socket accepted, peer;
         connectedPair(accepted, peer);
         ASSERT_TRUE(CTM_connection(nullptr, std::move(accepted), false).m_sendText("IMBC00"));
       },
       ev::TELEGRAM_SENDING, {{"IMBC00\n"}}},
      {"a raw text that could not be sent",
       [] { EXPECT_FALSE(CTM_connection(nullptr, "", "127.0.0.1", 1, false).m_sendText("IMBC00")); },
       ev::TELEGRAM_SEND_FAILED, {{"IMBC00\n"}}},
  };
  for (const c_case& test : cases) {
    SCOPED_TRACE(test.name);
    events_.m_clear();
    test.act();
    EXPECT_EQ(m_argumentsOf(test.event), test.arguments);
  }
}

}  // namespace
