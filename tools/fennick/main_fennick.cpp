// fennick: registers or deletes the event logs and event sources of TM instances.
//   fennick            the unprefixed set and the instances TM31_ to TM45_
//   fennick -c NAME    the instance with the prefix NAME ("TM32_")
//   fennick -d NAME    deletes the entries of that instance
// Exit status: 0 when every registry call succeeded, 1 when one failed, 2 after
// the usage lines.
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/fennick/ctm_eventlogregistration.h"

namespace {

// The prefix becomes part of key paths, so it must stay one key name.
bool usablePrefix(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

int usage() {
  std::printf("Use fennick [-c TM|-d TM] (create TM / delete TM) from registry.\n");
  std::printf("    fennick (create from TM31_ to TM45_).\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  CTM_eventLogRegistration registration(stdout);
  if (argc == 1) {
    registration.m_create("");
    for (int number = 31; number <= 45; ++number) registration.m_create("TM" + std::to_string(number) + "_");
  } else if (argc == 3 && usablePrefix(argv[2]) && std::string_view(argv[1]) == "-c") {
    registration.m_create(argv[2]);
  } else if (argc == 3 && usablePrefix(argv[2]) && std::string_view(argv[1]) == "-d") {
    registration.m_delete(argv[2]);
  } else {
    return usage();
  }
  return registration.m_allDone() ? 0 : 1;
}
