#include "links/ctm_telegramframing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/core/config_fixture.h"
#include "tests/support/c_buffersource.h"
#include "tests/support/ctm_telegram_text.h"
#include "telegrams/ctm_message.h"

namespace {

class TelegramFramingTest : public ConfigFixture {
 protected:
  bool m_read(std::string_view bytes, bool noTerminator = false) {
    c_bufferSource source(bytes);
    CTM_telegramFraming framing(noTerminator);
    return framing.m_read(source, telegram_);
  }
  std::vector<std::string> m_rawTexts() const {
    std::vector<std::string> texts;
    for (const CTM_loggedEvent& event : events_.m_eventsWithId(ev::LOG_TELEGRAM_TEXT))
      if (event.category == 0) texts.push_back(event.strings.at(0));
    return texts;
  }

  std::unique_ptr<CTM_message> telegram_;
};

struct c_framedCase {
  const char* name;
  std::string bytes;
  bool noTerminator;
  std::string rawTelegram;  // what the factory got
  std::string logged;       // the raw telegram text as logged
  std::string readEvent;    // argument of TELEGRAM_READ
};

TEST_F(TelegramFramingTest, BothHeaderFormsWithAndWithoutDataAndTerminator) {
  const std::string keepAliveB = ctm_test::telegramText("TCTM00", 1, "");
  const std::string keepAliveA = ctm_test::telegramText("MT00", 1, "");
  const std::string item =
      "W3212300001" "0123456789" "LH 1234 20240229" "Y" "FRA" "1" "ABCD" "MUELLER HANS        ";
  const std::string withData = ctm_test::telegramText("MT01", 1, item);
  const std::string noLineFeed = keepAliveA.substr(0, keepAliveA.size() - 1);
  const c_framedCase cases[] = {
      {"form B, length 000", keepAliveB, false, keepAliveB, "TCTM00010700001\\n", "TCTM00"},
      {"form A, length 000", keepAliveA, false, keepAliveA, "MT00010700001\\n", "MT00"},
      {"form A with data", withData, false, withData, "MT01010706601" + item + "\\n", "MT01"},
      {"no terminator", noLineFeed + "MT", true, keepAliveA, "MT00010700001", "MT00"},
  };
  for (const c_framedCase& c : cases) {
    SCOPED_TRACE(c.name);
    events_.m_clear();
    ASSERT_TRUE(m_read(c.bytes, c.noTerminator));
    ASSERT_NE(telegram_, nullptr);
    EXPECT_EQ(telegram_->m_getRawTelegram(), c.rawTelegram);
    EXPECT_TRUE(telegram_->m_isValid()) << telegram_->m_getErrorText();
    EXPECT_EQ(m_rawTexts(), std::vector<std::string>{c.logged});
    EXPECT_EQ(m_argumentsOf(ev::TELEGRAM_READ), std::vector<std::vector<std::string>>{{c.readEvent}});
  }
}

TEST_F(TelegramFramingTest, ATextThatDoesNotParseIsReturnedAsAnInvalidTelegram) {
  const std::string unknown = ctm_test::telegramText("MT99", 1, "");
  ASSERT_TRUE(m_read(unknown));
  EXPECT_FALSE(telegram_->m_isValid());
  EXPECT_EQ(m_argumentsOf(ev::TELEGRAM_INVALID), std::vector<std::vector<std::string>>{{"MT99010700001\\n"}});
}

struct c_refusedCase {
  const char* name;
  std::string bytes;
  unsigned event;                  // 0: none
  std::vector<std::string> eventArguments;
  std::vector<std::string> logged;  // raw texts logged as "UNK"
};

TEST_F(TelegramFramingTest, RefusedFramesLeaveNoTelegram) {
  const c_refusedCase cases[] = {
      {"digit at 2, no digits at 8-10", "MT0001XX0AB01\n", ev::TCP_BAD_HEADER, {"MT0001XX0AB01"}, {}},
      {"letter at 2, no digits at 10-12", "TCTM000107XXX01\n", ev::TCP_BAD_HEADER, {"TCTM000107XXX"}, {}},
      {"lower-case letter at 2", "TCtm0001070000001\n", ev::TCP_BAD_HEADER, {"TCtm000107000"}, {}},
      {"bad trailer", "MT00010700001X", ev::TCP_BAD_TRAILER, {"X"}, {"MT00010700001X"}},
      {"body cut short", "MT01010700701" "0012", 0, {}, {"MT01010700701"}},
      {"trailer missing", "MT01010700701" "0012ABC", 0, {}, {"MT01010700701" "0012ABC"}},
      {"header cut short", "MT000107", 0, {}, {}},
      {"form B header cut short", "TCTM000107000", 0, {}, {}},
  };
  for (const c_refusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    events_.m_clear();
    EXPECT_FALSE(m_read(c.bytes));
    EXPECT_EQ(telegram_, nullptr);
    if (c.event != 0) {
      EXPECT_EQ(m_argumentsOf(c.event), std::vector<std::vector<std::string>>{c.eventArguments});
    }
    EXPECT_EQ(m_rawTexts(), c.logged);
    EXPECT_EQ(events_.m_count(ev::TELEGRAM_READ), 0u);
  }
}

TEST_F(TelegramFramingTest, FormBsTwoExtraHeaderBytesAreNotCountedInTheDataLength) {
  // Data length 003: the two sub-id bytes after byte 12 belong to the header.
  const std::string text = "TCTM990107003" "01" "abc\n" "next";
  c_bufferSource source(text);
  CTM_telegramFraming framing(false);
  ASSERT_TRUE(framing.m_read(source, telegram_));
  EXPECT_EQ(telegram_->m_getRawTelegram(), "TCTM99010700301abc\n");
  EXPECT_EQ(source.m_position(), text.size() - 4);
}

// Header at once, then each later byte at the time given; the test clock follows them.
struct c_trickleCase {
  const char* name;
  std::int64_t headerCompleteMs;
  std::int64_t bodyCompleteMs;
  std::int64_t trailerMs;
  bool read;
};

TEST_F(TelegramFramingTest, OneDeadlinePerTelegramHoldsAgainstATricklingPeer) {
  const std::string text = ctm_test::telegramText("MT01", 1, "0012ABC");
  const c_trickleCase cases[] = {
      {"all within the limits", 900, 3000, 5800, true},
      {"header too late", 1100, 1200, 1300, false},
      {"body and trailer within 5 s of the header", 500, 4000, 5500, true},
      {"trailer more than 5 s after the header", 500, 4000, 5600, false},
      {"body more than 5 s after the header", 0, 5100, 5100, false},
  };
  for (const c_trickleCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::int64_t start = 1'000'000;
    c_clock::m_fixMonotonic(start);
    std::vector<std::int64_t> arrival(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      const std::int64_t at = i < 13 ? c.headerCompleteMs : i + 1 < text.size() ? c.bodyCompleteMs : c.trailerMs;
      arrival[i] = start + at;
    }
    c_bufferSource source(text, arrival);
    CTM_telegramFraming framing(false);
    EXPECT_EQ(framing.m_read(source, telegram_), c.read);
  }
}

}  // namespace
