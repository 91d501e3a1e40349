// libtm_localnames.so: preloaded into the programs that the tests start
// (tmrun), it makes their name look-ups local before their main runs, as the
// test programs' own main does (c_localnames.h says why). Test code: the
// product looks names up as the machine is set up to.
#include "tests/support/c_localnames.h"

namespace {

[[gnu::constructor]] void lookUpLocalNamesOnly() { c_useLocalNamesOnly(); }

}  // namespace
