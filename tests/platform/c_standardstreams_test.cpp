// A thread that serves peers writes its diagnostics to a standard stream that
// nobody may read: a line the stream cannot take now is dropped, never waited for.
#include "platform/c_standardstreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string drain(int readEnd) {
  std::string text;
  char block[4096];
  ssize_t got = 0;
  while ((got = ::read(readEnd, block, sizeof block)) > 0) text.append(block, static_cast<std::size_t>(got));
  return text;
}

TEST(StandardStreams, AWriteNowToAFullStreamIsDroppedAndTheNextOneWithRoomWritten) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  const char block[4096] = {};
  while (::write(ends[1], block, sizeof block) > 0) {
  }
  ASSERT_EQ(::fcntl(ends[1], F_SETFL, 0), 0);  // a stream blocks as a starter leaves it
  const int saved = ::dup(c_standardStreams::error);
  ASSERT_GE(saved, 0);
  ::dup2(ends[1], c_standardStreams::error);

  const bool full = c_standardStreams::m_writeNow(c_standardStreams::error, "ERROR: dropped\n");
  const std::size_t filled = drain(ends[0]).size();
  const bool withRoom = c_standardStreams::m_writeNow(c_standardStreams::error, "ERROR: written\n");

  ::dup2(saved, c_standardStreams::error);
  ::close(saved);
  ::close(ends[1]);
  EXPECT_FALSE(full);
  EXPECT_GT(filled, 0u);
  EXPECT_TRUE(withRoom);
  EXPECT_EQ(drain(ends[0]), "ERROR: written\n");
  ::close(ends[0]);
}

}  // namespace
