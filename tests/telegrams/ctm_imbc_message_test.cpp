// What the IM computer sends the TM: index lists of any type letter (IMBC12
// read twice through its rewind) and the header-only telegrams. The command
// requests of IMBC01 and the typed list of IMBC03 are tested with the
// parameter lists.
#include "telegrams/ctm_imbc_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

std::string imbc(std::string_view type, std::string_view data) { return telegramText("IMBC" + std::string(type), 2, data); }

template <class List>
std::vector<int> indexesOf(List& list) {
  std::vector<int> indexes;
  int index = 0;
  while (list.m_getNextFieldIndex(index)) indexes.push_back(index);
  return indexes;
}

TEST(CTM_imbc02, IndexListsOfAnyTypeLetter) {
  for (const char* letter : {"I", "S", "X", " "}) {
    const std::string text = imbc("02", std::string(letter) + "03" "0012;" "0040;" "9999;");
    auto request = parsedAs<CTM_imbc02_message>(text);
    ASSERT_TRUE(request) << letter;
    EXPECT_EQ(request->m_getFieldType(), letter);
    EXPECT_EQ(request->m_getFieldCount(), 3);
    EXPECT_EQ(indexesOf(*request), (std::vector<int>{12, 40, 9999}));
    EXPECT_EQ(written(*request), text);
  }
  CTM_imbc02_message built;
  ASSERT_TRUE(built.m_setFieldType("L"));
  ASSERT_TRUE(built.m_appendFieldIndex(7));
  EXPECT_EQ(writtenAsSeven(built), imbc("02", "L01" "0007;"));
}

TEST(CTM_imbc02, StopsAtNinetyNineIndexes) {
  CTM_imbc02_message request;
  ASSERT_TRUE(request.m_setFieldType("I"));
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(request.m_appendFieldIndex(i)) << i;
  EXPECT_FALSE(request.m_appendFieldIndex(99));
  EXPECT_EQ(writtenAsSeven(request).substr(10, 3), "498");
}

class CTM_imbc12 : public testing::Test {
 protected:
  const std::string text_ = imbc("12", "R03" "0012;" "0040;" "0041;" "1");
};

TEST_F(CTM_imbc12, ReadsTheIndexesAndTheEraseIndicator) {
  auto request = parsedAs<CTM_imbc12_message>(text_);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->m_getFieldType(), "R");
  EXPECT_EQ(request->m_getFieldCount(), 3);
  EXPECT_TRUE(request->m_getEraseIndicator());
  EXPECT_EQ(indexesOf(*request), (std::vector<int>{12, 40, 41}));
  EXPECT_EQ(written(*request), text_);
}

TEST_F(CTM_imbc12, RewindingReadsTheIndexesAgainFromTheFirst) {
  auto request = parsedAs<CTM_imbc12_message>(text_);
  ASSERT_TRUE(request);
  int index = 0;
  ASSERT_TRUE(request->m_getNextFieldIndex(index));
  request->m_resetFieldIndexes();
  EXPECT_EQ(indexesOf(*request), (std::vector<int>{12, 40, 41}));
  request->m_resetFieldIndexes();
  EXPECT_EQ(indexesOf(*request), (std::vector<int>{12, 40, 41}));
}

TEST_F(CTM_imbc12, BuiltWithAndWithoutErasing) {
  CTM_imbc12_message request;
  ASSERT_TRUE(request.m_setFieldType("R"));
  for (int index : {12, 40, 41}) ASSERT_TRUE(request.m_appendFieldIndex(index));
  ASSERT_TRUE(request.m_setEraseIndicator(true));
  EXPECT_EQ(writtenAsSeven(request), text_);
  ASSERT_TRUE(request.m_setEraseIndicator(false));
  EXPECT_FALSE(request.m_getEraseIndicator());
  EXPECT_EQ(writtenAsSeven(request), imbc("12", "R03" "0012;" "0040;" "0041;" "0"));
  // A list never filled has nothing to read or rewind.
  CTM_imbc12_message empty;
  empty.m_resetFieldIndexes();
  EXPECT_EQ(indexesOf(empty), std::vector<int>{});
}

TEST_F(CTM_imbc12, RefusesAnEraseIndicatorOtherThanADigitFlagAndAMissingOne) {
  EXPECT_EQ(refusal(imbc("12", "R01" "0012;" "2")),
            "Field \"2\" (eraseIndicator) doesn't match \"[01]\" ! (offset: 23, field length: 1)");
  EXPECT_EQ(refusal(imbc("12", "R01" "0012;")), "1 mandantory fields missing at message end");
}

TEST(CTM_imbcRead, HeaderOnlyTelegramsAndUnknownTypes) {
  EXPECT_TRUE(parsedAs<CTM_imbc00_message>("IMBC00" "02" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_imbc11_message>(imbc("11", "")));
  EXPECT_TRUE(parsedAs<CTM_imbc21_message>(imbc("21", "")));
  EXPECT_EQ(written(CTM_imbc00_message()), "IMBC00" "02" "00" "000" "01\n");
  for (const char* type : {"04", "13", "22"})
    EXPECT_EQ(refusal(imbc(type, "")), "CTM_message::m_new(): Unknown message source/destination") << type;
  EXPECT_EQ(refusal(telegramText("IMBC11", 1, "")), "Wrong version number (01) instead of (02).");
}

}  // namespace
