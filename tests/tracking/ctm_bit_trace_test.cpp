#include "tracking/ctm_bit_trace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tracking/tracking_fixture.h"

namespace fs = std::filesystem;

class TraceFileTest : public CTM_trackingTest {
 protected:
  fs::path traceFile(const std::string& bitId) const { return segmentFolder() / bitId.substr(6, 2) / (bitId + ".trc"); }
};

TEST_F(TraceFileTest, OpensTheFileOfTheIdGroupAndCreatesEveryMissingFolder) {
  CTM_BIT_trace trace("TM32", "LS001", "W3212345678", false);
  ASSERT_TRUE(trace.m_isOpen());
  const fs::path file = traceFile("W3212345678");
  EXPECT_EQ(file.parent_path().filename(), "45");
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(trace.m_getDescription(),
            "TM: TM32  LS: LS001  BIT: W3212345678  File: " + file.string());

  // The installation brings run/log; the levels below it are made here.
  auto created = recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_CREATED);
  ASSERT_EQ(created.size(), 3u);
  EXPECT_EQ(created[0].strings, std::vector<std::string>{(home_ / "run" / "log" / "TM32").string()});
  EXPECT_EQ(created[2].strings, std::vector<std::string>{file.parent_path().string()});
  ASSERT_EQ(recorder_.m_count(ev::TRACE_OPENED), 1u);
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_OPENED)[0].strings, std::vector<std::string>{file.string()});
}

TEST_F(TraceFileTest, RecordIsLocalTimeMarkKindAndTextOnOneLine) {
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  EXPECT_TRUE(trace.writeTraceRecord(CTM_BIT_trace::markExternal, 0, "TP=(LS001TP0001)"));
  EXPECT_TRUE(trace.writeTraceRecord(CTM_BIT_trace::markInternal, 6, "TP=(LS001TP0001)\tLS001EX01 jam"));
  EXPECT_EQ(contentsOf(traceFile("W3212300042")),
            std::string(localNowText) + "\tE\tENTER\tTP=(LS001TP0001)\n" + localNowText +
                "\tI\tDIV\tTP=(LS001TP0001)\tLS001EX01 jam\n");
}

TEST_F(TraceFileTest, KindAndMarkNamesAndTheirUnknownForms) {
  const char* expected[] = {"ENTER",     "EXIT",        "TRS",
                            "OSIZE",     "GARB",        "TLATE",
                            "DIV",       "NOT_DIV",     "INSUFFICIENT_INFO",
                            "UNAVAILABLE_OUTPUT",       "UNAVAILABLE_BUFFER",
                            "UNKNOWN_DESTINATION",      "UNEXPECTED",
                            "MISSING",   "UNKNOWN",     "SELECT",
                            "NO_READ",   "CODING_TERMINAL",
                            "SCN",       "SCR",         "SIZE",
                            "TRACE",     "BIT",         "FSC",
                            "EOD",       "CLEAN_UP"};
  for (int kind = 0; kind < 26; ++kind) EXPECT_STREQ(CTM_BIT_trace::kindName(kind), expected[kind]) << kind;
  EXPECT_STREQ(CTM_BIT_trace::kindName(26), "???");
  EXPECT_STREQ(CTM_BIT_trace::kindName(-1), "???");
  EXPECT_STREQ(CTM_BIT_trace::markName(0), "I");
  EXPECT_STREQ(CTM_BIT_trace::markName(1), "E");
  EXPECT_STREQ(CTM_BIT_trace::markName(2), "?");
  EXPECT_STREQ(CTM_BIT_trace::markName(-1), "?");
}

