// Peers that send what no transport controller sends, at a running TM32: the bad
// link is dropped within the framing's deadlines (1 s for a header, 5 s for the
// rest of a telegram) with an event, another controller is answered meanwhile,
// and the controller is served again as soon as it connects anew.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

#include "telegrams/ctm_imbc_message.h"
#include "tests/system/tm_fixture.h"

namespace {

struct c_hostileCase {
  const char* name;
  bool bringUpFirst;    // the keep-alive is exchanged before the hostile bytes
  std::string bytes;
  std::size_t wholeFirst;  // bytes sent at once before the trickle
  int trickleMs;           // 0: all sent at once; else one byte each trickleMs
  unsigned event;       // written when the TM drops the link; 0: the link is kept
};

void PrintTo(const c_hostileCase& hostileCase, std::ostream* out) { *out << hostileCase.name; }

class TmHostilePeers : public TmSystemTest, public ::testing::WithParamInterface<c_hostileCase> {
 protected:
  void SetUp() override {
    TmSystemTest::SetUp();
    ASSERT_TRUE(plant_->m_start());
  }
};

TEST_P(TmHostilePeers, TheBadLinkIsDroppedWithAnEventWhileAnotherControllerIsServed) {
  const c_hostileCase& hostileCase = GetParam();
  c_fakeController hostile = m_controller(0);
  if (hostileCase.bringUpFirst)
    ASSERT_TRUE(hostile.m_bringUp());
  else
    ASSERT_TRUE(hostile.m_connect());
  // The peer's writes fail once the TM has dropped it; only the TM's side counts.
  std::thread sending([&] {
    const std::string_view bytes = hostileCase.bytes;
    if (hostileCase.trickleMs == 0) {
      if (!bytes.empty()) (void)hostile.m_peer().m_send(bytes);
      return;
    }
    if (hostileCase.wholeFirst > 0 && !hostile.m_peer().m_send(bytes.substr(0, hostileCase.wholeFirst))) return;
    (void)hostile.m_peer().m_trickle(bytes.substr(hostileCase.wholeFirst), hostileCase.trickleMs);
  });

  c_fakeController other = m_controller(1);
  EXPECT_TRUE(other.m_bringUp());
  if (hostileCase.event != 0) {
    EXPECT_TRUE(hostile.m_peer().m_expectClosed(7000));
    EXPECT_GE(events_.m_count(hostileCase.event), 1u);
  }
  sending.join();

  c_fakeController again = m_controller(0);
  EXPECT_TRUE(again.m_bringUp());
  if (hostileCase.event == 0) {
    EXPECT_TRUE(hostile.m_peer().m_expectClosed());
  }
  // The other link is still served (its periodic status requests aside).
  EXPECT_TRUE(other.m_send(CTM_tctm00_message(), 0));
  std::unique_ptr<CTM_message> answer = other.m_receiveAnswer();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->m_getId(), "TMTC00");
}

std::string imKeepAliveAnswer() { return c_fakeController::m_wire(CTM_imbc00_message(), 0); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TmHostilePeers,
    ::testing::Values(
        c_hostileCase{"RandomBytes", false, std::string("\x13\xff\x00garbage\x7f\x80\n!!!!!", 18), 0, 0,
                      ev::TCP_BAD_HEADER},
        c_hostileCase{"HeaderWithALyingLength", true, "TCTM0101019993201234", 0, 0, ev::TCP_RECEIVE_TIMEOUT},
        c_hostileCase{"HeaderTrickled", false, "TCTM00010000032\n", 0, 200, ev::TCP_RECEIVE_TIMEOUT},
        c_hostileCase{"BodyTrickled", true, "TCTM01010102032" + std::string(20, 'x') + "\n", 15, 400,
                      ev::TCP_RECEIVE_TIMEOUT},
        c_hostileCase{"TenMegabytesWithoutALineFeed", true, "TCTM2101020053201234" + std::string(10 << 20, 'x'),
                      0, 0, ev::TCP_BAD_TRAILER},
        c_hostileCase{"AnotherLinksTelegramFirst", false, imKeepAliveAnswer(), 0, 0, ev::LH_TELEGRAM_REFUSED},
        c_hostileCase{"SilentUntilReplaced", false, "", 0, 0, 0}),
    [](const ::testing::TestParamInfo<c_hostileCase>& info) { return std::string(info.param.name); });

}  // namespace
