// The main of every test program: name lookups stay local (c_localnames.h), then
// the tests run.
#include <gtest/gtest.h>

#include "tests/support/c_localnames.h"

int main(int argc, char** argv) {
  c_useLocalNamesOnly();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
