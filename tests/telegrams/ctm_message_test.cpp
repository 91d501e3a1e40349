// The telegram base: header parsing and writing, the readable form, time to
// live, and the factory with its error telegram.
#include "telegrams/ctm_message.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "telegrams/ctm_error_message.h"
#include "tests/support/ctm_test_telegrams.h"
#include "tests/support/fixed_clock.h"

namespace {

using namespace ctm_test;

// A transport controller's report on the one-letter test pair: PIC 12, an item
// id and an equipment code (31 characters of data).
const std::string reportData = "0012W3212300001ABCDE_1234-A5678";
const std::string report = "YZ01" "01" "07" "031" "01" + reportData + "\n";

std::unique_ptr<CTM_message> parse(std::string_view text) { return newTelegram(text); }

TEST(CTM_messageParse, ReadsTheHeaderAndEveryField) {
  auto telegram = parse(report);
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  auto* typed = dynamic_cast<CTM_yz01_message*>(telegram.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->m_getId(), "YZ01");
  EXPECT_EQ(typed->m_getTypeId(), "01");
  EXPECT_EQ(typed->m_getTelegramNumber(), "01");
  EXPECT_EQ(typed->m_getSeqNo(), 7);
  EXPECT_EQ(typed->m_getSubId(), "01");
  EXPECT_EQ(typed->m_getPIC(), 12);
  EXPECT_EQ(typed->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(typed->m_getEquipmentCode(), "ABCDE_1234-A5678");
  EXPECT_EQ(typed->m_getRawTelegram(), report);
  std::string out;
  EXPECT_EQ(typed->m_serialize(out), 45);
  EXPECT_EQ(out, report);
}

TEST(CTM_messageParse, TwoLetterCodesHaveAFifteenCharacterHeader) {
  const std::string text = "XAXB01" "02" "07" "031" "01" + reportData + "\n";
  auto telegram = parse(text);
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  EXPECT_EQ(telegram->m_getId(), "XAXB01");
  EXPECT_EQ(telegram->m_getHeaderLength(), 15);
  EXPECT_EQ(telegram->m_getVersion(), 2);
  std::string out;
  telegram->m_serialize(out);
  EXPECT_EQ(out, text);
}

TEST(CTM_messageParse, HeaderNumbersAreReadFromTheirOwnSlots) {
  // Blank-padded slots: a single scan over the header would run them together.
  auto telegram = parse("YZ01" " 1" " 7" " 31" " 1" + reportData + "\n");
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  EXPECT_EQ(telegram->m_getSeqNo(), 7);
  EXPECT_EQ(telegram->m_getSubId(), "1");
  auto negative = parse("YZ01" "01" "-1" "031" "01" + reportData + "\n");
  ASSERT_TRUE(negative->m_isValid()) << negative->m_getErrorText();
  EXPECT_EQ(negative->m_getSeqNo(), -1);
}

struct HeaderFault {
  const char* name;
  std::string text;
  std::string error;
};

void PrintTo(const HeaderFault& c, std::ostream* os) { *os << c.name; }

class CTM_messageHeaderFault : public testing::TestWithParam<HeaderFault> {};

TEST_P(CTM_messageHeaderFault, IsRefusedWithItsExactText) {
  auto telegram = parse(GetParam().text);
  EXPECT_FALSE(telegram->m_isValid());
  EXPECT_EQ(telegram->m_getErrorText(), GetParam().error);
  EXPECT_EQ(telegram->m_getRawTelegram(), GetParam().text);
  EXPECT_EQ(telegram->m_getSource(), "ERROR");
}

const std::string syntax = "Syntax error : Header could not be parsed!";

INSTANTIATE_TEST_SUITE_P(
    Header, CTM_messageHeaderFault,
    testing::Values(
        HeaderFault{"WrongVersion", "YZ01" "02" "07" "031" "01" + reportData + "\n", "Wrong version number (02) instead of (01)."},
        HeaderFault{"WrongVersionTwoLetters", "XAXB01" "01" "07" "031" "01" + reportData + "\n",
                    "Wrong version number (01) instead of (02)."},
        HeaderFault{"OneTooShort", "YZ01" "01" "07" "031" "01" + reportData.substr(1) + "\n",
                    "Header length: 13 plus data length: 31 plus 1 not equal total length: 44"},
        HeaderFault{"OneTooLong", "YZ01" "01" "07" "031" "01" + reportData + "0\n",
                    "Header length: 13 plus data length: 31 plus 1 not equal total length: 46"},
        HeaderFault{"MissingTerminator", "YZ01" "01" "07" "031" "01" + reportData + "X", "Char at offset 44 is not terminator: \"X\""},
        HeaderFault{"TrailingCharacters", "YZ01" "01" "07" "032" "01" + reportData + "0\n",
                    "CTM_message::m_init(): Framing Error! Header length: 13 plus data length: 32 not equal defined "
                    "length: 44"},
        HeaderFault{"HeaderOnlyWithData", "YZ00" "01" "00" "001" "01" "0\n",
                    "CTM_message::m_init(): Framing Error! Header length: 13 plus data length: 1 not equal defined "
                    "length: 13"},
        HeaderFault{"LetterInSequence", "YZ01" "01" "0x" "031" "01" + reportData + "\n", syntax},
        HeaderFault{"TrailingBlankInSlot", "YZ01" "01" "7 " "031" "01" + reportData + "\n", syntax},
        HeaderFault{"BlankSubId", "YZ01" "01" "07" "031" "  " + reportData + "\n", syntax},
        HeaderFault{"BlankSubIdTwoLetters", "XAXB01" "02" "07" "031" "  " + reportData + "\n", syntax},
        HeaderFault{"NegativeDataLength", "YZ00" "01" "00" "-01" "01\n", syntax},
        HeaderFault{"ShorterThanHeader", "YZ01010703\n", syntax}, HeaderFault{"OnlyTheId", "YZ01", syntax}),
    [](const auto& info) { return info.param.name; });

TEST(CTM_messageFactory, EveryPrefixOfATelegramGivesATelegramAndReadsOnlyItsInput) {
  for (std::size_t length = 0; length <= report.size(); ++length) {
    // Each prefix in a buffer of its own size, so that a read past it is caught.
    auto buffer = std::make_unique<char[]>(length == 0 ? 1 : length);
    std::copy_n(report.data(), length, buffer.get());
    auto telegram = parse(std::string_view(buffer.get(), length));
    ASSERT_NE(telegram, nullptr);
    EXPECT_EQ(telegram->m_isValid(), length == report.size()) << length;
  }
}

TEST(CTM_messageFactory, UnknownPairsAndTypesGiveTheUnknownSourceError) {
  const std::string unknown = "CTM_message::m_new(): Unknown message source/destination";
  for (std::string text : {std::string("MT99010700001\n"), std::string("YZ99010700001\n"), std::string("ZY0101070000"),
                           std::string("Y"), std::string(), std::string("XAXC00020000001\n"),
                           std::string("Y\0" "01010000001\n", 14)}) {
    auto telegram = parse(text);
    ASSERT_NE(telegram, nullptr);
    EXPECT_FALSE(telegram->m_isValid());
    EXPECT_EQ(telegram->m_getErrorText(), unknown) << text;
  }
  // Without the test pairs nothing registered knows the test codes.
  EXPECT_EQ(CTM_message::m_new(report)->m_getErrorText(), unknown);
}

TEST(CTM_messageFactory, AParseFailureBecomesAnErrorTelegramWithThatText) {
  auto telegram = parse("YZ01" "01" "07" "031" "01" + reportData + "00\n");
  EXPECT_NE(dynamic_cast<CTM_error_message*>(telegram.get()), nullptr);
  EXPECT_EQ(telegram->m_getErrorText(), "Header length: 13 plus data length: 31 plus 1 not equal total length: 47");
}

TEST(CTM_errorMessage, IsInvalidReadableAndNeverWritten) {
  CTM_error_message error("garbage\n", "what went wrong");
  EXPECT_FALSE(error.m_isValid());
  EXPECT_EQ(error.m_getSource(), "ERROR");
  EXPECT_EQ(error.m_getDestination(), "");
  EXPECT_EQ(error.m_getTypeId(), "");
  EXPECT_EQ(error.m_getHeaderLength(), 16);
  EXPECT_EQ(error.m_getRawTelegram(), "garbage\n");
  EXPECT_EQ(error.m_asString(), "((msgId=ERROR)(versNo=1)(seqNo=-1)(subId=\"01\"))");
  std::string out = "old";
  testing::internal::CaptureStderr();
  EXPECT_EQ(error.m_serialize(out), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CTM_error_message::m_serialize(): Function must not be used!");
  EXPECT_EQ(out, "");
}

TEST(CTM_messageWrite, HeaderOnlyTelegramsAreHeaderAndTerminator) {
  std::string out;
  EXPECT_EQ(CTM_yz00_message().m_serialize(out), 14);
  EXPECT_EQ(out, "YZ00" "01" "00" "000" "01\n");
  EXPECT_EQ(CTM_xaxb00_message().m_serialize(out), 16);
  EXPECT_EQ(out, "XAXB00" "02" "00" "000" "01\n");
}

class CTM_messageWriteReport : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(report_.m_setPIC(12));
    ASSERT_TRUE(report_.m_setBIT_ID("W3212300001"));
    ASSERT_TRUE(report_.m_setEquipmentCode("ABCDE_1234-A5678"));
  }
  std::string written() {
    std::string out = "stale";
    int length = report_.m_serialize(out);
    EXPECT_EQ(length, static_cast<int>(out.size()));
    return out;
  }
  CTM_yz01_message report_;
};

TEST_F(CTM_messageWriteReport, ASequenceNumberNeverSetIsWrittenAsMinusOne) {
  EXPECT_EQ(written(), "YZ01" "01" "-1" "031" "01" + reportData + "\n");
  report_.m_setSeqNo(7);
  EXPECT_EQ(written(), report);
}

TEST_F(CTM_messageWriteReport, HeaderValuesThatDoNotFitTheirSlotsWriteNothing) {
  for (int seqNo : {100, -10}) {
    report_.m_setSeqNo(seqNo);
    EXPECT_EQ(written(), "") << seqNo;
  }
  report_.m_setSeqNo(99);
  report_.m_setSubId("");
  EXPECT_EQ(written(), "");
  report_.m_setSubId("001");
  EXPECT_EQ(written(), "");
  report_.m_setSubId("1");
  EXPECT_EQ(written(), "YZ01" "01" "99" "031" "1 " + reportData + "\n");
}

TEST(CTM_messageWrite, AVersionThatDoesNotFitItsSlotWritesNothing) {
  class WideVersion : public CTM_yz00_message {
   public:
    explicit WideVersion(int version) { m_initHeader("Y", "Z", version, 13); }
  };
  std::string out = "stale";
  EXPECT_EQ(WideVersion(100).m_serialize(out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(WideVersion(-10).m_serialize(out), 0);
  EXPECT_EQ(WideVersion(-9).m_serialize(out), 14);
  EXPECT_EQ(out, "YZ00" "-9" "00" "000" "01\n");
}

TEST_F(CTM_messageWriteReport, NumbersWiderThanTheFieldAreWrittenWholeAndCounted) {
  report_.m_setSeqNo(1);
  ASSERT_TRUE(report_.m_setPIC(12345));
  EXPECT_EQ(written(), "YZ01" "01" "01" "032" "01" "12345W3212300001ABCDE_1234-A5678\n");
  ASSERT_TRUE(report_.m_setPIC(-5));  // zero-padded after the sign
  EXPECT_EQ(written(), "YZ01" "01" "01" "031" "01" "-005W3212300001ABCDE_1234-A5678\n");
}

TEST_F(CTM_messageWriteReport, TextsAreCutOrPaddedToTheirWidth) {
  report_.m_setSeqNo(1);
  ASSERT_TRUE(report_.m_setBIT_ID("W3212300001TOOLONG"));
  ASSERT_TRUE(report_.m_setEquipmentCode("SHORT"));
  EXPECT_EQ(written(), "YZ01" "01" "01" "031" "01" "0012W3212300001SHORT           \n");
}

TEST(CTM_messageWrite, ADataPartBeyond999CharactersWritesNothing) {
  CTM_yz24_message event;
  event.m_setSeqNo(1);
  ASSERT_TRUE(event.m_setEventNumber(42));
  ASSERT_TRUE(event.m_setMessageText(std::string(995, 'x')));
  std::string out;
  EXPECT_EQ(event.m_serialize(out), 13 + 999 + 1);
  EXPECT_EQ(out.substr(8, 3), "999");
  ASSERT_TRUE(event.m_setMessageText(std::string(996, 'x')));
  EXPECT_EQ(event.m_serialize(out), 0);
  EXPECT_EQ(out, "");
}

TEST(CTM_messageReadable, ShowsHeaderAndFieldsInTableOrder) {
  auto telegram = parse(report);
  EXPECT_EQ(telegram->m_asString(),
            "((msgId=YZ01)(versNo=1)(seqNo=7)(subId=\"01\")(PIC=0012)(BIT_ID=\"W3212300001\")"
            "(equipmentCode=\"ABCDE_1234-A5678\"))");
  // The telegram log reads it through the logging interface.
  const CTM_loggableTelegram& logged = *telegram;
  EXPECT_TRUE(logged.m_isValid());
  EXPECT_EQ(logged.m_getId(), "YZ01");
  EXPECT_EQ(logged.m_asString(), telegram->m_asString());
  EXPECT_EQ(logged.m_getErrorText(), "");
}

TEST(CTM_messageReadable, EveryTypeOfFieldOnTheWireAndReadable) {
  CTM_yz02_message telegram;
  telegram.m_setSeqNo(3);
  ASSERT_TRUE(telegram.m_setNumber(12));
  ASSERT_TRUE(telegram.m_setBigNumber(1234567890L));
  ASSERT_TRUE(telegram.m_setReal(12.5));
  ASSERT_TRUE(telegram.m_setTimeStamp(1709208000));  // 2024-02-29 12:00:00 UTC
  ASSERT_TRUE(telegram.m_setLS_ID("LS001"));
  ASSERT_TRUE(telegram.m_setPassengerName("SMITH"));
  std::string out;
  telegram.m_serialize(out);
  EXPECT_EQ(out, "YZ02" "01" "03" "071" "01" "0012" "1234567890" "00000012.50000000" "20240229120000" "LS001"
                 "SMITH               " ";\n");
  EXPECT_EQ(telegram.m_asString(),
            "((msgId=YZ02)(versNo=1)(seqNo=3)(subId=\"01\")(number=0012)(bigNumber=1234567890)"
            "(real=00000012.50000000)(timeStamp=2024-02-29 12:00:00)(LS_ID=\"LS001\")(passengerName=\"SMITH\")"
            "(delimiter=\";\"))");
  auto parsed = parse(out);
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  auto* typed = dynamic_cast<CTM_yz02_message*>(parsed.get());
  EXPECT_EQ(typed->m_getTimeStamp(), 1709208000);
  EXPECT_EQ(typed->m_getBigNumber(), 1234567890L);
  EXPECT_DOUBLE_EQ(typed->m_getReal(), 12.5);
  EXPECT_EQ(typed->m_getPassengerName(), "SMITH               ");  // stored with its padding
}

TEST(CTM_messageReadable, ARestOfTelegramTextThatIsEmptyWritesOneBlank) {
  CTM_yz24_message event;
  event.m_setSeqNo(1);
  ASSERT_TRUE(event.m_setEventNumber(42));
  std::string out;
  event.m_serialize(out);
  EXPECT_EQ(out, "YZ24" "01" "01" "005" "01" "0042 \n");
  auto parsed = parse("YZ24" "01" "01" "016" "01" "0042Hello, world\n");
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  EXPECT_EQ(dynamic_cast<CTM_yz24_message&>(*parsed).m_getMessageText(), "Hello, world");
  EXPECT_EQ(parse("YZ24" "01" "01" "004" "01" "0042\n")->m_getErrorText(), "1 mandantory fields missing at message end");
}

TEST(CTM_messageExpiry, ATelegramExactlyAsOldAsItsTimeoutIsExpired) {
  c_fixedClock clock(1700000000);
  CTM_yz00_message telegram;
  EXPECT_EQ(telegram.m_getTimeout(), 180);
  c_clock::m_advanceMonotonic(179999);
  EXPECT_FALSE(telegram.m_isExpired());
  c_clock::m_advanceMonotonic(1);
  EXPECT_TRUE(telegram.m_isExpired());
  telegram.m_touch();
  EXPECT_FALSE(telegram.m_isExpired());
  telegram.m_setTimeout(0);
  EXPECT_TRUE(telegram.m_isExpired());
}

TEST(CTM_messageExpiry, TheWallClockDoesNotAge) {
  c_fixedClock clock(1700000000);
  CTM_yz00_message telegram;
  c_clock::m_advanceUtc(3600);
  EXPECT_FALSE(telegram.m_isExpired());
  c_clock::m_advanceUtc(-7200);
  EXPECT_FALSE(telegram.m_isExpired());
}

}  // namespace
