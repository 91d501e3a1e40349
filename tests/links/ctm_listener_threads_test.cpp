// The listener with its accept thread: which configured unit an accepted peer
// is, what becomes of a peer no one takes, a second connection of the same peer,
// and an accept that fails for lack of descriptors.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "links/c_tcplistener.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/c_descriptorsqueeze.h"
#include "tests/support/ctm_test_linehandlers.h"

namespace {

// Hands a peer to the handler of the first configured address it matches.
class c_testListener : public c_tcpListener {
 public:
  struct c_unit {
    std::string address;
    CTM_server_lh* handler;
  };
  explicit c_testListener(std::vector<c_unit> units) : c_tcpListener("TC"), units_(std::move(units)) {}
  ~c_testListener() override { m_endListening(); }

 protected:
  bool m_onAccept(c_socket& accepted, const c_peer& peer) override {
    for (const c_unit& unit : units_)
      if (m_peerMatches(peer, unit.address)) return unit.handler->m_acceptConnection(std::move(accepted));
    return false;
  }

 private:
  const std::vector<c_unit> units_;
};

class ListenerTest : public LineHandlerThreadsTest {
 protected:
  // The peer's keep-alive comes back answered: its link is up.
  ::testing::AssertionResult m_exchangesKeepAlive(c_fakePeer& peer) {
    const ::testing::AssertionResult sent = peer.m_send(keepAlive_);
    return sent ? peer.m_expect(answer_) : sent;
  }
  const std::string keepAlive_ = m_wire(CTM_tctm00_message(), 0);
  const std::string answer_ = m_wire(CTM_tmtc00_message(), 0);
};

// The peer at 127.0.0.1 is named "localhost".
TEST_F(ListenerTest, APeerMatchesByNameByDottedAddressOrByLookingTheNameUp) {
  // Names compare exactly: "LOCALHOST" is not the peer's name, but it looks up to its address.
  const std::pair<const char*, bool> cases[] = {
      {"localhost", true}, {"127.0.0.1", true}, {"LOCALHOST", true}, {"127.0.0.3", false}};
  for (const auto& [configured, matches] : cases) {
    SCOPED_TRACE(configured);
    events_.m_clear();
    CTM_testServerLh handler;
    c_testListener listener({{configured, &handler}});
    ASSERT_TRUE(listener.m_open(0, ""));
    ASSERT_TRUE(listener.m_start());
    c_fakePeer peer;
    ASSERT_TRUE(peer.m_connect("127.0.0.1", listener.m_getPort()));
    if (matches) {
      EXPECT_TRUE(m_exchangesKeepAlive(peer));
    } else {
      EXPECT_TRUE(peer.m_expectClosed());
      EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::LS_PEER_CLOSED) == 1; }));
      EXPECT_EQ(m_argumentsOf(ev::LS_PEER_CLOSED)[0][1], "127.0.0.1");
      EXPECT_EQ(m_argumentsOf(ev::LS_ACCEPTED_NAMED)[0][1], "localhost");
    }
    listener.m_close();
    EXPECT_EQ(listener.m_getStatus(), c_tcpListener::statusClosed);
    EXPECT_FALSE(listener.m_isOpen());
  }
}

// Without a reverse name only the dotted address can match: a peer from 127.0.0.2.
TEST_F(ListenerTest, AnUnnamedPeerMatchesByItsDottedAddress) {
  CTM_testServerLh handler;
  c_testListener listener({{"127.0.0.2", &handler}});
  ASSERT_TRUE(listener.m_open(0, ""));
  ASSERT_TRUE(listener.m_start());
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  c_parseDottedAddress("127.0.0.2", from);
  c_parseDottedAddress("127.0.0.1", to);
  c_socket peer;
  c_socketFailure failure;
  ASSERT_EQ(c_socket::m_connect(from, to, listener.m_getPort(), 0, 5000, nullptr, peer, failure), c_socketResult::done);
  EXPECT_TRUE(m_eventually([&] { return handler.m_isRunning(); }));
  EXPECT_EQ(m_argumentsOf(ev::LS_ACCEPTED_UNNAMED).size(), 1u);
  EXPECT_EQ(events_.m_count(ev::LS_PEER_CLOSED), 0u);
}

TEST_F(ListenerTest, ASecondConnectionOfTheSamePeerReplacesTheFirst) {
  CTM_testServerLh handler;
  c_testListener listener({{"127.0.0.1", &handler}});
  ASSERT_TRUE(listener.m_open(0, "127.0.0.1"));
  ASSERT_TRUE(listener.m_start());
  c_fakePeer first;
  ASSERT_TRUE(first.m_connect("127.0.0.1", listener.m_getPort()));
  ASSERT_TRUE(m_exchangesKeepAlive(first));

  c_fakePeer second;
  ASSERT_TRUE(second.m_connect("127.0.0.1", listener.m_getPort()));
  EXPECT_TRUE(first.m_expectClosed());
  EXPECT_TRUE(m_exchangesKeepAlive(second));
  EXPECT_TRUE(m_eventually([&] { return handler.inits == 2; }));
  EXPECT_EQ(handler.cleanups, 1);
}

TEST_F(ListenerTest, AnOpenOnAPortInUseFailsAndLeavesNoSocket) {
  c_testListener first({});
  ASSERT_TRUE(first.m_open(0, "127.0.0.1"));
  c_testListener second({});
  EXPECT_FALSE(second.m_open(first.m_getPort(), "127.0.0.1"));
  EXPECT_FALSE(second.m_isOpen());
  EXPECT_EQ(m_argumentsOf(ev::LS_ADDRESS_FAILED)[0][1], "bind()");
}

// Without a free descriptor accept fails: the accept thread rests between tries
// instead of spinning, and serves the peer once descriptors are free again.
TEST_F(ListenerTest, AnAcceptWithoutDescriptorsRestsAndServesAgain) {
  // The checker of dynamic types opens descriptors of its own while it checks.
  if (c_checksDynamicTypes()) GTEST_SKIP() << "needs descriptors for type checks";
  CTM_testServerLh handler;
  c_testListener listener({{"127.0.0.1", &handler}});
  ASSERT_TRUE(listener.m_open(0, "127.0.0.1"));

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit few = saved;
  few.rlim_cur = static_cast<rlim_t>(c_resourceBaseline::m_descriptorCount() + 8);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
  std::vector<int> fillers;
  for (int descriptor; (descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(descriptor);
  // One free, for the peer's socket.
  ::close(fillers.back());
  fillers.pop_back();
  c_fakePeer peer;
  const bool connected = peer.m_connect("127.0.0.1", listener.m_getPort());

  const auto start = std::chrono::steady_clock::now();
  const bool started = listener.m_start();
  const bool failedThrice = m_eventually([&] { return events_.m_count(ev::LS_SOCKET_FAILED) >= 3; });
  const auto elapsed = std::chrono::steady_clock::now() - start;
  for (int descriptor : fillers) ::close(descriptor);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);

  ASSERT_TRUE(connected && started && failedThrice);
  EXPECT_GE(elapsed, std::chrono::milliseconds(2 * c_tcpListener::acceptRetryMs));
  EXPECT_EQ(m_argumentsOf(ev::LS_SOCKET_FAILED)[0][1], "accept()");
  EXPECT_TRUE(m_exchangesKeepAlive(peer));
}

}  // namespace
