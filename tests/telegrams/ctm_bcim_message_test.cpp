// What the TM sends the IM computer: exception reports with their restricted
// level and description and a time stamp that reads back as it was set, and
// the header-only telegrams. The parameter lists of BCIM02, BCIM11 and BCIM12
// are tested with the parameter lists.
#include "telegrams/ctm_bcim_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/c_foreignzone.h"
#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

const std::string description = "Conveyor jam at the entry point";
const std::string exception = "20240229120000" "ABCDE_1234-A5678" "2" + description + std::string(19, ' ');
constexpr std::int64_t leapDayNoon = 1709208000;  // 2024-02-29 12:00:00 UTC

std::string bcim(std::string_view type, std::string_view data) { return telegramText("BCIM" + std::string(type), 2, data); }

class CTM_bcim21Test : public testing::Test {
 protected:
  c_foreignZone zone_;
};

TEST_F(CTM_bcim21Test, ReadsEveryField) {
  const std::string text = bcim("21", exception);
  auto report = parsedAs<CTM_bcim21_message>(text);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->m_getTimeStamp(), leapDayNoon);
  EXPECT_EQ(report->m_getEquipmentCode(), "ABCDE_1234-A5678");
  EXPECT_EQ(report->m_getExceptionLevel(), 2);
  EXPECT_EQ(report->m_getExceptionDesc(), description + std::string(19, ' '));
  EXPECT_EQ(written(*report), text);
}

TEST_F(CTM_bcim21Test, TimeStampsReadBackExactlyAsSetAndAreWrittenInUTC) {
  CTM_bcim21_message report;
  for (std::int64_t seconds : {leapDayNoon, std::int64_t{1719835200} /* 2024-07-01 12:00:00, summer */,
                               std::int64_t{0}, std::int64_t{4102444799} /* 2099-12-31 23:59:59 */}) {
    ASSERT_TRUE(report.m_setTimeStamp(seconds));
    EXPECT_EQ(report.m_getTimeStamp(), seconds);
  }
  ASSERT_TRUE(report.m_setTimeStamp(1719835200));
  ASSERT_TRUE(report.m_setEquipmentCode("ABCDE_1234-A5678"));
  ASSERT_TRUE(report.m_setExceptionLevel(2));
  ASSERT_TRUE(report.m_setExceptionDesc(description));
  EXPECT_EQ(writtenAsSeven(report), bcim("21", "20240701120000" + exception.substr(14)));
}

TEST_F(CTM_bcim21Test, DescriptionsAreKeptToFortyFourCharacters) {
  CTM_bcim21_message report;
  const std::string fortyFour(44, 'd');
  ASSERT_TRUE(report.m_setExceptionDesc(fortyFour));
  EXPECT_EQ(report.m_getExceptionDesc(), fortyFour);
  ASSERT_TRUE(report.m_setExceptionDesc(fortyFour + "e"));
  EXPECT_EQ(report.m_getExceptionDesc(), fortyFour);
  ASSERT_TRUE(report.m_setExceptionDesc(std::string(60, 'x')));
  EXPECT_EQ(report.m_getExceptionDesc(), std::string(44, 'x'));
  ASSERT_TRUE(report.m_setExceptionDesc("short"));
  EXPECT_EQ(report.m_getExceptionDesc(), "short");
  ASSERT_TRUE(report.m_setTimeStamp(leapDayNoon) && report.m_setEquipmentCode("ABCDE_1234-A5678"));
  ASSERT_TRUE(report.m_setExceptionLevel(1));
  // The field stays fifty characters wide.
  EXPECT_EQ(writtenAsSeven(report), bcim("21", exception.substr(0, 30) + "1" "short" + std::string(45, ' ')));
}

TEST_F(CTM_bcim21Test, OnlyLevelsOneToFour) {
  CTM_bcim21_message report;
  for (int level = 1; level <= 4; ++level) {
    EXPECT_TRUE(report.m_setExceptionLevel(level));
    EXPECT_EQ(report.m_getExceptionLevel(), level);
  }
  for (int level : {0, 5, -1, 10}) EXPECT_FALSE(report.m_setExceptionLevel(level)) << level;
  EXPECT_EQ(report.m_getExceptionLevel(), 4);
}

TEST(CTM_bcim11, AppendsAnyValueThatReadsAsAFlag) {
  CTM_bcim11_message list;
  ASSERT_TRUE(list.m_appendValue(12, c_value::m_fromText("1")));
  ASSERT_TRUE(list.m_appendValue(13, c_value::m_fromInt(0)));
  EXPECT_EQ(writtenAsSeven(list), bcim("11", "B02" "0012" "1;" "0013" "0;"));
}

TEST(CTM_bcimRead, HeaderOnlyTelegramsAndUnknownTypes) {
  EXPECT_TRUE(parsedAs<CTM_bcim00_message>("BCIM00" "02" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_bcim01_message>(bcim("01", "")));
  EXPECT_EQ(written(CTM_bcim00_message()), "BCIM00" "02" "00" "000" "01\n");
  CTM_bcim01_message done;
  EXPECT_EQ(writtenAsSeven(done), bcim("01", ""));
  for (const char* type : {"03", "13", "22"})
    EXPECT_EQ(refusal(bcim(type, "")), "CTM_message::m_new(): Unknown message source/destination") << type;
}

TEST(CTM_bcimRefused, WithTheirExactTexts) {
  EXPECT_EQ(refusal(telegramText("BCIM01", 1, "")), "Wrong version number (01) instead of (02).");
  EXPECT_EQ(refusal(bcim("21", "20240229120000" "ABCDE_1234-A567")),
            "Current field is out of total length! (Field name equipmentCode, offset: 29, field length: 16, total "
            "length: 44 )");
  EXPECT_EQ(refusal(bcim("21", "20241329120000" + exception.substr(14))),
            "CTM_messageFieldValue::m_parse(): Field \"20241329120000\" (timeStamp) is not an valid datetime! "
            "(offset: 15, field length: 14)");
  EXPECT_EQ(refusal(bcim("21", "2024022912000X" + exception.substr(14))),
            "CTM_messageFieldValue::m_parse(): Field \"2024022912000X\" (timeStamp) could not be parsed as "
            "datetime, format \"%4d%2d%2d%2d%2d%2d\" ! (offset: 15, field length: 14)");
  EXPECT_EQ(refusal(bcim("21", exception.substr(0, 30) + "X" + exception.substr(31))),
            "CTM_messageFieldValue::m_parse(): Field \"X\" (exceptionLevel) could not be parsed as int, format "
            "\"%d\" ! (offset: 45, field length: 1)");
}

}  // namespace
