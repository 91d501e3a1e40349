// Starting TM32 through its node with an interface mask and the flag: which parts
// are built and started, where a start stops, and what a stop leaves.
#include <gtest/gtest.h>

#include <filesystem>
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
