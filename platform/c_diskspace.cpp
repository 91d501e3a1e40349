#include "platform/c_diskspace.h"

#include <sys/statvfs.h>

bool c_diskFreePercent(const std::string& path, int& percent) {
  struct statvfs info;
  if (::statvfs(path.c_str(), &info) != 0 || info.f_blocks == 0) return false;
  percent = static_cast<int>(static_cast<unsigned long long>(info.f_bavail) * 100ULL / info.f_blocks);
  return true;
}