TEST_F(TraceFileTest, SecondTraceOfTheSameIdAppends) {
  {
    CTM_BIT_trace first("TM32", "LS001", "W3212300042", false);
    first.writeTraceRecord(1, 0, "first");
  }
  CTM_BIT_trace second("TM32", "LS001", "W3212300042", false);
  second.writeTraceRecord(1, 1, "second");
  auto lines = linesOf(traceFile("W3212300042"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\tENTER\tfirst"), std::string::npos);
  EXPECT_NE(lines[1].find("\tEXIT\tsecond"), std::string::npos);
}

TEST_F(TraceFileTest, IdOfTenCharactersGivesTheConsoleLineAndNoFile) {
  testing::internal::CaptureStdout();
  CTM_BIT_trace trace("TM32", "LS001", "W321230004", false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR: CTM_BIT_trace::m_init: length of BIT_ID (W321230004) is not OK.\n");
  EXPECT_FALSE(trace.m_isOpen());
  EXPECT_FALSE(trace.writeTraceRecord(1, 0, "lost"));
  EXPECT_FALSE(fs::exists(home_ / "run" / "log" / "TM32"));
}

struct RefusedIds {
  const char* name;
  const char* tm;
  const char* ls;
  const char* bit;
  const char* what;
};

class RefusedIdTest : public TraceFileTest, public testing::WithParamInterface<RefusedIds> {};

TEST_P(RefusedIdTest, IdThatIsNoPlainNameLeavesTheItemWithoutTraceAndSaysWhy) {
  const RefusedIds& ids = GetParam();
  CTM_BIT_trace trace(ids.tm, ids.ls, ids.bit, true);
  EXPECT_FALSE(trace.m_isOpen());
  EXPECT_FALSE(trace.writeTraceRecord(1, 0, "lost"));
  auto refused = recorder_.m_eventsWithId(ev::TRACE_ID_REFUSED);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].strings.at(0), ids.what);
  EXPECT_EQ(refused[0].strings.at(1).find('\n'), std::string::npos);
  EXPECT_FALSE(fs::exists(home_ / "run" / "log" / "TM32"));
}

INSTANTIATE_TEST_SUITE_P(
    Ids, RefusedIdTest,
    testing::Values(RefusedIds{"TmParent", "..", "LS001", "W3212300042", "TM id"},
                    RefusedIds{"TmSlash", "TM/32", "LS001", "W3212300042", "TM id"},
                    RefusedIds{"TmEmpty", "", "LS001", "W3212300042", "TM id"},
                    RefusedIds{"SegmentDot", "TM32", ".", "W3212300042", "segment id"},
                    RefusedIds{"SegmentBlank", "TM32", "LS 1", "W3212300042", "segment id"},
                    RefusedIds{"SegmentLineFeed", "TM32", "LS\n1", "W3212300042", "segment id"},
                    RefusedIds{"BitSlash", "TM32", "LS001", "W32/2300042", "BIT_ID"},
                    RefusedIds{"BitDot", "TM32", "LS001", "W3212300.42", "BIT_ID"}),
    [](const testing::TestParamInfo<RefusedIds>& info) { return std::string(info.param.name); });

TEST_F(TraceFileTest, UnderscoreAndHyphenArePlainNames) {
  CTM_BIT_trace trace("TM_32", "LS-01", "W3212300042", false);
  EXPECT_TRUE(trace.m_isOpen());
  EXPECT_TRUE(fs::exists(home_ / "run/log/TM_32/LS-01/00/W3212300042.trc"));
}

TEST_F(TraceFileTest, InstallationWithoutHomeOpensNothing) {
  CTM_config::m_resetForTest();
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  EXPECT_FALSE(trace.m_isOpen());
  EXPECT_EQ(recorder_.m_count(ev::CFG_TM_HOME_NOT_SET), 1u);

  ::setenv("TM_HOME", "", 1);
  EXPECT_FALSE(CTM_config::m_init("TM32"));
  CTM_BIT_trace again("TM32", "LS001", "W3212300042", false);
  EXPECT_FALSE(again.m_isOpen());
  EXPECT_FALSE(fs::exists("/run/log/TM32"));
}

TEST_F(TraceFileTest, LevelThatIsNoFolderIsReportedWithItsPath) {
  writeFile(home_ / "run" / "log" / "TM32", "not a folder");
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  EXPECT_FALSE(trace.m_isOpen());
  auto unusable = recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_UNUSABLE);
  ASSERT_EQ(unusable.size(), 1u);
  EXPECT_EQ(unusable[0].strings, std::vector<std::string>{(home_ / "run" / "log" / "TM32").string()});
}

