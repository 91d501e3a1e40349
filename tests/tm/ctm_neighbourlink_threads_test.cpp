// TM31 and TM32 of one model linked over loopback as in a plant: TM31's DSTM line
// handler connects to TM32's TM listener, which hands the link to TM32's USTM line
// handler for TM31. Items cross, and the state of the logical connections follows
// the downstream side.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/links/linehandler_fixture.h"
#include "tests/tm/neighbour_plant.h"
#include "tm/ctm_lhdstm.h"
#include "tm/ctm_lhustm.h"
#include "tm/ctm_ustmlistener.h"
#include "tracking/ctm_bit.h"

namespace {

class NeighbourLink : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    c_lhtcPlant::m_writeFiles(home_, {});
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_neighbourPlant>();
    ASSERT_TRUE(plant_->m_startEntry());
    plant_->m_tm31()->m_setAddress("127.0.0.31");
    plant_->m_tm32()->m_setAddress("127.0.0.32");
    plant_->m_tm32()->m_placeUstmLineHandlers({{"TM31", std::make_shared<CTM_lhustm>(plant_->m_tm32(), "TM31")}});
    listener_ = std::make_unique<CTM_ustmListener>(plant_->m_tm32());
    ASSERT_TRUE(listener_->m_open(0, "127.0.0.32"));
    ASSERT_TRUE(listener_->m_start());
    auto downstream = std::make_shared<CTM_lhdstm>(plant_->m_tm31(), "TM32", "127.0.0.32", listener_->m_getPort());
    plant_->m_tm31()->m_placeDstmLineHandlers({{"TM32", downstream}});
    ASSERT_TRUE(downstream->m_start());
    ASSERT_TRUE(m_eventually([&] { return downstream->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  void TearDown() override {
    if (plant_) {
      plant_->m_tm31()->m_placeDstmLineHandlers({});
      listener_.reset();
      plant_->m_tm32()->m_placeUstmLineHandlers({});
    }
    plant_.reset();
    LineHandlerThreadsTest::TearDown();
  }
  bool m_stateIs(const char* point, const char* state) const {
    return m_eventually([&] { return plant_->m_node(point)->m_getState() == state; });
  }

  std::unique_ptr<c_neighbourPlant> plant_;
  std::unique_ptr<CTM_ustmListener> listener_;
};

TEST_F(NeighbourLink, AnItemSentTowardsTheDownstreamTmArrivesThereAnnounced) {
  CTM_BIT item;
  item.m_setBIT_ID("W3112300007");
  ASSERT_TRUE(plant_->m_tm31()->m_sendUD11(&item, plant_->m_node("K3101_0200-C0001")));
  bool announced = false;
  EXPECT_TRUE(m_eventually([&] {
    return plant_->m_entry()->m_inspectBIT("W3112300007", [&](const CTM_BIT& held) { announced = held.m_isAnnounced(); });
  }));
  EXPECT_TRUE(announced);
}

// Both ends share one model here: the state TM31 sets is that of TM32's entry
// point of the connection (the first one of K3101 towards E3201).
TEST_F(NeighbourLink, WhenTheDownstreamTmLetsTheLinkGoItsConnectionBecomesUnavailable) {
  plant_->m_tm32()->m_placeUstmLineHandlers({});
  EXPECT_TRUE(m_stateIs(c_neighbourPlant::firstEntry, "N"));
  EXPECT_EQ(plant_->m_node(c_neighbourPlant::tm30Entry)->m_getState(), "A");
}

}  // namespace
