// The TC line handler's reports about technical segments and its parameter lists,
// processed without a link: segment states, DU01 for the upstream TMs, the
// segment's occupation, timing entries set by index, and the texts for IM.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_config_entry.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "tests/core/config_fixture.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/tm/ctm_test_lhtc.h"
#include "tests/tm/lhtc_plant.h"

namespace {

class LhtcReports : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    c_lhtcPlant::m_writeFiles(home_, {c_parameterLine("P", "Cleanup_Interval", "110", "L", "60"),
                                      c_parameterLine("T", "ConveyorDelay", "50", "I", "4"),
                                      c_parameterLine("P", "MaxTransportTime", "20", "I", "900")});
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_lhtcPlant>();
    ASSERT_TRUE(plant_->m_start());
    plant_->m_tm()->m_placeImLineHandler(im_);
    plant_->m_tm()->m_placeUstmLineHandlers({{"TM31", upstream_}});
    handler_ = std::make_shared<CTM_testLhtc>(plant_->m_tm(), plant_->m_controller());
    plant_->m_controller()->m_placeTcLineHandler(handler_);
  }
  void TearDown() override {
    handler_.reset();
    plant_.reset();
    ConfigFixture::TearDown();
  }

  // The descriptions of the texts for IM so far, each as its telegram carries it.
  std::vector<std::string> m_texts() {
    std::vector<std::string> texts;
    std::unique_ptr<CTM_message> telegram;
    while (im_->m_queue().m_get(telegram)) {
      auto* report = dynamic_cast<CTM_bcim21_message*>(telegram.get());
      if (report == nullptr) continue;
      EXPECT_EQ(report->m_getEquipmentCode(), "TM32");
      EXPECT_EQ(report->m_getExceptionLevel(), 1);
      texts.push_back(report->m_getExceptionDesc());
    }
    return texts;
  }
  static std::string m_asText(const std::string& description) {
    CTM_bcim21_message report;
    report.m_setExceptionDesc(description);
    return report.m_getExceptionDesc();
  }
  bool m_reportAvailability(const std::string& segment, const std::string& state) {
    CTM_tctm21_message report;
    report.m_setTechnSegmentID(segment);
    report.m_setAvailability(state);
    return handler_->m_processTelegram(&report);
  }

  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::shared_ptr<CTM_testServerLh> upstream_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_lhtcPlant> plant_;
  std::shared_ptr<CTM_testLhtc> handler_;
};

// "N" closes the segment and its tracking points to routing, and each upstream TM
// that feeds one of them learns it from a DU01 with connection 0 down.
TEST_F(LhtcReports, AnUnavailableSegmentIsClosedAndReportedUpstream) {
  EXPECT_TRUE(m_reportAvailability(c_lhtcPlant::technicalSegment, "N"));

  EXPECT_EQ(plant_->m_node(c_lhtcPlant::technicalSegment)->m_getState(), "N");
  EXPECT_EQ(plant_->m_node(c_lhtcPlant::entry)->m_getState(), "N");
  CTM_du01_message expected;
  expected.m_setLogicalConnectID("K31013201");
  expected.m_appendConnection(0, false);
  std::string expectedText;
  expected.m_serialize(expectedText);
  std::unique_ptr<CTM_message> queued;
  ASSERT_TRUE(upstream_->m_queue().m_get(queued));
  std::string queuedText;
  queued->m_serialize(queuedText);
  EXPECT_EQ(queuedText, expectedText);
  EXPECT_FALSE(upstream_->m_queue().m_get(queued));
  // TM30 feeds the other entry, but this TM has no link to it.
  EXPECT_EQ(m_texts(), std::vector<std::string>{m_asText("Wrong topology for connecton to USTM (TM30)")});

  EXPECT_TRUE(m_reportAvailability(c_lhtcPlant::technicalSegment, "A"));
  EXPECT_EQ(plant_->m_node(c_lhtcPlant::entry)->m_getState(), "A");
}

TEST_F(LhtcReports, AnUnknownTechnicalSegmentIsReportedTwiceAndChangesNothing) {
  EXPECT_TRUE(m_reportAvailability("E3201_0900", "N"));
  EXPECT_EQ(m_texts(), (std::vector<std::string>{m_asText("Wrong TS (E3201_0900) from TC (TC3201) reported."),
                                                 m_asText("Status for unknown TS (E3201_0900) from (TC3201).")}));
  EXPECT_EQ(plant_->m_node(c_lhtcPlant::technicalSegment)->m_getState(), "A");
  std::unique_ptr<CTM_message> queued;
  EXPECT_FALSE(upstream_->m_queue().m_get(queued));
}

TEST_F(LhtcReports, OccupationOfAKnownTechnicalSegmentBecomesTheSegmentsStatus) {
  CTM_tctm22_message report;
  report.m_setTechnSegmentID(c_lhtcPlant::technicalSegment);
  report.m_setOccupationStatus("F");
  EXPECT_TRUE(handler_->m_processTelegram(&report));
  EXPECT_EQ(plant_->m_segment()->m_getStatusText(), "F");

  report.m_setTechnSegmentID("E3201_0900");
  report.m_setOccupationStatus("A");
  EXPECT_TRUE(handler_->m_processTelegram(&report));
  EXPECT_EQ(plant_->m_segment()->m_getStatusText(), "F");
  EXPECT_EQ(m_texts(), std::vector<std::string>{m_asText("Wrong TS (E3201_0900) from TC (TC3201) reported.")});
}

// A controller sets timing entries only; a refused group is reported and the
// rest of the list is still applied.
TEST_F(LhtcReports, AParameterListSetsOnlyTimingEntries) {
  CTM_tctm23_message list;
  ASSERT_TRUE(list.m_setFieldType("I"));
  ASSERT_TRUE(list.m_appendInt(20, 60));
  ASSERT_TRUE(list.m_appendInt(50, 7));
  ASSERT_TRUE(list.m_appendInt(77, 1));
  EXPECT_TRUE(handler_->m_processTelegram(&list));

  int value = 0;
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(50, value, CTM_config_entry::kindTiming), 1);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(20, value, CTM_config_entry::kindAny), 1);
  EXPECT_EQ(value, 900);
  EXPECT_EQ(m_texts(), (std::vector<std::string>{m_asText("Wrong setting parameter (20) by (TC3201)."),
                                                 m_asText("Wrong setting parameter (77) by (TC3201).")}));
}

}  // namespace
