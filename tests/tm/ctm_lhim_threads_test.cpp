// The IM line handler over loopback with a fake IM on two addresses: exception
// reports waiting for the link, IM's requests and their answers. (Which address
// wins and a restart of IM by IM: tests/system.)
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "core/ctm_config.h"
#include "links/ctm_textreportroute.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/fixed_clock.h"
#include "tm/ctm_lhim.h"
#include "topology/ctm_tm.h"

namespace {

// A TM node that only records the inits IM asks for.
class c_recordingTm : public CTM_tm {
 public:
  c_recordingTm() : CTM_tm("TM32", "127.0.0.1") {}
  bool m_init(const std::string& mask, bool flag) override {
    std::lock_guard<std::mutex> lock(mutex_);
    inits_.push_back(mask + (flag ? "+" : "-"));
    return inits_.size() <= succeeding_;
  }
  std::vector<std::string> m_inits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inits_;
  }
  void m_succeedFor(std::size_t count) { succeeding_ = count; }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> inits_;
  std::size_t succeeding_ = 1000;
};

class LhimLink : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    ASSERT_TRUE(peer1_.m_listen("127.0.0.1"));
    ASSERT_TRUE(peer2_.m_listen("127.0.0.2"));
    home_.m_writeConfig({c_parameterLine("P", "BCIM00_Interval", "", "I", "30"),
                         c_parameterLine("P", "IM__RetentionPriod", "", "I", "60"),
                         c_parameterLine("P", "IM__MaxBufferedMessages", "", "L", "4"),
                         c_parameterLine("C", "InterfaceTC_Restart", "200", "B", "0"),
                         c_parameterLine("C", "InterfaceMC_Restart", "201", "B", "0"),
                         c_parameterLine("C", "Log_Rotate", "202", "B", "0"),
                         c_parameterLine("S", "InterfaceIM_Status", "500", "B", "1"),
                         c_parameterLine("S", "Belt_Stopped", "501", "B", "1"),
                         c_parameterLine("T", "Bags_Coded", "400", "L", "5"),
                         c_parameterLine("T", "Bags_Lost", "401", "L", "9")});
    home_.m_writeSystem("TM32", {c_parameterLine("P", "Belt_Speed", "300", "I", "7"),
                                 c_parameterLine("P", "OC__Hostname1", "301", "S", "oc1")});
    ASSERT_TRUE(m_start("TM32"));
  }
  void TearDown() override {
    if (handler_) route_.m_forget(handler_.get());
    handler_.reset();
    for (c_fakePeer* peer : {&peer1_, &peer2_}) {
      peer->m_close();
      peer->m_closeListener();
    }
    LineHandlerThreadsTest::TearDown();
  }
  // The handler on the recording TM, its reports coming back to itself as in a running TM.
  void m_makeHandler() {
    handler_ = std::make_shared<CTM_lhim>(&tm_, "127.0.0.1", peer1_.m_port(), "127.0.0.2", peer2_.m_port());
    handler_->m_setTextReportRoute(&route_);
    route_.m_setTarget(handler_.get());
  }
  // IM answers the keep-alive on that address.
  static void m_answer(c_fakePeer& peer) {
    ASSERT_TRUE(peer.m_accept());
    ASSERT_TRUE(peer.m_expect(m_im(CTM_bcim00_message(), 0)));
    ASSERT_TRUE(peer.m_send(m_im(CTM_imbc00_message(), 0)));
  }
  void m_bringUp() {
    m_makeHandler();
    ASSERT_TRUE(handler_->m_start());
    m_answer(peer1_);
    ASSERT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  // A telegram as either side writes it on this link (sub id "32" from TM32).
  static std::string m_im(CTM_message&& telegram, int sequence) { return m_im(telegram, sequence); }
  static std::string m_im(CTM_message& telegram, int sequence) {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId("32");
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  static ::testing::AssertionResult m_lineHasReport(const std::string& line, const std::string& description) {
    if (line.find("BCIM21") != std::string::npos && line.find(description) != std::string::npos)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "report \"" << description << "\" expected, got \"" << line << "\"";
  }

  c_fixedClock clock_{1714651387};
  c_fakePeer peer1_;
  c_fakePeer peer2_;
  c_recordingTm tm_;
  CTM_textReportRoute route_;
  std::shared_ptr<CTM_lhim> handler_;
};

// While IM is down reports wait in order, within the time to live and the capacity.
TEST_F(LhimLink, ReportsQueuedWhileDownArriveInOrderExceptExpiredAndOverflowingOnes) {
  m_makeHandler();
  ASSERT_TRUE(route_.m_sendReport("TM32", 1, "expired"));
  clock_.m_advance(61);
  for (const char* text : {"first", "second", "third", "fourth", "overflow"}) ASSERT_TRUE(route_.m_sendReport("TM32", 1, text));
  EXPECT_EQ(events_.m_count(ev::LH_QUEUE_FULL), 1u);
  ASSERT_TRUE(handler_->m_start());
  m_answer(peer1_);
  for (const char* text : {"first", "second", "third", "fourth"}) EXPECT_TRUE(m_lineHasReport(peer1_.m_receiveLine(), text));
  EXPECT_TRUE(peer1_.m_expectSilence(100));
}

// Each command of a request restarts its part with the flag set; the mask keeps
// what the earlier commands of the request set. The acknowledgement comes first.
TEST_F(LhimLink, CommandRequestsInitTheTmPartByPartAndReportWhatTheyCannotDo) {
  m_bringUp();
  CTM_imbc01_message restart;
  restart.m_setFieldType("B");
  restart.m_appendBool(200, true);
  restart.m_appendBool(201, true);
  ASSERT_TRUE(peer1_.m_send(m_im(restart, 7)));
  EXPECT_TRUE(peer1_.m_expect(m_im(CTM_bcim01_message(), 7)));
  EXPECT_TRUE(m_eventually([&] { return tm_.m_inits().size() == 2; }));
  EXPECT_EQ(tm_.m_inits(), (std::vector<std::string>{"NNNNNYN+", "NNNNNYY+"}));

  tm_.m_succeedFor(2);
  CTM_imbc01_message faulty;
  faulty.m_setFieldType("B");
  faulty.m_appendBool(202, true);
  faulty.m_appendBool(999, true);
  faulty.m_appendBool(200, false);
  faulty.m_appendBool(201, true);
  ASSERT_TRUE(peer1_.m_send(m_im(faulty, 8)));
  EXPECT_TRUE(peer1_.m_expect(m_im(CTM_bcim01_message(), 8)));
  for (const char* text : {"Command (202) is not implemented.", "Unknown command (999).",
                           "Invalid value for command index (200).", "Error while executing command (201)."})
    EXPECT_TRUE(m_lineHasReport(peer1_.m_receiveLine(), text));
  EXPECT_EQ(tm_.m_inits().back(), "NNNNNNY+");
}

// A read answers the entries found; an index without entry is left out silently,
// one of another kind is reported.
TEST_F(LhimLink, AParameterReadAnswersWhatItFindsAndReportsWrongKinds) {
  m_bringUp();
  CTM_imbc02_message read;
  read.m_setFieldType("I");
  for (int index : {300, 999, 400}) read.m_appendFieldIndex(index);
  ASSERT_TRUE(peer1_.m_send(m_im(read, 9)));
  CTM_bcim02_message answer;
  answer.m_setFieldType("I");
  answer.m_appendInt(300, 7);
  EXPECT_TRUE(peer1_.m_expect(m_im(answer, 9)));
  EXPECT_TRUE(m_lineHasReport(peer1_.m_receiveLine(), "Invalid type for paramater (400)."));
}

// A persistent parameter written by IM is answered with its new value and written back to the system file.
TEST_F(LhimLink, AParameterWriteIsAnsweredAndPersists) {
  m_bringUp();
  CTM_imbc03_message write;
  write.m_setFieldType("I");
  write.m_appendInt(300, 42);
  ASSERT_TRUE(peer1_.m_send(m_im(write, 10)));
  CTM_bcim02_message answer;
  answer.m_setFieldType("I");
  answer.m_appendInt(300, 42);
  EXPECT_TRUE(peer1_.m_expect(m_im(answer, 10)));
  const auto system = home_.m_readFile(c_tempHome::m_systemFileName("TM32"));
  ASSERT_TRUE(system.has_value());
  EXPECT_NE(system->find("42"), std::string::npos);
}

// A system file that cannot be written (its new copy's name taken by a folder)
// fails the write once with an event and leaves the file as it was; the link
// stays, and the next write stores the parameter.
TEST_F(LhimLink, AParameterWriteThatCannotBeStoredKeepsTheFileAndTheLink) {
  m_bringUp();
  const std::string systemFile = c_tempHome::m_systemFileName("TM32");
  const auto before = home_.m_readFile(systemFile);
  ASSERT_TRUE(before.has_value());
  const std::string blocker = home_.m_pathOf(systemFile + ".new");
  std::filesystem::create_directories(blocker + "/taken");
  auto write = [&](int value, int sequence) {
    CTM_imbc03_message request;
    request.m_setFieldType("I");
    request.m_appendInt(300, value);
    return m_im(request, sequence);
  };
  ASSERT_TRUE(peer1_.m_send(write(42, 10)));
  CTM_bcim02_message unstored;
  unstored.m_setFieldType("I");
  EXPECT_TRUE(peer1_.m_expect(m_im(unstored, 10)));
  EXPECT_TRUE(m_lineHasReport(peer1_.m_receiveLine(), "Invalid type form paramater (300)."));
  EXPECT_EQ(events_.m_count(ev::CFG_WRITE_FAILED), 1u);
  EXPECT_EQ(home_.m_readFile(systemFile), before);

  std::filesystem::remove_all(blocker);
  ASSERT_TRUE(peer1_.m_send(write(43, 11)));
  CTM_bcim02_message stored;
  stored.m_setFieldType("I");
  stored.m_appendInt(300, 43);
  EXPECT_TRUE(peer1_.m_expect(m_im(stored, 11)));
  EXPECT_NE(home_.m_readFile(systemFile)->find("43"), std::string::npos);
  EXPECT_EQ(events_.m_count(ev::CFG_WRITE_FAILED), 1u);
}

// A string value is stored without its padding; one holding a character that
// would end a column, a line or the telegram is refused and changes nothing.
TEST_F(LhimLink, AStringWriteDropsThePaddingAndRefusesControlCharacters) {
  m_bringUp();
  const std::string systemFile = c_tempHome::m_systemFileName("TM32");
  int sequence = 20;
  for (const auto& [value, refused] : {std::pair{std::string("oc1.plant.local"), false}, std::pair{std::string("a\tb"), true},
                                       std::pair{std::string("a\rb"), true}, std::pair{std::string("a\nb"), true},
                                       std::pair{std::string("a\0b", 3), true}}) {
    SCOPED_TRACE(sequence);
    const auto before = home_.m_readFile(systemFile);
    CTM_imbc03_message write;
    write.m_setFieldType("S");
    write.m_appendString(301, value);
    ASSERT_TRUE(peer1_.m_send(m_im(write, ++sequence)));
    CTM_bcim02_message answer;
    answer.m_setFieldType("S");
    if (!refused) answer.m_appendString(301, value);
    EXPECT_TRUE(peer1_.m_expect(m_im(answer, sequence)));
    if (refused) {
      EXPECT_TRUE(m_lineHasReport(peer1_.m_receiveLine(), "Invalid type form paramater (301)."));
      EXPECT_EQ(home_.m_readFile(systemFile), before);
    }
    std::string host;
    EXPECT_TRUE(CTM_config::m_getString("OC__Hostname1", host));
    EXPECT_EQ(host, "oc1.plant.local");
    EXPECT_NE(home_.m_readFile(systemFile)->find("\tS\toc1.plant.local\t"), std::string::npos);
  }
}

// A read of a type that is none of the five, listing no index, gets the empty
// answer of its kind; the link stays.
TEST_F(LhimLink, AReadOfAnUnknownTypeWithoutIndexesGetsTheEmptyAnswer) {
  m_bringUp();
  CTM_imbc02_message parameters;
  parameters.m_setFieldType("X");
  ASSERT_TRUE(peer1_.m_send(m_im(parameters, 14)));
  CTM_bcim02_message parametersAnswer;
  parametersAnswer.m_setFieldType("X");
  EXPECT_TRUE(peer1_.m_expect(m_im(parametersAnswer, 14)));
  CTM_imbc12_message timings;
  timings.m_setFieldType("X");
  timings.m_setEraseIndicator(true);
  ASSERT_TRUE(peer1_.m_send(m_im(timings, 15)));
  CTM_bcim12_message timingsAnswer;
  timingsAnswer.m_setFieldType("X");
  EXPECT_TRUE(peer1_.m_expect(m_im(timingsAnswer, 15)));
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

// A negative capacity is the largest one: reports wait instead of being refused.
TEST_F(LhimLink, ANegativeCapacityKeepsEveryReport) {
  ASSERT_TRUE(CTM_config::m_setLong("IM__MaxBufferedMessages", -1));
  m_makeHandler();
  for (int report = 0; report < 5; ++report) ASSERT_TRUE(route_.m_sendReport("TM32", 1, "waiting"));
  EXPECT_EQ(handler_->m_getQueuedCount(), 5u);
  EXPECT_EQ(events_.m_count(ev::LH_QUEUE_FULL), 0u);
}

// IM's own IMBC21 is accepted without a word; the status read lists every status
// flag, the link's own alarm flag cleared now that it is up.
TEST_F(LhimLink, StatusReadListsTheFlagsAndImbc21IsAccepted) {
  m_bringUp();
  ASSERT_TRUE(peer1_.m_send(m_im(CTM_imbc21_message(), 11)));
  ASSERT_TRUE(peer1_.m_send(m_im(CTM_imbc11_message(), 12)));
  CTM_bcim11_message answer;
  answer.m_setFieldType("B");
  answer.m_appendValue(500, c_value::m_fromInt(0));
  answer.m_appendValue(501, c_value::m_fromInt(1));
  EXPECT_TRUE(peer1_.m_expect(m_im(answer, 12)));
  EXPECT_EQ(events_.m_count(ev::LH_UNEXPECTED_TELEGRAM), 0u);
}

TEST_F(LhimLink, ATimingReadWithEraseAnswersTheValuesThenResetsThem) {
  // A timing measures from its start to its end: 5 and 9.
  for (auto [index, start, end] : {std::tuple{400, 1000L, 1005L}, std::tuple{401, 2000L, 2009L}})
    for (long value : {start, end}) ASSERT_EQ(CTM_config::m_setLongByIndex(index, value, CTM_config_entry::kindTiming), 1);
  m_bringUp();
  CTM_imbc12_message read;
  read.m_setFieldType("L");
  read.m_appendFieldIndex(400);
  read.m_appendFieldIndex(401);
  read.m_setEraseIndicator(true);
  ASSERT_TRUE(peer1_.m_send(m_im(read, 13)));
  CTM_bcim12_message answer;
  answer.m_setFieldType("L");
  answer.m_appendLong(400, 5);
  answer.m_appendLong(401, 9);
  EXPECT_TRUE(peer1_.m_expect(m_im(answer, 13)));
  long value = -1;
  EXPECT_TRUE(m_eventually([&] { return CTM_config::m_getLong("Bags_Lost", value) && value == 0; }));
  EXPECT_TRUE(CTM_config::m_getLong("Bags_Coded", value));
  EXPECT_EQ(value, 0);
}

}  // namespace
