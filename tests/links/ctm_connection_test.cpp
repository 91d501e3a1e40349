// Connection behaviour that starts no thread.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

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

}  // namespace