TEST_F(TraceFileTest, VanishedHomeFolderIsReportedAndNotCreated) {
  const fs::path moved = home_.string() + ".moved";
  fs::rename(home_, moved);
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  fs::rename(moved, home_);
  EXPECT_FALSE(trace.m_isOpen());
  ASSERT_EQ(recorder_.m_count(ev::TRACE_DIRECTORY_UNUSABLE), 1u);
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_UNUSABLE)[0].strings,
            std::vector<std::string>{home_.string()});
  EXPECT_FALSE(fs::exists(home_ / "run" / "log" / "TM32"));
}

// A folder that files were opened in before may go away: the next bag's open
// walks the levels again, as a first open does, and says what it made or could not use.
TEST_F(TraceFileTest, AFolderThatWentAwayIsWalkedAgainAtTheNextOpen) {
  const fs::path folder = traceFile("W3212300042").parent_path();
  ASSERT_TRUE(CTM_BIT_trace("TM32", "LS001", "W3212300042", false).m_isOpen());
  fs::remove_all(folder);
  recorder_.m_clear();
  EXPECT_TRUE(CTM_BIT_trace("TM32", "LS001", "W3212300043", false).m_isOpen());
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_CREATED).size(), 1u);
  EXPECT_TRUE(fs::is_regular_file(traceFile("W3212300043")));

  fs::remove_all(segmentFolder());
  writeFile(segmentFolder(), "not a folder");
  recorder_.m_clear();
  CTM_BIT_trace refused("TM32", "LS001", "W3212300044", false);
  EXPECT_FALSE(refused.m_isOpen());
  EXPECT_EQ(refused.m_getDescription(), "TM: TM32  LS: LS001  BIT: W3212300044  File: ");
  ASSERT_EQ(recorder_.m_count(ev::TRACE_DIRECTORY_UNUSABLE), 1u);
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_UNUSABLE)[0].strings,
            std::vector<std::string>{segmentFolder().string()});
  EXPECT_EQ(recorder_.m_count(ev::TRACE_FILE_INVALID), 0u);
}

TEST_F(TraceFileTest, EraseRemovesAFileThisTraceCreated) {
  {
    CTM_BIT_trace trace("TM32", "LS001", "W3212300042", true);
    trace.writeTraceRecord(1, 0, "announced");
  }
  EXPECT_FALSE(fs::exists(traceFile("W3212300042")));
  EXPECT_EQ(recorder_.m_count(ev::TRACE_REMOVED), 1u);
}

TEST_F(TraceFileTest, EraseOfAnOlderFileKeepsWhatItHeldBefore) {
  const std::string older = "2023-05-02 09:00:00\tE\tENTER\tTP=(LS001TP0001)\n";
  writeFile(traceFile("W3212300042"), older);
  {
    CTM_BIT_trace trace("TM32", "LS001", "W3212300042", true);
    trace.writeTraceRecord(1, 0, "announced this year");
  }
  EXPECT_EQ(contentsOf(traceFile("W3212300042")), older);
  EXPECT_EQ(recorder_.m_count(ev::TRACE_TRUNCATED), 1u);
  EXPECT_EQ(recorder_.m_count(ev::TRACE_REMOVED), 0u);
}

