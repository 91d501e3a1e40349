// The listener with its accept thread: which configured unit an accepted peer
// is, what becomes of a peer no one takes, a second connection of the same peer,
// an accept that fails for lack of descriptors, and peers whose names do not come.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
  explicit c_testListener(std::vector<c_unit> units, c_peerNames& names = c_peerNames::m_process())
      : c_tcpListener("TC", names), units_(std::move(units)) {}
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

// Peers named by a look-up that the test holds: the look-up of 127.0.0.1 hangs,
// as one that a silent name server never answers, until the test releases it,
// and then gives "localhost"; other addresses have no name. The clock stands
// still, so that a peer waits for its name until the test moves the clock on.
class ListenerNamesTest : public ListenerTest {
 protected:
  void SetUp() override {
    ListenerTest::SetUp();
    c_clock::m_fixMonotonic(1'000'000);
    c_parseDottedAddress("127.0.0.1", loopback_);
  }
  void TearDown() override {
    m_release();
    listener_.reset();
    ListenerTest::TearDown();
  }
  void m_listen(std::vector<c_testListener::c_unit> units) {
    listener_ = std::make_unique<c_testListener>(std::move(units), names_);
    ASSERT_TRUE(listener_->m_open(0, "127.0.0.1"));
    ASSERT_TRUE(listener_->m_start());
  }
  c_nameLookup m_lookUp(std::uint32_t address, std::string& name) {
    if (address != loopback_) return c_nameLookup::none;
    std::unique_lock lock(mutex_);
    ++loopbackLookUps_;
    hanging_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    hanging_ = false;
    name = "localhost";
    return c_nameLookup::found;
  }
  bool m_awaitHangingLookUp() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return hanging_; });
  }
  void m_release() {
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  bool m_remembersLoopback() {
    bool named = false;
    std::string name;
    return names_.m_recall(loopback_, named, name) && named;
  }

  std::uint32_t loopback_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool hanging_ = false;
  bool released_ = false;
  int loopbackLookUps_ = 0;
  c_peerNames names_{[this](std::uint32_t address, std::string& name) { return m_lookUp(address, name); }};
  CTM_testServerLh first_;
  CTM_testServerLh second_;
  std::unique_ptr<c_testListener> listener_;
};

TEST_F(ListenerNamesTest, APeerWhoseNameDoesNotComeHoldsUpNoOtherAndGoesOnWithoutItAfterASecond) {
  m_listen({{"127.0.0.1", &first_}, {"127.0.0.2", &second_}});
  // The peer at 127.0.0.2 has been looked up before: it has no name.
  std::uint32_t remembered = 0;
  c_parseDottedAddress("127.0.0.2", remembered);
  std::string none;
  ASSERT_FALSE(names_.m_find(remembered, none));

  c_fakePeer unanswered;
  ASSERT_TRUE(unanswered.m_connect("127.0.0.1", listener_->m_getPort()));
  ASSERT_TRUE(m_awaitHangingLookUp());
  c_fakePeer coming;
  ASSERT_TRUE(coming.m_connect("127.0.0.1", listener_->m_getPort(), "127.0.0.2"));
  EXPECT_TRUE(m_exchangesKeepAlive(coming));
  EXPECT_EQ(events_.m_count(ev::LS_ACCEPTED_UNNAMED), 1u);
  EXPECT_EQ(first_.inits, 0);

  // Its second is up: it goes on without a name, matched by its address.
  c_clock::m_advanceMonotonic(c_tcpListener::nameWaitMs);
  EXPECT_TRUE(m_exchangesKeepAlive(unanswered));
  ASSERT_EQ(m_argumentsOf(ev::LS_ACCEPTED_UNNAMED).size(), 2u);
  EXPECT_EQ(m_argumentsOf(ev::LS_ACCEPTED_UNNAMED)[1][4], "1");

  // The answer that came too late names the peer's next connection at once.
  m_release();
  ASSERT_TRUE(m_eventually([this] { return m_remembersLoopback(); }));
  c_fakePeer again;
  ASSERT_TRUE(again.m_connect("127.0.0.1", listener_->m_getPort()));
  EXPECT_TRUE(m_exchangesKeepAlive(again));
  ASSERT_EQ(m_argumentsOf(ev::LS_ACCEPTED_NAMED).size(), 1u);
  EXPECT_EQ(m_argumentsOf(ev::LS_ACCEPTED_NAMED)[0][1], "localhost");
  EXPECT_EQ(loopbackLookUps_, 1);
}

// The close does not wait for the look-up to close the peer that waits for it;
// it ends the resolver thread once the look-up is over (the fixture checks the
// threads and descriptors), and the peer is handed on to no one.
TEST_F(ListenerNamesTest, ACloseWhileALookUpHangsClosesTheWaitingPeer) {
  m_listen({{"127.0.0.1", &first_}});
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_connect("127.0.0.1", listener_->m_getPort()));
  ASSERT_TRUE(m_awaitHangingLookUp());
  std::thread closer([this] { listener_->m_close(); });
  EXPECT_TRUE(peer.m_expectClosed());
  m_release();
  closer.join();
  EXPECT_FALSE(listener_->m_isOpen());
  EXPECT_EQ(events_.m_count(ev::LS_ACCEPTED_NAMED) + events_.m_count(ev::LS_ACCEPTED_UNNAMED), 0u);
}

}  // namespace
