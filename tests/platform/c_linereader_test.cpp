// Line reading: line ends, lines of any length, bytes kept as they are.
#include "platform/c_linereader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/c_diskspace.h"
#include "tests/support/c_temphome.h"

namespace {

std::vector<std::string> allLines(c_lineReader& reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.m_readLine(line)) lines.push_back(line);
  return lines;
}

struct SplitCase {
  const char* what;
  std::string text;
  std::vector<std::string> lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.what; }
};

class LineSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitTest, SplitsTextIntoLines) {
  c_lineReader reader;
  reader.m_openText(GetParam().text);
  EXPECT_EQ(allLines(reader), GetParam().lines);
  EXPECT_FALSE(reader.m_failed());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineSplitTest,
    ::testing::Values(SplitCase{"Empty", "", {}},
                      SplitCase{"CarriageReturnLineFeed", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"LineFeedAlone", "a\nb\n", {"a", "b"}},
                      SplitCase{"MixedEnds", "a\r\nb\nc\r\n", {"a", "b", "c"}},
                      SplitCase{"LastLineWithoutEnd", "a\r\nb", {"a", "b"}},
                      SplitCase{"LastLineEndsInCarriageReturn", "a\r\nb\r", {"a", "b"}},
                      SplitCase{"EmptyLinesCount", "\n\r\n\n", {"", "", ""}},
                      SplitCase{"CarriageReturnInsideStays", "a\rb\r\r\n", {"a\rb\r"}},
                      SplitCase{"NulBytesStay", std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}}),
    [](const auto& info) { return std::string(info.param.what); });

class LineFileTest : public ::testing::Test {
 protected:
  c_tempHome home_;
};

TEST_F(LineFileTest, ReadsLinesLongerThanAnyBufferWhole) {
  const std::string huge(300'000, 'x');
  const std::string content = "short\r\n" + huge + "\r\n" + huge + "y\n" + "end";
  home_.m_writeFile("lines.txt", content);
  c_lineReader reader;
  ASSERT_TRUE(reader.m_open(home_.m_pathOf("lines.txt")));
  EXPECT_EQ(allLines(reader), (std::vector<std::string>{"short", huge, huge + "y", "end"}));
  EXPECT_FALSE(reader.m_failed());
}

TEST_F(LineFileTest, CarriageReturnLineFeedAcrossAChunkBoundary) {
  // A line end split between two reads still ends the line once.
  std::string first(64 * 1024 - 1, 'a');
  home_.m_writeFile("edge.txt", first + "\r\nb\r\n");
  c_lineReader reader;
  ASSERT_TRUE(reader.m_open(home_.m_pathOf("edge.txt")));
  EXPECT_EQ(allLines(reader), (std::vector<std::string>{first, "b"}));
}

TEST_F(LineFileTest, MissingFileDoesNotOpen) {
  c_lineReader reader;
  EXPECT_FALSE(reader.m_open(home_.m_pathOf("missing.txt")));
  std::string line;
  EXPECT_FALSE(reader.m_readLine(line));
}

TEST_F(LineFileTest, ReadErrorIsToldApartFromTheEnd) {
  c_lineReader reader;
  ASSERT_TRUE(reader.m_open(home_.m_pathOf("run")));  // a folder opens but cannot be read
  std::string line;
  EXPECT_FALSE(reader.m_readLine(line));
  EXPECT_TRUE(reader.m_failed());
}

TEST_F(LineFileTest, DiskFreeIsAPercentage) {
  int percent = -1;
  EXPECT_TRUE(c_diskFreePercent(home_.m_path(), percent));
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
  EXPECT_FALSE(c_diskFreePercent(home_.m_pathOf("no/such/folder"), percent));
}

}  // namespace