TEST_F(TraceFileTest, ClearedEraseFlagKeepsTheFile) {
  {
    CTM_BIT_trace trace("TM32", "LS001", "W3212300042", true);
    trace.writeTraceRecord(1, 0, "seen");
    trace.m_setEraseOnClose(false);
  }
  EXPECT_EQ(linesOf(traceFile("W3212300042")).size(), 1u);
}

TEST_F(TraceFileTest, LongOrMultiLineTextStaysOneRecordOfAtMost999Characters) {
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  trace.writeTraceRecord(0, 22, std::string(2000, 'A'));
  trace.writeTraceRecord(0, 6, "TP=(X)\tjam\nat\rexit");
  trace.writeTraceRecord(0, 6, std::string(1200, '\x01'));
  auto lines = linesOf(traceFile("W3212300042"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), CTM_BIT_trace::maxRecordLength);
  EXPECT_EQ(lines[1], std::string(localNowText) + "\tI\tDIV\tTP=(X)\tjam\\nat\\rexit");
  // Control bytes are cut only between whole escapes.
  const std::string prefix = std::string(localNowText) + "\tI\tDIV\t";
  ASSERT_LE(lines[2].size(), CTM_BIT_trace::maxRecordLength);
  EXPECT_EQ((lines[2].size() - prefix.size()) % 4, 0u);
  EXPECT_EQ(lines[2].substr(lines[2].size() - 4), "\\x01");
}

// Whether the text ends inside an escape: a backslash without all of its escape.
bool endsInsideAnEscape(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\\') {
      ++i;
      continue;
    }
    const std::size_t length = i + 1 < text.size() && text[i + 1] == 'x' ? 4 : 2;
    if (i + length > text.size()) return true;
    i += length;
  }
  return false;
}

// Leads of every length move the cut across every byte of the escapes and
// characters that follow, so no boundary is met by chance.
TEST_F(TraceFileTest, ACutRecordEndsOnAWholeEscapeOrCharacterWhereverTheCutFalls) {
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  std::string repeated;
  for (int i = 0; i < 200; ++i) repeated += "\x01\\\xC3\xBC";
  // Outside text comes escaped, as the callers hand it in.
  for (std::size_t lead = 0; lead < 8; ++lead)
    trace.writeTraceRecord(0, 6, std::string(lead, 'A') + CTM_BIT_trace::m_escape(repeated));
  const auto lines = linesOf(traceFile("W3212300042"));
  ASSERT_EQ(lines.size(), 8u);
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), CTM_BIT_trace::maxRecordLength);
    ASSERT_GT(line.size(), CTM_BIT_trace::maxRecordLength - 4) << "cut more than one escape short";
    EXPECT_FALSE(endsInsideAnEscape(line)) << line.substr(line.size() - 8);
    EXPECT_LT(static_cast<unsigned char>(line.back()), 0xC0) << "ends in the first byte of a character";
  }
}

TEST_F(TraceFileTest, EscapeMakesOutsideTextOneLine) {
  EXPECT_EQ(CTM_BIT_trace::m_escape("a\\b\tc\nd\re\x7f" "f\x01"), "a\\\\b\\tc\\nd\\re\\x7Ff\\x01");
  EXPECT_EQ(CTM_BIT_trace::m_escape("M\xC3\xBCller"), "M\xC3\xBCller");
}

TEST_F(TraceFileTest, FullDiskFailsEveryWriteButIsReportedOncePerFile) {
  const fs::path file = traceFile("W3212300042");
  fs::create_directories(file.parent_path());
  fs::create_symlink("/dev/full", file);
  CTM_BIT_trace trace("TM32", "LS001", "W3212300042", false);
  ASSERT_TRUE(trace.m_isOpen());
  EXPECT_FALSE(trace.writeTraceRecord(1, 0, "first"));
  EXPECT_FALSE(trace.writeTraceRecord(1, 1, "second"));
  auto failures = recorder_.m_eventsWithId(ev::TRACE_WRITE_FAILED);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].strings.at(0), file.string());
  EXPECT_FALSE(failures[0].strings.at(1).empty());

  CTM_BIT_trace another("TM32", "LS001", "W3212300042", false);
  EXPECT_FALSE(another.writeTraceRecord(1, 0, "third"));
  EXPECT_EQ(recorder_.m_count(ev::TRACE_WRITE_FAILED), 2u);
}

