// Starting TM32 through its node with an interface mask and the flag: which parts
// are built and started, where a start stops, and what a stop leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "links/c_tcplistener.h"
#include "platform/c_socket.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningtc.h"

namespace {

using c_arguments = std::vector<std::vector<std::string>>;

class TmStart : public TmSystemTest {
 protected:
  // The TC listener's status; -1 when there is none.
  int m_tcListenerStatus() const {
    const c_tcpListener* listener = m_tm()->m_getTcListener();
    return listener ? listener->m_getStatus() : -1;
  }
  bool m_hasTcLineHandler(std::size_t controller) const {
    return dynamic_cast<CTM_runningTc*>(m_node(plant_->m_controller(controller).id))->m_getTcLineHandler() != nullptr;
  }
};

struct c_startCase {
  const char* name;
  const char* mask;
  bool flag;
  bool started;
  int listenerStatus;  // -1 none
};

void PrintTo(const c_startCase& start, std::ostream* out) { *out << start.name; }

class TmStartMask : public TmStart, public ::testing::WithParamInterface<c_startCase> {};

// The segments always start first (one event each); then the parts in their
// order, each left alone when disabled with the flag set. A part that fails
// ends the start and leaves what was built before it.
TEST_P(TmStartMask, StartsThePartsTheMaskAndTheFlagName) {
  const c_startCase& start = GetParam();
  EXPECT_EQ(plant_->m_start(start.mask, start.flag), start.started);
  EXPECT_EQ(m_argumentsOf(ev::TM_PART_STARTED),
            (c_arguments{{"Logical segment", "E3201"}, {"Logical segment", "L3202"}}));
  if (start.listenerStatus == c_tcpListener::statusAccepting)
    EXPECT_TRUE(m_eventually([&] { return m_tcListenerStatus() == c_tcpListener::statusAccepting; }));
  else
    EXPECT_EQ(m_tcListenerStatus(), start.listenerStatus);
  EXPECT_EQ(m_hasTcLineHandler(0), start.mask[5] == 'Y' || !start.flag);
}

INSTANTIATE_TEST_SUITE_P(
    Tm32, TmStartMask,
    ::testing::Values(c_startCase{"TcOnly", "NNNNNYN", true, true, c_tcpListener::statusAccepting},
                      c_startCase{"NothingWithFlag", "NNNNNNN", true, true, -1},
                      c_startCase{"NothingWithoutFlag", "NNNNNNN", false, true, c_tcpListener::statusOpen},
                      c_startCase{"Oc", "NYNNNYN", true, true, c_tcpListener::statusAccepting},
                      c_startCase{"Lpcs", "NNYNNYN", true, true, c_tcpListener::statusAccepting},
                      c_startCase{"Downstream", "NNNYNYN", true, true, c_tcpListener::statusAccepting},
                      c_startCase{"Upstream", "NNNNYYN", true, true, c_tcpListener::statusAccepting},
                      c_startCase{"Im", "YNNNNYN", true, true, c_tcpListener::statusAccepting}),
    [](const ::testing::TestParamInfo<c_startCase>& info) { return std::string(info.param.name); });

// The model's entry point always clears the flag: every part is rebuilt, and
// only the enabled ones are started.
TEST_F(TmStart, TheWorldStartsTheTmWithTheFlagClear) {
  EXPECT_TRUE(plant_->m_world().m_initTm(c_runningPlant::tmId, c_runningPlant::tcOnly));
  EXPECT_TRUE(plant_->m_world().m_stopTm(c_runningPlant::tmId));
}

TEST_F(TmStart, ASegmentThatCannotStartStopsTheStartBeforeAnyInterface) {
  std::filesystem::remove(home_.m_pathOf("run/cfg/tm_default_transspec.txt"));
  EXPECT_FALSE(plant_->m_start());
  EXPECT_EQ(m_argumentsOf(ev::TM_PART_FAILED), (c_arguments{{"Logical segment", "E3201"}}));
  EXPECT_TRUE(m_argumentsOf(ev::TM_PART_STARTED).empty());
  EXPECT_EQ(m_tcListenerStatus(), -1);
}

TEST_F(TmStart, APortTakenByAnotherProgramFailsTheListenerStep) {
  std::uint32_t address = 0;
  c_parseDottedAddress(c_runningPlant::tmAddress, address);
  c_socket squatter;
  c_socketFailure failure;
  ASSERT_TRUE(c_socket::m_listen(address, plant_->m_tcPort(), 1, squatter, failure));
  EXPECT_FALSE(plant_->m_start());
  EXPECT_EQ(m_tcListenerStatus(), -1);
  ASSERT_EQ(m_argumentsOf(ev::LS_ADDRESS_FAILED).size(), 1u);
  EXPECT_EQ(m_argumentsOf(ev::LS_ADDRESS_FAILED)[0][1], "bind()");
}

// Runs body in a forked child whose descriptor limit, soft and hard as `ulimit -n`
// sets them, leaves about `left` descriptors free; what body returns comes back.
std::string inChildWithDescriptorsLeft(int left, const std::function<std::string()>& body) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const int lowestFree = ::fcntl(channel[1], F_DUPFD, 0);
    ::close(lowestFree);
    const rlimit low{static_cast<rlim_t>(lowestFree + left), static_cast<rlim_t>(lowestFree + left)};
    ::setrlimit(RLIMIT_NOFILE, &low);
    const std::string outcome = body();
    const bool written = ::write(channel[1], outcome.data(), outcome.size()) == static_cast<ssize_t>(outcome.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(channel[1]);
  std::string outcome;
  char buffer[256];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    outcome.append(buffer, static_cast<std::size_t>(n));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return outcome;
}

// A TM whose listeners and links could not all get a descriptor fails its start
// with the cause, before any part is touched, instead of listening and serving no one.
TEST_F(TmStart, AStartWithoutTheDescriptorsForItsLinksFailsBeforeAnyPart) {
  const std::string outcome = inChildWithDescriptorsLeft(3, [&] {
    std::string text = plant_->m_start() ? "started" : "not started";
    for (const auto& failed : m_argumentsOf(ev::TM_PART_FAILED)) text += ", " + failed[0] + " " + failed[1] + " failed";
    for (const auto& short_ : m_argumentsOf(ev::TM_DESCRIPTORS_SHORT)) text += ", " + short_[0] + " needed";
    if (m_tcListenerStatus() != -1 || !m_argumentsOf(ev::TM_PART_STARTED).empty()) text += ", a part was touched";
    return text;
  });
  // The TC listener, four controllers and the files beside them.
  EXPECT_EQ(outcome, "not started, Transport manager TM32 failed, 9 needed");
}

// With the flag set a disabled part stays as it is: the listener keeps its
// socket and its accepting thread; enabled again, it is rebuilt on the same port.
TEST_F(TmStart, ARestartWithTheFlagSetLeavesTheDisabledPartsAlone) {
  ASSERT_TRUE(plant_->m_start());
  const c_tcpListener* listener = m_tm()->m_getTcListener();
  ASSERT_TRUE(plant_->m_start("NNNNNNN", true));
  EXPECT_EQ(m_tm()->m_getTcListener(), listener);
  EXPECT_EQ(events_.m_count(ev::LS_CLOSED), 0u);
  ASSERT_TRUE(plant_->m_start("NNNNNYN", true));
  EXPECT_EQ(events_.m_count(ev::LS_CLOSED), 1u);
  c_fakeController controller = m_controller(0);
  EXPECT_TRUE(controller.m_bringUp());
}

TEST_F(TmStart, AStopTakesDownEveryPartAndTheLinesOfTheControllers) {
  ASSERT_TRUE(plant_->m_start());
  plant_->m_stop();
  EXPECT_EQ(m_tcListenerStatus(), -1);
  for (std::size_t i = 0; i < plant_->m_controllers().size(); ++i) EXPECT_FALSE(m_hasTcLineHandler(i)) << i;
  EXPECT_EQ(m_tm()->m_getImLineHandler(), nullptr);
  EXPECT_TRUE(m_tm()->m_getDstmLineHandlers().empty());
}

}  // namespace
