// Several threads using the store at once: every operation holds the one
// configuration mutex, so no update is lost and no rewrite tears the file.
#include <thread>

#include "tests/core/config_fixture.h"

namespace {

class ConfigThreadsTest : public ConfigFixture {};

TEST_F(ConfigThreadsTest, ConcurrentUpdatesAreNeitherLostNorTorn) {
  home_.m_writeConfig({c_parameterLine("P", "Level", "1", "I", "3")});
  home_.m_writeSystem("TM32", {c_parameterLine("T", "Items", "2", "I", "0"),
                               c_parameterLine("P", "Port", "3", "I", "0", "0", "100000")});
  ASSERT_TRUE(CTM_config::m_init("TM32"));
  ASSERT_TRUE(CTM_config::m_setInteger("Items", 0));

  constexpr int threads = 4;
  constexpr int rounds = 50;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([t] {
      for (int i = 0; i < rounds; ++i) {
        CTM_config::m_addToIntegerByIndex(2, 1);
        CTM_config::m_setInteger("Port", t * 1000 + i);
        int level = 0;
        CTM_config::m_getInteger("Level", level);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();

  int items = 0;
  EXPECT_TRUE(CTM_config::m_getInteger("Items", items));
  EXPECT_EQ(items, threads * rounds);
  int port = 0;
  CTM_config::m_getInteger("Port", port);
  // The file holds the last value written, whole.
  std::string file = *home_.m_readFile(c_tempHome::m_systemFileName("TM32"));
  EXPECT_EQ(file, c_parameterLine("T", "Items", "2", "I", "0") + "\r\n" +
                      c_parameterLine("P", "Port", "3", "I", std::to_string(port), "0", "100000") + "\r\n");
}

}  // namespace
