#include "platform/c_appendfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/c_errortext.h"
#include "platform/c_filesystem.h"

namespace fs = std::filesystem;

class AppendFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tm_appendfile_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  static std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  fs::path folder_;
};

TEST_F(AppendFileTest, KnowsWhetherItCreatedTheFileAndHowLongItWas) {
  const fs::path path = folder_ / "a.trc";
  int error = 0;
  {
    c_appendFile file;
    ASSERT_TRUE(file.m_open(path.string(), error));
    EXPECT_TRUE(file.m_createdByOpen());
    EXPECT_EQ(file.m_sizeAtOpen(), 0);
    EXPECT_TRUE(file.m_append("one\n", error));
  }
  c_appendFile again;
  ASSERT_TRUE(again.m_open(path.string(), error));
  EXPECT_FALSE(again.m_createdByOpen());
  EXPECT_EQ(again.m_sizeAtOpen(), 4);
  EXPECT_TRUE(again.m_append("two\n", error));
  EXPECT_EQ(contentsOf(path), "one\ntwo\n");
  EXPECT_TRUE(again.m_truncate(again.m_sizeAtOpen(), error));
  EXPECT_EQ(contentsOf(path), "one\n");
}

TEST_F(AppendFileTest, FailuresGiveTheSystemError) {
  int error = 0;
  c_appendFile file;
  EXPECT_FALSE(file.m_append("x", error));
  EXPECT_EQ(error, EBADF);
  EXPECT_FALSE(file.m_open((folder_ / "missing" / "a.trc").string(), error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(file.m_isOpen());
  ASSERT_TRUE(file.m_open("/dev/full", error));
  EXPECT_FALSE(file.m_append("x", error));
  EXPECT_EQ(error, ENOSPC);
  EXPECT_FALSE(c_systemErrorText(ENOSPC).empty());
}
