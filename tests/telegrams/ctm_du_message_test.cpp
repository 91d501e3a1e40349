// What a TM tells its upstream TM: the state of each connection of a logical
// connection and the acknowledgement of a handed-over item, read and written
// back byte for byte, and the refusals.
#include "telegrams/ctm_du_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string du(std::string_view type, std::string_view data) { return telegramText("DU" + std::string(type), 1, data); }

TEST(CTM_du01, ReadsEachConnectionInOrder) {
  const std::string text = du("01", "ABCDE1234" "003" "0001" "0020" "2461");
  auto telegram = parsedAs<CTM_du01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLogicalConnectID(), "ABCDE1234");
  EXPECT_EQ(telegram->m_getConnectionCount(), 3);
  int id = -1;
  bool operational = false;
  ASSERT_TRUE(telegram->m_getNextConnection(id, operational));
  EXPECT_EQ(id, 0);
  EXPECT_TRUE(operational);
  ASSERT_TRUE(telegram->m_getNextConnection(id, operational));
  EXPECT_EQ(id, 2);
  EXPECT_FALSE(operational);
  ASSERT_TRUE(telegram->m_getNextConnection(id, operational));
  EXPECT_EQ(id, 246);
  EXPECT_TRUE(operational);
  EXPECT_FALSE(telegram->m_getNextConnection(id, operational));
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_du01, WithoutConnections) {
  auto telegram = parsedAs<CTM_du01_message>(du("01", "ABCDE1234" "000"));
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getConnectionCount(), 0);
  int id = 0;
  bool operational = false;
  EXPECT_FALSE(telegram->m_getNextConnection(id, operational));
}

TEST(CTM_du01, WritesTheStatusAsADigit) {
  CTM_du01_message state;
  ASSERT_TRUE(state.m_setLogicalConnectID("TP001P002"));
  ASSERT_TRUE(state.m_appendConnection(0, false));
  EXPECT_EQ(writtenAsSeven(state), du("01", "TP001P002" "001" "0000"));
  ASSERT_TRUE(state.m_appendConnection(12, true));
  EXPECT_EQ(writtenAsSeven(state), du("01", "TP001P002" "002" "0000" "0121"));
}

TEST(CTM_du01, StopsAtTheMostConnectionsAndStillFitsADataPart) {
  CTM_du01_message state;
  ASSERT_TRUE(state.m_setLogicalConnectID("TP001P002"));
  for (int i = 0; i < CTM_du01_message::maxConnections; ++i) ASSERT_TRUE(state.m_appendConnection(i, true)) << i;
  EXPECT_FALSE(state.m_appendConnection(246, true));
  const std::string text = writtenAsSeven(state);
  EXPECT_EQ(text.size(), 13u + 996u + 1u);
  auto parsed = parsedAs<CTM_du01_message>(text);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->m_getConnectionCount(), 246);
}

TEST(CTM_du11, HandedOverItem) {
  const std::string text = du("11", "ABCDE1234" "W3212300001" "007");
  auto telegram = parsedAs<CTM_du11_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLogicalConnectID(), "ABCDE1234");
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getConnectionID(), 7);

  CTM_du11_message built;
  ASSERT_TRUE(built.m_setLogicalConnectID("ABCDE1234"));
  ASSERT_TRUE(built.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(built.m_setConnectionID(7));
  EXPECT_EQ(writtenAsSeven(built), text);
}

TEST(CTM_duFactory, KeepAliveAndNoOtherTypes) {
  auto alive = parsedAs<CTM_du00_message>("DU00" "01" "00" "000" "01\n");
  ASSERT_TRUE(alive);
  EXPECT_EQ(written(CTM_du00_message()), "DU00" "01" "00" "000" "01\n");
  for (const char* type : {"02", "10", "12"})
    EXPECT_EQ(CTM_du_message::m_create(du(type, "")), nullptr) << type;
  EXPECT_EQ(refusal(du("02", "")), "CTM_message::m_new(): Unknown message source/destination");
}

INSTANTIATE_TEST_SUITE_P(
    Du, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"StatusNeitherZeroNorOne", du("01", "ABCDE1234" "001" "0002"),
                "Field \"2\" (operationalStatus) doesn't match \"[01]\" ! (offset: 28, field length: 1)"},
        RefusedTelegram{"TooManyConnections", du("01", "ABCDE1234" "247" + repeated("0011", 246)),
                "\"connectionCount\" cannot exceed 246! (Field name connectionCount, offset: 1009, field length: 3)"},
        RefusedTelegram{"ConnectionMissing", du("01", "ABCDE1234" "002" "0001"),
                "2 mandantory fields missing at message end"},
        RefusedTelegram{"LowerCaseConnection", du("11", "abcde1234" "W3212300001" "007"),
                "Field \"abcde1234\" (logical_connect_ID) doesn't match \"[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]"
                "[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]\" ! (offset: 13, field length: 9)"},
        RefusedTelegram{"BlankItemId", du("11", "ABCDE1234" "           " "007"),
                "Field \"           \" (BIT_ID) doesn't match "
                "\"[A-Z][0-9A-Z][0-9A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! (offset: 22, field length: 11)"}),
    refusedName);

}  // namespace
