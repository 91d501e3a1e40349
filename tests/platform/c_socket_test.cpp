#include "platform/c_socket.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(SocketNames, DottedAddressesAreReadExactly) {
  struct c_case {
    const char* text;
    bool dotted;
    std::uint32_t address;
  };
  const c_case cases[] = {{"127.0.0.2", true, 0x7F000002},  {"255.255.255.255", true, 0xFFFFFFFF},
                          {"0.0.0.0", true, 0},             {"256.0.0.1", false, 0},
                          {"1.2.3", false, 0},              {"1.2.3.4.5", false, 0},
                          {"1.2.3.4 ", false, 0},           {"1..3.4", false, 0},
                          {"tc01.plant", false, 0},         {"", false, 0}};
  for (const c_case& c : cases) {
    SCOPED_TRACE(c.text);
    std::uint32_t address = 0;
    EXPECT_EQ(c_parseDottedAddress(c.text, address), c.dotted);
    if (c.dotted) {
      EXPECT_EQ(address, c.address);
      EXPECT_EQ(c_dottedAddress(address), c.text);
    }
  }
}

TEST(SocketNames, ADottedHostIsUsedAsGivenAndANameIsLookedUpForward) {
  std::uint32_t address = 0;
  c_socketFailure failure;
  // An address without any reverse name.
  ASSERT_TRUE(c_resolveHost("10.255.255.254", address, failure));
  EXPECT_EQ(address, 0x0AFFFFFEu);
  ASSERT_TRUE(c_resolveHost("localhost", address, failure));
  EXPECT_EQ(c_dottedAddress(address), "127.0.0.1");
}

}  // namespace
