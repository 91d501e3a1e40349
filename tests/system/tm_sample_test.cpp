// The sample installation is one a TM can start from: every key the running TM
// reads is there with the type it is read as, and the segments of TM32 start on
// it without a complaint.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/core/config_fixture.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_default_transspec.h"

namespace {

class SampleInstallation : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    CTM_default_transSpec::m_resetForTest();
    const std::filesystem::path sample = std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg";
    for (const auto& entry : std::filesystem::directory_iterator(sample))
      std::filesystem::copy_file(entry.path(), home_.m_pathOf("run/cfg/" + entry.path().filename().string()),
                                 std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(m_start("TM32"));
  }
  void TearDown() override {
    CTM_default_transSpec::m_resetForTest();
    ConfigFixture::TearDown();
  }
};

// The type letter a key must have: read with the getter of that type.
bool readsAs(char type, const std::string& key) {
  bool flag = false;
  int integer = 0;
  long number = 0;
  double real = 0;
  std::string text;
  switch (type) {
    case 'B':
      return CTM_config::m_getBool(key, flag);
    case 'I':
      return CTM_config::m_getInteger(key, integer);
    case 'L':
      return CTM_config::m_getLong(key, number);
    case 'R':
      return CTM_config::m_getReal(key, real);
    default:
      return CTM_config::m_getString(key, text);
  }
}

TEST_F(SampleInstallation, HoldsEveryKeyOfTheRunningTmWithItsType) {
  std::vector<std::pair<char, std::string>> keys = {{'I', "TM__Port"},
                                                    {'I', "TC__Port"},
                                                    {'L', "Cleanup_Interval"},
                                                    {'L', "IM__MaxBufferedMessages"},
                                                    {'I', "IM__RetentionPriod"},
                                                    {'S', "M3204__MC_Hostname"},
                                                    {'I', "M3204__MC_Port"},
                                                    {'I', "L3203_0100_MaxCirc"},
                                                    {'R', "L3203_0100_CircTH"},
                                                    {'I', "L3203_0200_MaxCirc"},
                                                    {'R', "L3203_0200_CircTH"},
                                                    {'B', "InterfaceTC32_Status"},
                                                    {'B', "InterfaceUSTM31_Status"},
                                                    {'B', "InterfaceDSTM33_Status"}};
  for (const char* link : {"OC", "IM"})
    for (const char* n : {"1", "2"}) {
      keys.emplace_back('S', std::string(link) + "__Hostname" + n);
      keys.emplace_back('I', std::string(link) + "__Port" + n);
    }
  keys.insert(keys.end(), {{'S', "LPCS__Hostname"}, {'I', "LPCS__Port"}});
  for (const char* link : {"IM", "OC", "LPCS", "MC"})
    keys.emplace_back('B', std::string("Interface") + link + "_Status");
  for (const char* interval : {"MT00", "MO00", "CS00", "UD00", "BCIM00"})
    keys.emplace_back('I', std::string(interval) + "_Interval");
  for (const char* segment : {"E3201", "X3202", "L3203", "M3204", "T3205"}) {
    keys.emplace_back('I', std::string(segment) + "__ReqScreeningLevel");
    keys.emplace_back('I', std::string(segment) + "__BusyThreshold");
    keys.emplace_back('I', std::string(segment) + "__QuietThreshold");
  }
  for (const char* handling :
       {"HdlInsufficientInformation", "HdlUnavailableSystemOutput", "HdlUnavailableBuffer", "HdlUnknownDestination",
        "HdlUnexpectedBaggage", "HdlMissingBaggage", "HdlUnknownBaggage"})
    keys.emplace_back('S', handling);
  for (const auto& [type, key] : keys) EXPECT_TRUE(readsAs(type, key)) << type << " " << key;
  EXPECT_EQ(events_.m_count(ev::CFG_UNKNOWN_NAME), 0u);
}

// Each segment of TM32 builds its collection, its transport object and its
// controllers' line handlers from the sample; nothing worse than information is
// said, but for the MC keys that the segments without an MC do not have.
TEST_F(SampleInstallation, StartsTheSegmentsOfTm32WithoutAComplaint) {
  CTM_world world;
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  ASSERT_TRUE(populator.m_init());
  ASSERT_TRUE(world.m_populate(populator));
  auto* tm = dynamic_cast<CTM_runningTm*>(world.m_findNode("TM32"));
  ASSERT_NE(tm, nullptr);
  events_.m_clear();
  ASSERT_GE(tm->m_getChildCount(), 5u);
  for (std::size_t i = 0; i < tm->m_getChildCount(); ++i) EXPECT_TRUE(tm->m_getChild(i)->m_init("NNNNNYN", false)) << i;
  for (const CTM_loggedEvent& event : events_.m_events()) {
    if (event.id == ev::LOG_UNREGISTERED_THREAD) continue;
    if (event.id == ev::CFG_UNKNOWN_NAME && event.strings.at(0).find("__MC_") != std::string::npos) {
      EXPECT_NE(event.strings.at(0).substr(0, 5), "M3204");
      continue;
    }
    EXPECT_GE(event.type, typeOf(3)) << std::hex << event.id;
  }
}

}  // namespace