class TraceNumberScanTest : public CTM_trackingTest {
 protected:
  void addFile(const std::string& folder, const std::string& name) { writeFile(segmentFolder() / folder / name, ""); }
};

TEST_F(TraceNumberScanTest, HighestNumberOfTheHighestFolderWithAMatch) {
  for (int n = 0; n <= 41; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "W3212300%03d.trc", n);
    addFile("00", name);
  }
  addFile("01", "W3212301000.trc");
  addFile("02", "W3212402999.trc");  // another day
  addFile("03", "W3212303abc.trc");  // no number
  addFile("04", "W3212305000.trc");  // not of its folder
  int last = 0;
  EXPECT_TRUE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W32123", last));
  EXPECT_EQ(last, 1000);
  auto found = recorder_.m_eventsWithId(ev::TRACE_SCAN_FOUND);
  ASSERT_EQ(found.size(), 1u);
  const std::string lastFile = (segmentFolder() / "01" / "W3212301000.trc").string();
  EXPECT_EQ(found[0].strings, (std::vector<std::string>{lastFile, "1000"}));
  ASSERT_EQ(recorder_.m_count(ev::TRACE_SCAN_STARTED), 1u);
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_SCAN_STARTED)[0].strings,
            std::vector<std::string>{"W32123?????.trc"});
}

TEST_F(TraceNumberScanTest, TreeWithoutFilesGetsItsHundredFoldersAndNoNumber) {
  int last = 0;
  EXPECT_TRUE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W32123", last));
  EXPECT_EQ(last, -1);
  for (int dd = 0; dd < 100; ++dd) {
    char folder[4];
    std::snprintf(folder, sizeof folder, "%02d", dd);
    EXPECT_TRUE(fs::is_directory(segmentFolder() / folder)) << folder;
  }
  EXPECT_EQ(recorder_.m_count(ev::TRACE_SCAN_FOUND), 0u);
}

TEST_F(TraceNumberScanTest, UnreadableFolderBeforeAnyMatchFailsTheScan) {
  addFile("10", "W3212310007.trc");
  writeFile(segmentFolder() / "50", "a file where a folder belongs");
  int last = 0;
  EXPECT_FALSE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W32123", last));
  EXPECT_EQ(last, -1);
  auto unusable = recorder_.m_eventsWithId(ev::TRACE_DIRECTORY_UNUSABLE);
  ASSERT_EQ(unusable.size(), 1u);
  EXPECT_EQ(unusable[0].strings, std::vector<std::string>{(segmentFolder() / "50").string()});
}

TEST_F(TraceNumberScanTest, UnreadableFolderBelowTheMatchIsNeverReached) {
  addFile("60", "W3212360123.trc");
  writeFile(segmentFolder() / "50", "a file where a folder belongs");
  int last = 0;
  EXPECT_TRUE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W32123", last));
  EXPECT_EQ(last, 60123);
}

TEST_F(TraceNumberScanTest, PrefixOfOtherLengthOrNoHomeFails) {
  int last = 0;
  EXPECT_FALSE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W3212", last));
  EXPECT_EQ(last, -1);
  EXPECT_EQ(recorder_.m_eventsWithId(ev::TRACE_SCAN_BAD_PREFIX).at(0).strings, std::vector<std::string>{"W3212"});
  CTM_config::m_resetForTest();
  EXPECT_FALSE(CTM_BIT_trace::findLastTraceNumber("TM32", "LS001", "W32123", last));
  EXPECT_EQ(recorder_.m_count(ev::CFG_TM_HOME_NOT_SET), 1u);
}
