// Text handed on in blocks arrives whole and in order; a file is replaced only by a
// complete text, and a text given up or a failed step leaves the older file.
#include "topology/c_filesink.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "tests/support/c_failingfileops.h"
#include "tests/support/c_temphome.h"

namespace {

using namespace std::string_literals;

class SmallBlockSink : public c_textSink {
 public:
  SmallBlockSink() : c_textSink(7) {}
  std::string text_;

 protected:
  void m_take(std::string_view block) override { text_ += block; }
};

TEST(TextSink, PiecesAcrossBlocksArriveWholeAndInOrder) {
  SmallBlockSink sink;
  std::string expected;
  for (const std::string& piece : {""s, "a"s, "0123456"s, "a piece longer than two blocks"s, "nul\0byte"s}) {
    sink += piece;
    sink += '|';
    expected += piece + '|';
  }
  for (long long value : {0LL, -7LL, 1234567890123LL, LLONG_MAX, LLONG_MIN}) {
    sink.m_appendInt(value);
    expected += std::to_string(value);
  }
  sink.m_flush();
  EXPECT_EQ(sink.text_, expected);
}

class FileSinkTest : public ::testing::Test {
 protected:
  void SetUp() override { home_.m_writeFile("view.txt", "the older view\n"); }

  // A text of several blocks, so that the temporary file exists before the commit.
  static std::string m_largeText() {
    std::string text;
    for (int i = 0; text.size() < 3 * c_textSink::defaultBlockSize; ++i) text += std::to_string(i) + '\n';
    return text;
  }
  std::optional<std::string> m_view() const { return home_.m_readFile("view.txt"); }
  bool m_temporaryLeft() const { return home_.m_exists("view.txt.new"); }

  c_tempHome home_;
  const std::string path_ = home_.m_pathOf("view.txt");
};

}  // namespace

TEST_F(FileSinkTest, CommittedTextReplacesTheFileWhole) {
  c_fileSink sink(path_);
  sink += m_largeText();
  EXPECT_EQ(m_view(), "the older view\n");
  ASSERT_TRUE(sink.m_commit());
  EXPECT_EQ(sink.m_getError(), 0);
  EXPECT_EQ(m_view(), m_largeText());
  EXPECT_FALSE(m_temporaryLeft());
}

TEST_F(FileSinkTest, TextGivenUpLeavesTheOlderFile) {
  {
    c_fileSink sink(path_);
    sink += m_largeText();
    EXPECT_TRUE(m_temporaryLeft());
    sink.m_abandon();
  }
  {
    c_fileSink uncommitted(path_);
    uncommitted += m_largeText();
  }
  EXPECT_EQ(m_view(), "the older view\n");
  EXPECT_FALSE(m_temporaryLeft());
}

TEST_F(FileSinkTest, FailedStepLeavesTheOlderFileAndNoTemporary) {
  using c_step = c_failingFileOps::c_step;
  struct c_case {
    c_step step;
    int nth;
    bool olderFile;  // else the swap finds nothing to swap with and the new file is renamed
  };
  for (const c_case& test : {c_case{c_step::open, 1, true}, c_case{c_step::write, 1, true},
                             c_case{c_step::close, 1, true}, c_case{c_step::rename, 1, true},
                             c_case{c_step::rename, 2, false}}) {
    SCOPED_TRACE(static_cast<int>(test.step) * 10 + test.nth);
    if (!test.olderFile) std::filesystem::remove(path_);
    c_failingFileOps files;
    files.m_failNth(test.step, test.nth);
    c_fileSink sink(path_);
    sink += m_largeText();
    EXPECT_FALSE(sink.m_commit());
    EXPECT_NE(sink.m_getError(), 0);
    EXPECT_EQ(m_view(), test.olderFile ? std::optional<std::string>("the older view\n") : std::nullopt);
    EXPECT_FALSE(m_temporaryLeft());
  }
}

TEST_F(FileSinkTest, LinkStaysAndTheFileItNamesIsReplaced) {
  home_.m_writeFile("elsewhere/real.txt", "old\n");
  std::filesystem::remove(path_);
  std::filesystem::create_symlink(home_.m_pathOf("elsewhere/real.txt"), path_);
  c_fileSink sink(path_);
  sink += "new\n";
  ASSERT_TRUE(sink.m_commit());
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(home_.m_readFile("elsewhere/real.txt"), "new\n");
  EXPECT_FALSE(home_.m_exists("elsewhere/real.txt.new"));
}
