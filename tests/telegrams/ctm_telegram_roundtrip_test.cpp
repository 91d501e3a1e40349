// Every valid telegram writes back exactly its own text: the real telegram
// texts of the seed corpus, and telegrams built at random through the typed
// setters of the test pairs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/support/ctm_test_telegrams.h"

namespace {

using namespace ctm_test;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CTM_messageRoundTrip, EveryValidCorpusTelegramWritesBackItsOwnText) {
  const std::filesystem::path corpus = std::filesystem::path(TM_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_message_new";
  int valid = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string text = readFile(entry.path());
    auto telegram = newTelegram(text);
    if (!telegram->m_isValid()) continue;
    ++valid;
    std::string out;
    telegram->m_serialize(out);
    // A blank-padded header is read but written in its canonical form.
    if (entry.path().filename() == "padded_header") continue;
    EXPECT_EQ(out, text) << entry.path().filename();
  }
  EXPECT_GE(valid, 12);
}

class CTM_messageRandomRoundTrip : public testing::Test {
 protected:
  std::string pick(std::string_view alphabet, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random_() % alphabet.size()];
    return text;
  }
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string bitId() { return pick(" ABCZ", 1) + pick(" 09AZ", 2) + pick(" 0123456789", 8); }
  std::string equipment() {
    return pick("0123456789ABCXYZ", 5) + pick("_/-", 1) + pick("0123456789", 4) + "-" + pick("ABZ", 1) +
           pick("0123456789", 4);
  }
  std::string segment() { return pick("0123456789ABCXYZ", 5); }

  // Writes the telegram, reads the text back and expects the same text again.
  void expectRoundTrip(CTM_message& telegram) {
    telegram.m_setSeqNo(between(-1, 99));
    std::string once;
    ASSERT_GT(telegram.m_serialize(once), 0) << telegram.m_asString();
    auto parsed = newTelegram(once);
    ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText() << "\n" << once;
    std::string twice;
    parsed->m_serialize(twice);
    EXPECT_EQ(twice, once);
    EXPECT_EQ(parsed->m_getId(), telegram.m_getId());
  }

  std::mt19937 random_{20240229};
};

TEST_F(CTM_messageRandomRoundTrip, Reports) {
  for (int round = 0; round < 300; ++round) {
    CTM_yz01_message report;
    ASSERT_TRUE(report.m_setPIC(between(-999, 9999)));
    ASSERT_TRUE(report.m_setBIT_ID(bitId()));
    ASSERT_TRUE(report.m_setEquipmentCode(equipment()));
    expectRoundTrip(report);
  }
}

TEST_F(CTM_messageRandomRoundTrip, EveryFieldType) {
  for (int round = 0; round < 300; ++round) {
    CTM_yz02_message telegram;
    ASSERT_TRUE(telegram.m_setNumber(between(-999, 9999)));
    ASSERT_TRUE(telegram.m_setBigNumber(std::uniform_int_distribution<long>(-999999999L, 9999999999L)(random_)));
    ASSERT_TRUE(telegram.m_setReal(between(-9999999, 9999999) + between(0, 99999999) / 1e8));
    ASSERT_TRUE(telegram.m_setTimeStamp(std::uniform_int_distribution<std::int64_t>(-62135596800, 253402300799)(random_)));
    ASSERT_TRUE(telegram.m_setLS_ID(segment()));
    std::string name;
    for (int i = between(0, 24); i > 0; --i) name += static_cast<char>(between(0, 255));
    ASSERT_TRUE(telegram.m_setPassengerName(name));
    expectRoundTrip(telegram);
  }
}

TEST_F(CTM_messageRandomRoundTrip, SelectorsAndGroups) {
  for (int round = 0; round < 300; ++round) {
    CTM_yz03_message telegram;
    const std::string type = pick("ABN", 1);
    ASSERT_TRUE(telegram.m_setFieldType(type));
    if (type == "A") {
      for (int i = between(0, itemAppendMaximum); i > 0; --i)
        ASSERT_TRUE(telegram.m_appendItem(between(0, 9999), between(0, 1) == 1));
    } else if (type == "B") {
      ASSERT_TRUE(telegram.m_setReal(between(-999999, 999999) / 100.0));
    }
    ASSERT_TRUE(telegram.m_setTrailer(pick("0123456789", 2)));
    expectRoundTrip(telegram);
  }
  for (int round = 0; round < 30; ++round) {
    CTM_yz04_message telegram;
    for (int i = between(0, occupationMaximum); i > 0; --i)
      ASSERT_TRUE(telegram.m_appendOccupation(segment(), pick("AEFN", 1)));
    expectRoundTrip(telegram);
  }
}

TEST_F(CTM_messageRandomRoundTrip, RestOfTelegramTextsOfAnyBytes) {
  for (int round = 0; round < 100; ++round) {
    CTM_yz24_message telegram;
    ASSERT_TRUE(telegram.m_setEventNumber(between(0, 9999)));
    std::string text;
    for (int i = between(0, 995); i > 0; --i) text += static_cast<char>(between(0, 255));
    ASSERT_TRUE(telegram.m_setMessageText(text));
    expectRoundTrip(telegram);
  }
}

}  // namespace
