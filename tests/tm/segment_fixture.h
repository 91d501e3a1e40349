#pragma once
// A running TM32 for the segment tests, read through the running node factory:
//   E3201 (TC01): P0001 -5-> P0002, which leads into S3202 and into M3301 of TM33;
//   S3202 (TC02): P0001 -3-> P0002;  X3203: no transport controller.
// Routes: E3201 has "TOSORTER" to S3202 ("E32013202") from OC and a default one;
// S3202 a default one to nowhere reachable, X3203 a default one to S3202.
// One test line handler stands in the OC, LPCS, IM and downstream (TM33) places,
// so its queue shows every report in the order the segment sent it; each
// controller has a TC test handler whose queue shows the routing orders. The
// segments are started (collections built), the links are not.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "links/ctm_queue.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_message.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/tm/ctm_test_lhtc.h"
#include "tests/tracking/routing_fixture.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtc.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_transspec.h"

class SegmentTest : public CTM_routingTest {
 protected:
  static constexpr const char* entry = "E3201_0100-P0001";
  static constexpr const char* diverter = "E3201_0100-P0002";
  static constexpr const char* blank = "           ";
  static constexpr const char* mask = "NNNNNYN";

  void SetUp() override {
    CTM_routingTest::SetUp();
    useTypedParameters(parameters({}));
    writeDefaultFile({specLine("E3201", "TOSORTER", 50, "E32013202"), specLine("S3202", "AWAY", 50, "S32029999"),
                      specLine("X3203", "SOMEWHERE", 50, "E32013202")});
    installation_->m_writeFile("run/cfg/topology.xml", topology);
    CTM_runningNodeFactory factory;
    CTM_file_populator populator(factory);
    ASSERT_TRUE(populator.m_init());
    ASSERT_TRUE(world_.m_populate(populator));
    tm_ = dynamic_cast<CTM_runningTm*>(world_.m_findNode("TM32"));
    ASSERT_NE(tm_, nullptr);
    ASSERT_NE(segment("E3201"), nullptr);
    peers_ = std::make_shared<CTM_testClientLh>("127.0.0.1", 9);
    tm_->m_placeOcLineHandler(peers_);
    tm_->m_placeLpcsLineHandler(peers_);
    tm_->m_placeImLineHandler(peers_);
    tm_->m_placeDstmLineHandlers({{"TM33", peers_}});
    for (const char* id : {"E3201", "S3202", "X3203"}) ASSERT_TRUE(segment(id)->m_init(mask, false));
    for (const char* id : {"TC01", "TC02"}) {
      auto* controller = dynamic_cast<CTM_runningTc*>(world_.m_findNode(id));
      auto handler = std::make_shared<CTM_testLhtc>(tm_, controller);
      controller->m_placeTcLineHandler(handler);
      tcs_.push_back(handler);
    }
    download("A", spec("TOSORTER", 50, "E32013202"));
    recorder_.m_clear();
  }

  // A transport specification for every item, valid for a day from now.
  static std::unique_ptr<CTM_transSpec> spec(const std::string& id, int priority, const std::string& destination) {
    auto made = std::make_unique<CTM_transSpec>();
    made->m_setTransportSpecID(id);
    made->m_setRoutingPriority(priority);
    made->m_addDestination(destination);
    made->m_setStartTime(fixedNow - 3600);
    made->m_setEndTime(fixedNow + 24 * 3600);
    return made;
  }
  // An OC download of one transport specification.
  void download(const std::string& indicator, std::unique_ptr<CTM_transSpec> made, const std::string& ls = "E3201") {
    segment(ls)->m_beginTransSpecDownload();
    segment(ls)->m_stageTransSpec(indicator, std::move(made));
    segment(ls)->m_endTransSpecDownload();
  }

  void TearDown() override {
    tm_->m_stop();
    tcs_.clear();
    peers_.reset();
    CTM_routingTest::TearDown();
  }

