// Telegrams of one thread each, sharing the static field tables, patterns and
// the factory's table: eight threads parse, write and render at once and every
// result is the one a single thread gets.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ctm_test_telegrams.h"

namespace {

using namespace ctm_test;

TEST(CTM_messageThreads, EightThreadsParseWriteAndRenderTheSameResults) {
  const std::vector<std::string> texts = {
      "YZ01" "01" "07" "031" "01" "0012W3212300001ABCDE_1234-A5678\n",
      "YZ03" "01" "01" "017" "01" "A0200121;00400;42\n",
      "YZ02" "01" "03" "071" "01" "0012" "1234567890" "00000012.50000000" "20240229120000" "LS001"
      "SMITH               " ";\n",
      "YZ01" "01" "07" "031" "01" "0012w3212300001ABCDE_1234-A5678\n"};
  std::vector<std::string> expected;
  for (const std::string& text : texts) expected.push_back(newTelegram(text)->m_asString());

  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::string out;
      for (int round = 0; round < 300; ++round) {
        const std::size_t which = static_cast<std::size_t>(round + t) % texts.size();
        auto telegram = newTelegram(texts[which]);
        if (telegram->m_asString() != expected[which]) ++mismatches;
        if (telegram->m_isValid() && (telegram->m_serialize(out) == 0 || out != texts[which])) ++mismatches;
        if (telegram->m_isExpired()) ++mismatches;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
