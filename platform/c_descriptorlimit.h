#pragma once
// c_descriptorLimit: the process's limit of open descriptors. A TM holds one for
// each listener and link and for the files it writes; the common soft limit of
// 1,024 is far below what the system lets it have (the hard limit).

#include <cstdint>

struct c_descriptorLimit {
  // Raises the soft limit to the hard one. The soft limit in force afterwards
  // (the former one when it could not be raised); -1 when it cannot be read.
  static std::int64_t m_raise();
  // The soft limit; -1 when it cannot be read.
  static std::int64_t m_soft();
  // How many more descriptors the process can open now: the soft limit less the
  // descriptors open below it. -1 when that cannot be told (no /proc); 0 also when
  // not even the list of open descriptors can be opened.
  static std::int64_t m_left();
};
