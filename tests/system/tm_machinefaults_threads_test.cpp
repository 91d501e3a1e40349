// A running TM32 on a machine that fails it. With the event log refusing every
// record, or with the trace folder taken by a file, bags are still tracked and
// answered with ids of their own; each bag's lost trace is reported once, not at
// every record. With no descriptor left, a controller's link is still served.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/c_descriptorsqueeze.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_tmsegments.h"

namespace {

class TmMachineFaults : public TmSystemTest {
 protected:
  void SetUp() override {
    TmSystemTest::SetUp();
    ASSERT_TRUE(plant_->m_start());
  }
};

TEST_F(TmMachineFaults, AnUnwritableTraceFolderLeavesBagsTrackedAndAnswered) {
  const std::string traceFolder = home_.m_pathOf("run/log/TM32");
  std::filesystem::remove_all(traceFolder);
  home_.m_writeFile("run/log/TM32", "not a folder");

  c_fakeController controller = m_controller(0);
  const auto& spec = controller.m_spec();
  ASSERT_TRUE(controller.m_bringUp());
  std::string bitIds[2];
  for (int bag = 0; bag < 2; ++bag) {
    ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7 + bag, blankId, spec.entry, 11 + bag));
    std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
    auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
    ASSERT_NE(routing, nullptr) << (answer ? answer->m_asString() : "nothing");
    bitIds[bag] = routing->m_getBIT_ID();
  }
  auto* segment = dynamic_cast<CTM_runningLs*>(m_node(spec.segment));
  ASSERT_NE(segment, nullptr);
  EXPECT_EQ(segment->m_getItemCount(), 2u);
  EXPECT_NE(bitIds[0], bitIds[1]);
  // Once for each segment's scan before the day's first generated id, once for each bag's trace.
  const std::size_t unusable = ctm_runningSegmentsOf(dynamic_cast<CTM_tm*>(m_node(c_runningPlant::tmId))).size() + 2;
  EXPECT_EQ(events_.m_count(ev::TRACE_DIRECTORY_UNUSABLE), unusable);

  // More records of the same bags report nothing more.
  ASSERT_TRUE(controller.m_sendReport<CTM_tctm05_message>(7, bitIds[0], spec.exit, 13));
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->m_getId(), "TMTC00");
  EXPECT_EQ(segment->m_getItemCount(), 1u);
  EXPECT_EQ(events_.m_count(ev::TRACE_DIRECTORY_UNUSABLE), unusable);
  EXPECT_TRUE(std::filesystem::is_regular_file(traceFolder));
}

// The event log refusing every record (its disk full) costs the bags nothing:
// they are answered and tracked, and their trace files written.
TEST_F(TmMachineFaults, AnEventLogThatRefusesEveryRecordLeavesBagsTrackedAndAnswered) {
  c_fakeController controller = m_controller(0);
  const auto& spec = controller.m_spec();
  ASSERT_TRUE(controller.m_bringUp());
  events_.m_setFailing(true);
  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7, blankId, spec.entry, 11));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
  ASSERT_NE(routing, nullptr) << (answer ? answer->m_asString() : "nothing");
  const std::string bitId = routing->m_getBIT_ID();
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  answer = controller.m_receiveAnswer();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->m_getId(), "TMTC00");
  events_.m_setFailing(false);

  auto* segment = dynamic_cast<CTM_runningLs*>(m_node(spec.segment));
  ASSERT_NE(segment, nullptr);
  EXPECT_EQ(segment->m_getItemCount(), 1u);
  const std::string trace = "run/log/TM32/" + spec.segment + "/" + bitId.substr(6, 2) + "/" + bitId + ".trc";
  const std::optional<std::string> text = home_.m_readFile(trace);
  ASSERT_TRUE(text) << trace;
  EXPECT_NE(text->find("ENTER"), std::string::npos);
}

// The process out of descriptors: the link that is up goes on, its keep-alive
// and its reports answered (the bag without a trace file).
TEST_F(TmMachineFaults, WithNoDescriptorLeftALinkThatIsUpIsServed) {
  if (c_checksDynamicTypes()) GTEST_SKIP() << "needs descriptors for type checks";
  c_fakeController controller = m_controller(0);
  const auto& spec = controller.m_spec();
  ASSERT_TRUE(controller.m_bringUp());
  c_descriptorSqueeze none(1);
  none.m_takeUpTo(1);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
    std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
    ASSERT_NE(answer, nullptr) << round;
    EXPECT_EQ(answer->m_getId(), "TMTC00");
    ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7 + round, blankId, spec.entry, 11 + round));
    answer = controller.m_receiveAnswer();
    ASSERT_NE(answer, nullptr) << round;
    EXPECT_EQ(answer->m_getId(), "TMTC01");
  }
}

}  // namespace
