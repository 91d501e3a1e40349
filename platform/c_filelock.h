#pragma once
// c_fileLock: an exclusive lock on a file that a process holds while it runs, so
// that a second process on the same files refuses to start. The lock goes with the
// process (also when it is killed); the file stays and holds the number of the
// process that has the lock, for the message of the one refused. One thread.

#include <string>

class c_fileLock {
 public:
  enum class c_result { taken, held, failed };

  c_fileLock() = default;
  // Gives the lock up.
  ~c_fileLock();
  c_fileLock(const c_fileLock&) = delete;
  c_fileLock& operator=(const c_fileLock&) = delete;

  // Creates the file when it is missing and takes the lock without waiting.
  // held: another process has it (holder: its number as the file tells it, or
  // empty); failed: the file cannot be opened or locked (error: errno).
  c_result m_take(const std::string& path, std::string& holder, int& error);

 private:
  int fd_ = -1;
};
