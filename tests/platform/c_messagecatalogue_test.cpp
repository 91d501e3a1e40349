#include "platform/c_messagecatalogue.h"

#include <gtest/gtest.h>

#include "tm_events.h"

namespace {

struct FormatCase {
  const char* text;
  std::vector<std::string> strings;
  const char* expected;
};

class CFormatMessage : public ::testing::TestWithParam<FormatCase> {};

TEST_P(CFormatMessage, FillsTheTextAsTheEventLogDoes) {
  EXPECT_EQ(c_formatMessage(GetParam().text, GetParam().strings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CFormatMessage,
    ::testing::Values(FormatCase{"%1 and %2", {"a", "b"}, "a and b"},
                      FormatCase{"%2%1", {"a", "b"}, "ba"},
                      FormatCase{"inserted %1 is not expanded", {"%2 %% %n"}, "inserted %2 %% %n is not expanded"},
                      FormatCase{"%3 is beyond", {"a", "b"}, "%3 is beyond"},
                      FormatCase{"%1 of none", {}, "%1 of none"},
                      FormatCase{"100%% sure", {}, "100% sure"},
                      FormatCase{"line%nbreak", {}, "line\r\nbreak"},
                      FormatCase{"%12|%123", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "twelve"},
                                 "twelve|twelve3"},
                      FormatCase{"%10 needs ten", {"one"}, "%10 needs ten"},
                      FormatCase{"%0 %a %", {"x"}, "%0 %a %"},
                      FormatCase{"%99", std::vector<std::string>(99, "z"), "z"},
                      FormatCase{"", {"x"}, ""}));

TEST(CMessageCatalogue, ReadsMessageAndCategoryTexts) {
  c_messageCatalogue catalogue;
  catalogue.m_loadText(
      "# comment\n"
      "C\t1\tGeneral events\\r\\n\n"
      "M\tC00027DC\tThread %1 \\\\ tab\\there\\r\\n\r\n"
      "M\tnot hex\tignored\n"
      "M\tC0000001\tbad escape \\q\n"
      "X\t1\tunknown kind\n"
      "M\tC0000002\n"
      "M\tc0000003\tlower-case id\\r\\n");
  std::string text;
  ASSERT_TRUE(catalogue.m_messageText(0xC00027DCu, text));
  EXPECT_EQ(text, "Thread %1 \\ tab\there\r\n");
  ASSERT_TRUE(catalogue.m_categoryText(1, text));
  EXPECT_EQ(text, "General events\r\n");
  ASSERT_TRUE(catalogue.m_messageText(0xC0000003u, text));
  EXPECT_FALSE(catalogue.m_messageText(0xC0000001u, text));
  EXPECT_FALSE(catalogue.m_messageText(0xC0000002u, text));
  EXPECT_FALSE(catalogue.m_categoryText(2, text));
}

TEST(CMessageCatalogue, TheBuiltMessageFileHoldsEveryEventAndBothCategories) {
  c_messageCatalogue catalogue;
  ASSERT_TRUE(catalogue.m_load(std::string(TM_BIN_DIR) + "/logging.dll"));
  std::string text;
  for (int category : {1, 2}) {
    ASSERT_TRUE(catalogue.m_categoryText(category, text)) << category;
    EXPECT_TRUE(text.size() > 2 && text.ends_with("\r\n")) << category;
  }
  for (const ev::c_eventInfo& event : ev::allEvents) {
    ASSERT_TRUE(catalogue.m_messageText(event.id, text)) << event.name;
    EXPECT_TRUE(text.ends_with("\r\n")) << event.name;
    EXPECT_EQ(text, std::string(event.text) + "\r\n") << event.name;
  }
  EXPECT_FALSE(catalogue.m_load(std::string(TM_BIN_DIR) + "/no-such-file.dll"));
}

// The configuration store raises these with one string at start-up and with the
// calling function before it on a re-read: both read as sentences.
TEST(CMessageCatalogue, EventsRaisedWithFewerStringsHaveTheirOwnText) {
  c_messageCatalogue catalogue;
  ASSERT_TRUE(catalogue.m_load(std::string(TM_BIN_DIR) + "/logging.dll"));
  const std::string function = "CTM_config::m_reloadConfigParameterFile";
  const struct {
    unsigned id;
    std::vector<std::string> strings;
    std::string expected;
  } cases[] = {
      {ev::CFG_READING, {"/tm/cfg.txt"}, "Reading the parameter file /tm/cfg.txt\r\n"},
      {ev::CFG_READING, {function, "/tm/cfg.txt"}, function + ": reading the parameter file /tm/cfg.txt\r\n"},
      {ev::CFG_HEADER_SKIPPED, {"2"}, "Header lines skipped: 2\r\n"},
      {ev::CFG_HEADER_SKIPPED, {function, "2"}, function + ": header lines skipped: 2\r\n"},
  };
  for (const auto& [id, strings, expected] : cases) {
    std::string text;
    ASSERT_TRUE(catalogue.m_messageText(id, strings.size(), text));
    EXPECT_EQ(c_formatMessage(text, strings), expected);
  }
  std::string own, fallback;
  ASSERT_TRUE(catalogue.m_messageText(ev::CFG_FILE_MISSING, own));
  ASSERT_TRUE(catalogue.m_messageText(ev::CFG_FILE_MISSING, 1, fallback));
  EXPECT_EQ(fallback, own);
}

}  // namespace}  // namespace