  // The segments' required screening level, and the given parameters (type, name, value).
  static std::vector<std::vector<std::string>> parameters(std::vector<std::vector<std::string>> more) {
    for (const char* ls : {"E3201", "S3202", "X3203"}) {
      const std::string name = std::string(ls) + "__ReqScreeningLevel";
      if (std::none_of(more.begin(), more.end(), [&](const auto& p) { return p[1] == name; }))
        more.push_back({"I", name, "1"});
    }
    return more;
  }

  CTM_runningLs* segment(const std::string& id = "E3201") const {
    return dynamic_cast<CTM_runningLs*>(world_.m_findNode(id));
  }
  CTM_node* node(const std::string& id) const { return world_.m_findNode(id); }

  // What the segment reported to OC, LPCS, IM and TM33, in order, taken out of the
  // queue: the telegram ids ("MO11"), or their texts.
  std::vector<std::string> reports() {
    std::vector<std::string> ids;
    for (const auto& telegram : takeReports()) ids.push_back(telegram->m_getId());
    return ids;
  }
  std::vector<std::unique_ptr<CTM_message>> takeReports() {
    std::vector<std::unique_ptr<CTM_message>> telegrams;
    std::unique_ptr<CTM_message> telegram;
    while (peers_->m_queue().m_get(telegram) && telegram) telegrams.push_back(std::move(telegram));
    return telegrams;
  }
  static std::string textOf(const CTM_message& telegram) {
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // The texts for IM among the reports taken.
  static std::vector<std::string> imTexts(const std::vector<std::unique_ptr<CTM_message>>& telegrams) {
    std::vector<std::string> texts;
    for (const auto& telegram : telegrams)
      if (auto* text = dynamic_cast<const CTM_bcim21_message*>(telegram.get()))
        texts.push_back(std::to_string(text->m_getExceptionLevel()) + " " + text->m_getExceptionDesc());
    return texts;
  }
  // The routing orders queued for controller i (0 TC01, 1 TC02).
  std::vector<std::string> orders(int i = 0) { return tcs_[i]->m_takeQueuedTexts(); }

  // An item entered at the entry point (reports and orders drained); its id.
  std::string enter(const std::string& id = blank, int pic = 7) {
    std::string bitId = id;
    CTM_BIT::c_destinationList destinations;
    EXPECT_TRUE(segment()->m_enterBIT(pic, node(entry), bitId, destinations));
    reports();
    orders();
    return bitId;
  }
  template <class Inspect>
  void inspect(const std::string& id, Inspect check, const std::string& ls = "E3201") {
    EXPECT_TRUE(segment(ls)->m_inspectBIT(id, check)) << id;
  }

  static constexpr const char* topology = R"(<?xml version="1.0" encoding="UTF-8"?>
<topology>
  <transportManager id="TM32">
    <address>127.0.0.1</address>
    <logicalSegment id="E3201">
      <transportController id="TC01">
        <address>127.0.0.1</address>
        <ts id="E3201_0100">
          <tp id="E3201_0100-P0001"><edge target="E3201_0100-P0002" weight="5"/></tp>
          <tp id="E3201_0100-P0002">
            <edge target="S3202_0100-P0001" weight="0"/>
            <edge target="M3301_0100-P0001" weight="0"/>
          </tp>
        </ts>
      </transportController>
    </logicalSegment>
    <logicalSegment id="S3202">
      <transportController id="TC02">
        <address>127.0.0.1</address>
        <ts id="S3202_0100">
          <tp id="S3202_0100-P0001"><edge target="S3202_0100-P0002" weight="3"/></tp>
          <tp id="S3202_0100-P0002"/>
        </ts>
      </transportController>
    </logicalSegment>
    <logicalSegment id="X3203"/>
  </transportManager>
  <transportManager id="TM33">
    <address>127.0.0.2</address>
    <logicalSegment id="M3301">
      <transportController id="TC31">
        <address>127.0.0.2</address>
        <ts id="M3301_0100"><tp id="M3301_0100-P0001"/></ts>
      </transportController>
    </logicalSegment>
  </transportManager>
</topology>
)";

  CTM_world world_;
  CTM_runningTm* tm_ = nullptr;
  std::shared_ptr<CTM_testClientLh> peers_;
  std::vector<std::shared_ptr<CTM_testLhtc>> tcs_;
};
