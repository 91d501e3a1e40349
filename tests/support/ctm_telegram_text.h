#pragma once
// Small helpers of the telegram tests: frame a data part into a telegram text,
// parse a text into its typed class through the factory, write a telegram, and
// read why a text is refused.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"

namespace ctm_test {

// `id` ("TCTM01"), then the version, sequence number 7, the data length, sub id
// "01", the data part and the line feed.
inline std::string telegramText(std::string_view id, int version, std::string_view data) {
  char header[16];
  std::snprintf(header, sizeof header, "%02d07%03zu01", version, data.size());
  return std::string(id) + header + std::string(data) + "\n";
}

// The text parsed by the factory into its type class; none (after a failed
// expectation that names the error) when it is refused or of another type.
template <class T>
std::unique_ptr<T> parsedAs(std::string_view text) {
  std::unique_ptr<CTM_message> telegram = CTM_message::m_new(text);
  EXPECT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText() << "\n" << text;
  T* typed = dynamic_cast<T*>(telegram.get());
  EXPECT_NE(typed, nullptr) << telegram->m_getId();
  if (typed == nullptr || !telegram->m_isValid()) return nullptr;
  telegram.release();
  return std::unique_ptr<T>(typed);
}

inline std::string written(const CTM_message& telegram) {
  std::string out;
  const int length = telegram.m_serialize(out);
  EXPECT_EQ(length, static_cast<int>(out.size()));
  return out;
}

// With sequence number 7, as telegramText frames it.
inline std::string writtenAsSeven(CTM_message& telegram) {
  telegram.m_setSeqNo(7);
  return written(telegram);
}

// The error text of a text the factory refuses ("" after a failed expectation when it is valid).
inline std::string refusal(std::string_view text) {
  std::unique_ptr<CTM_message> telegram = CTM_message::m_new(text);
  EXPECT_FALSE(telegram->m_isValid()) << text;
  return telegram->m_getErrorText();
}

// A text the factory refuses, with its exact error text. The test itself is
// written once (ctm_refused_telegram_test.cpp); each file lists its cases with
//   INSTANTIATE_TEST_SUITE_P(Pair, CTM_refusedTelegram, testing::Values(...), refusedName);
struct RefusedTelegram {
  const char* name;
  std::string text;
  std::string error;
};

inline void PrintTo(const RefusedTelegram& c, std::ostream* os) { *os << c.name; }
inline std::string refusedName(const testing::TestParamInfo<RefusedTelegram>& info) { return info.param.name; }

class CTM_refusedTelegram : public testing::TestWithParam<RefusedTelegram> {};

}  // namespace ctm_test
