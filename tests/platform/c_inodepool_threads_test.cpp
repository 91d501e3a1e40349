#include "platform/c_appendfileset.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/c_descriptorsqueeze.h"
#include "tests/support/c_resourcebaseline.h"
#include "tests/support/c_tempfolder.h"

namespace fs = std::filesystem;

namespace {

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The refill thread works on its own: the test waits until it has done what is asked.
bool eventually(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}

// The inodes of this process's descriptors for anonymous files (linked nowhere).
std::set<ino_t> anonymousInodes() {
  std::set<ino_t> inodes;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    struct stat status {};
    std::error_code error;
    const std::string target = fs::read_symlink(entry.path(), error).string();
    if (!error && target.ends_with("(deleted)") && ::stat(entry.path().c_str(), &status) == 0 && status.st_nlink == 0)
      inodes.insert(status.st_ino);
  }
  return inodes;
}

// How many descriptors another part of the process could take now.
int freeDescriptors() {
  std::vector<int> taken;
  for (int descriptor = ::dup(STDERR_FILENO); descriptor >= 0; descriptor = ::dup(STDERR_FILENO))
    taken.push_back(descriptor);
  for (int descriptor : taken) ::close(descriptor);
  return static_cast<int>(taken.size());
}

class InodePoolTest : public ::testing::Test {
 protected:
  std::string pathOf(const std::string& name) const { return (folder_ / name).string(); }
  // A first create names the folder, and the set holds spares for it.
  ::testing::AssertionResult m_primed(c_appendFileSet& set, std::size_t spares) {
    c_appendFileSet::c_opened first;
    int error = 0;
    if (!set.m_open(pathOf("first.trc"), first, error)) return ::testing::AssertionFailure() << "first open";
    set.m_close(first.member);
    if (!eventually([&] { return set.m_heldCount() >= spares; }))
      return ::testing::AssertionFailure() << "spares " << set.m_heldCount();
    return ::testing::AssertionSuccess();
  }
  c_resourceBaseline baseline_;
  c_tempFolder temp_{"tm_inodepool"};
  const fs::path& folder_ = temp_.m_path();
};

struct c_createCase {
  const char* name;
  mode_t umask;
  const char* before;  // the file's content before the open; null: no file
};

class InodePoolCreateTest : public InodePoolTest, public ::testing::WithParamInterface<c_createCase> {};

// Made from a spare inode or not, a file ends up the same: content, mode, owner,
// and what the open tells; a file that is there is appended to, never replaced.
TEST_P(InodePoolCreateTest, AFileMadeFromASpareIsTheFileAPlainCreateMakes) {
  const c_createCase& c = GetParam();
  const mode_t savedUmask = ::umask(c.umask);
  {
    c_appendFileSet withSpares;
    c_appendFileSet plain;
    withSpares.m_startSpareInodes();
    // A full pool, so that none comes while the spares are listed.
    ASSERT_TRUE(m_primed(withSpares, c_inodePool::defaultSize));
    const std::set<ino_t> spares = anonymousInodes();
    for (const char* name : {"spare.trc", "plain.trc"})
      if (c.before != nullptr) std::ofstream(pathOf(name), std::ios::binary) << c.before;
    struct stat before {};
    const bool wasThere = ::stat(pathOf("spare.trc").c_str(), &before) == 0;
    c_appendFileSet::c_opened viaSpare;
    c_appendFileSet::c_opened viaPlain;
    int error = 0;
    ASSERT_TRUE(withSpares.m_open(pathOf("spare.trc"), viaSpare, error));
    ASSERT_TRUE(plain.m_open(pathOf("plain.trc"), viaPlain, error));
    for (const char* record : {"one\n", "two\n"}) {
      ASSERT_TRUE(withSpares.m_append(viaSpare.member, pathOf("spare.trc"), record, error));
      ASSERT_TRUE(plain.m_append(viaPlain.member, pathOf("plain.trc"), record, error));
    }
    EXPECT_EQ(viaSpare.created, viaPlain.created);
    EXPECT_EQ(viaSpare.sizeAtOpen, viaPlain.sizeAtOpen);
    EXPECT_EQ(contentsOf(pathOf("spare.trc")), contentsOf(pathOf("plain.trc")));
    EXPECT_EQ(contentsOf(pathOf("spare.trc")), std::string(c.before != nullptr ? c.before : "") + "one\ntwo\n");
    struct stat spareStatus {};
    struct stat plainStatus {};
    ASSERT_EQ(::stat(pathOf("spare.trc").c_str(), &spareStatus), 0);
    ASSERT_EQ(::stat(pathOf("plain.trc").c_str(), &plainStatus), 0);
    EXPECT_EQ(spareStatus.st_mode, plainStatus.st_mode);
    EXPECT_EQ(spareStatus.st_uid, plainStatus.st_uid);
    EXPECT_EQ(spareStatus.st_gid, plainStatus.st_gid);
    EXPECT_EQ(spareStatus.st_nlink, 1u);
    if (c.before == nullptr)
      EXPECT_EQ(spares.count(spareStatus.st_ino), 1u) << "the new file is one of the spares";
    else
      EXPECT_TRUE(wasThere && spareStatus.st_ino == before.st_ino) << "the file there was kept";
    withSpares.m_close(viaSpare.member);
    plain.m_close(viaPlain.member);
    withSpares.m_stopSpareInodes();
    EXPECT_EQ(withSpares.m_heldCount(), 0u);
  }
  ::umask(savedUmask);
  EXPECT_TRUE(baseline_.m_isBack());
}

