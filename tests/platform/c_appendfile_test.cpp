#include "platform/c_appendfile.h"
#include "platform/c_appendfileset.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/c_errortext.h"
#include "platform/c_filesystem.h"
#include "tests/support/c_descriptorsqueeze.h"
#include "tests/support/c_resourcebaseline.h"
#include "tests/support/c_tempfolder.h"

namespace fs = std::filesystem;

class AppendFileTest : public ::testing::Test {
 protected:
  static std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  c_tempFolder temp_{"tm_appendfile"};
  const fs::path& folder_ = temp_.m_path();
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

// A record that does not fit under the file size limit is written in part and
// then refused: the part is taken back, and the file ends after the last whole record.
TEST_F(AppendFileTest, ARecordCutShortIsTakenBack) {
  const std::string path = (folder_ / "a.trc").string();
  int error = 0;
  c_appendFile file;
  ASSERT_TRUE(file.m_open(path, error));
  ASSERT_TRUE(file.m_append("one\n", error));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool appended = file.m_append("a record too long\n", error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedSignal);
  EXPECT_FALSE(appended);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(contentsOf(path), "one\n");
}

class AppendFileSetTest : public AppendFileTest {
 protected:
  std::string pathOf(int i) const { return (folder_ / ("f" + std::to_string(i) + ".trc")).string(); }
};

// Records of many members written in turn land whole and in order in each file,
// while the set never holds more descriptors than its share.
TEST_F(AppendFileSetTest, MoreMembersThanItHoldsKeepEveryRecordInOrderWithinItsDescriptors) {
  constexpr int members = 40;
  constexpr std::size_t largest = 4;
  const int descriptorsBefore = c_resourceBaseline::m_descriptorCount();
  c_appendFileSet set(largest);
  std::vector<c_appendFileSet::c_member> ids;
  int error = 0;
  for (int i = 0; i < members; ++i) {
    c_appendFileSet::c_opened opened;
    ASSERT_TRUE(set.m_open(pathOf(i), opened, error)) << i;
    EXPECT_TRUE(opened.created);
    ids.push_back(opened.member);
  }
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < members; ++i)
      ASSERT_TRUE(set.m_append(ids[i], pathOf(i), std::to_string(i) + " record " + std::to_string(round) + "\n", error));
  EXPECT_LE(set.m_heldCount(), largest);
  EXPECT_LE(c_resourceBaseline::m_descriptorCount(), descriptorsBefore + static_cast<int>(largest));
  for (int i = 0; i < members; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(contentsOf(pathOf(i)), n + " record 0\n" + n + " record 1\n" + n + " record 2\n");
  }
  for (auto id : ids) set.m_close(id);
  EXPECT_EQ(set.m_heldCount(), 0u);
  EXPECT_EQ(c_resourceBaseline::m_descriptorCount(), descriptorsBefore);
}

struct c_limitCase {
  const char* name;
  int lowestFree;  // descriptors below this are taken by the rest of the process
  bool opens;
};

class AppendFileSetLimitTest : public AppendFileSetTest, public ::testing::WithParamInterface<c_limitCase> {};

// Under a limit of 64 the rest of the process keeps an eighth free: a file that
// would take one of those is not opened, the set hands back what it held, the
// free descriptors stay for others, and once descriptors are free again files
// open again.
TEST_P(AppendFileSetLimitTest, AFileIsOpenedOnlyWhileTheReserveStaysFree) {
  constexpr int limit = 64;
  c_descriptorSqueeze squeeze(limit);
  ASSERT_TRUE(squeeze.m_isLowered());
  c_appendFileSet set;
  int error = 0;
  c_appendFileSet::c_opened held;
  ASSERT_TRUE(set.m_open(pathOf(0), held, error));
  ASSERT_EQ(set.m_heldCount(), 1u);

  squeeze.m_takeUpTo(GetParam().lowestFree);
  c_appendFileSet::c_opened opened;
  error = 0;
  EXPECT_EQ(set.m_open(pathOf(1), opened, error), GetParam().opens);
  if (GetParam().opens) {
    EXPECT_EQ(set.m_heldCount(), 2u);
  } else {
    EXPECT_EQ(error, EMFILE);
    EXPECT_EQ(set.m_heldCount(), 0u);
    EXPECT_FALSE(fs::exists(pathOf(1)));
    // What is left free, the descriptor the set held included, is the others'.
    EXPECT_GE(squeeze.m_takeUpTo(limit), limit - GetParam().lowestFree + 1);
  }
  squeeze.m_release();
  c_appendFileSet::c_opened later;
  EXPECT_TRUE(set.m_open(pathOf(2), later, error));
  EXPECT_TRUE(set.m_append(held.member, pathOf(0), "after\n", error));
  EXPECT_EQ(contentsOf(pathOf(0)), "after\n");
}

INSTANTIATE_TEST_SUITE_P(Descriptors, AppendFileSetLimitTest,
                         ::testing::Values(c_limitCase{"RoomToSpare", 20, true},
                                           c_limitCase{"DownToTheReserve", 64 - 64 / 8, false},
                                           c_limitCase{"NoneLeft", 64, false}),
                         [](const ::testing::TestParamInfo<c_limitCase>& info) { return std::string(info.param.name); });