INSTANTIATE_TEST_SUITE_P(Creates, InodePoolCreateTest,
                         ::testing::Values(c_createCase{"Missing", 022, nullptr},
                                           c_createCase{"MissingUnderAStricterUmask", 077, nullptr},
                                           c_createCase{"ThereAlready", 022, "old\n"}),
                         [](const ::testing::TestParamInfo<c_createCase>& info) { return std::string(info.param.name); });

// A set whose spares are stopped, or that never started them, or whose spares
// live on another file system, creates its files as before.
TEST_F(InodePoolTest, WithoutAUsableSpareAFileIsCreatedAsBefore) {
  const fs::path elsewhere = fs::path("/dev/shm") / folder_.filename();
  ASSERT_TRUE(fs::create_directory(elsewhere));
  {
    c_appendFileSet set;
    int error = 0;
    const auto createsWhole = [&](const std::string& path) {
      c_appendFileSet::c_opened opened;
      const bool done = set.m_open(path, opened, error) && opened.created &&
                        set.m_append(opened.member, path, "record\n", error) && contentsOf(path) == "record\n";
      set.m_close(opened.member);
      return done;
    };
    EXPECT_TRUE(createsWhole(pathOf("never.trc")));
    set.m_startSpareInodes();
    ASSERT_TRUE(m_primed(set, 1));
    EXPECT_TRUE(createsWhole((elsewhere / "other.trc").string()));
    set.m_stopSpareInodes();
    EXPECT_EQ(set.m_heldCount(), 0u);
    EXPECT_TRUE(createsWhole(pathOf("stopped.trc")));
  }
  fs::remove_all(elsewhere);
  EXPECT_TRUE(baseline_.m_isBack());
}

// Under a limit of 64 the set's share is four descriptors, spares included.
// Once the free descriptors are down to the reserve a spare is not used: it goes,
// and what is left free stays for the links. Later, spares come again.
TEST_F(InodePoolTest, SparesCountInTheShareAndGiveWayAtTheLimit) {
  constexpr int limit = 64;
  constexpr int lowestFree = limit - limit / 8;
  {
    c_descriptorSqueeze squeeze(limit);
    ASSERT_TRUE(squeeze.m_isLowered());
    c_appendFileSet set;
    set.m_startSpareInodes();
    ASSERT_TRUE(m_primed(set, 1));
    int error = 0;
    std::vector<c_appendFileSet::c_opened> members(10);
    for (std::size_t i = 0; i < members.size(); ++i) {
      const std::string path = pathOf(std::to_string(i) + ".trc");
      ASSERT_TRUE(set.m_open(path, members[i], error)) << i;
      EXPECT_LE(set.m_heldCount(), 4u);
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
      const std::string path = pathOf(std::to_string(i) + ".trc");
      ASSERT_TRUE(set.m_append(members[i].member, path, "record\n", error));
      EXPECT_EQ(contentsOf(path), "record\n");
      set.m_close(members[i].member);
    }
    ASSERT_TRUE(m_primed(set, 1));
    squeeze.m_takeUpTo(lowestFree);
    c_appendFileSet::c_opened refused;
    EXPECT_FALSE(set.m_open(pathOf("refused.trc"), refused, error));
    EXPECT_EQ(error, EMFILE);
    EXPECT_FALSE(fs::exists(pathOf("refused.trc")));
    // The refill may try once more meanwhile; it keeps nothing.
    EXPECT_TRUE(eventually([&] { return set.m_heldCount() == 0 && freeDescriptors() >= limit - lowestFree + 1; }));
    squeeze.m_release();
    ASSERT_TRUE(m_primed(set, 1));
    set.m_stopSpareInodes();
  }
  EXPECT_TRUE(baseline_.m_isBack());
}

// Segments create their files at once while the one thread refills; every file
// gets its records whole, and the thread runs from the first start to the last stop.
TEST_F(InodePoolTest, FilesCreatedInParallelFromSparesKeepTheirRecords) {
  constexpr int creators = 4;
  constexpr int filesEach = 40;
  {
    c_appendFileSet set;
    set.m_startSpareInodes();
    set.m_startSpareInodes();
    set.m_stopSpareInodes();
    ASSERT_TRUE(m_primed(set, 2));
    std::vector<std::thread> threads;
    for (int t = 0; t < creators; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < filesEach; ++i) {
          const std::string path = pathOf(std::to_string(t) + "_" + std::to_string(i) + ".trc");
          c_appendFileSet::c_opened opened;
          int error = 0;
          if (!set.m_open(path, opened, error)) continue;
          set.m_append(opened.member, path, path + " 1\n", error);
          set.m_append(opened.member, path, path + " 2\n", error);
          set.m_close(opened.member);
        }
      });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < creators; ++t)
      for (int i = 0; i < filesEach; ++i) {
        const std::string path = pathOf(std::to_string(t) + "_" + std::to_string(i) + ".trc");
        EXPECT_EQ(contentsOf(path), path + " 1\n" + path + " 2\n");
      }
    set.m_stopSpareInodes();
    EXPECT_EQ(set.m_heldCount(), 0u);
  }
  EXPECT_TRUE(baseline_.m_isBack());
}

}  // namespace
