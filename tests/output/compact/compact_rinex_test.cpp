// Compact RINEX from RINEX observation text: the reference pairs, line 2,
// arcs, flags, events, clocks and the texts that cannot be compacted.

#include "output/compact/compact_rinex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qzr2rin {
namespace {

constexpr std::size_t kLabelColumn = 60;
constexpr std::size_t kLineText = 64;
constexpr std::size_t kValueWidth = 14;
constexpr std::size_t kDamageStep = 13;  // prime, so that damage falls on every column

const platform::CalendarTime kWhen{.year = 2026, .month = 12, .day = 10, .hour = 5, .minute = 47};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WithoutLine2(const std::string& text) {
  const std::size_t first = text.find('\n');
  if (first == std::string::npos) return text;
  const std::size_t second = text.find('\n', first + 1);
  return text.substr(0, first + 1) + (second == std::string::npos ? "" : text.substr(second + 1));
}

struct Result {
  std::string text;
  bool flushed = false;
  std::string problem;
};

// Compacts `rinex` handed over in pieces of `piece` bytes (0: all at once).
Result Compact(const std::string& rinex, std::size_t piece = 0) {
  StringSink out;
  CompactRinexSink sink(out, "QZR2RIN 1.40", kWhen);
  if (piece == 0) {
    sink.Write(rinex);
  } else {
    for (std::size_t at = 0; at < rinex.size(); at += piece)
      sink.Write(std::string_view(rinex).substr(at, piece));
  }
  Result r;
  r.flushed = sink.Flush();
  r.problem = sink.Problem();
  r.text = out.Text();
  return r;
}

// The lines after the header of a compacted text.
std::vector<std::string> BodyLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = text.find("END OF HEADER\n");
  if (at == std::string::npos) return lines;
  at = text.find('\n', at) + 1;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

struct Pair {
  const char* rinex;
  const char* compact;
};

const Pair kPairs[] = {
    {"r2-sample-events.26o", "r2-sample-events.crx1"},
    {"r2-clock-offset.26o", "r2-clock-offset.crx1"},
    {"r2-gps-raw-lost-epochs.26o", "r2-gps-raw-lost-epochs.crx1"},
    {"r2-real-york0440.15o", "r2-real-york0440.crx1"},
    {"r3-example-events_MO.rnx", "r3-example-events_MO.crx3"},
    {"r3-real-CEDA00USA_R_20182100000_23H_15S_MO.rnx", "r3-real-CEDA00USA_R_20182100000_23H_15S_MO.crx3"},
    {"r3-real-P43300USA_R_20190012056_17M_15S_MO.rnx", "r3-real-P43300USA_R_20190012056_17M_15S_MO.crx3"},
};

TEST(CompactRinexSink, ReferencePairsMatchApartFromLine2InAnySplit) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(p.rinex);
    const std::string rinex = ReadFile(std::string(QZR2RIN_TEST_DATA "/hatanaka/") + p.rinex);
    const std::string expected =
        WithoutLine2(ReadFile(std::string(QZR2RIN_TEST_DATA "/hatanaka/") + p.compact));
    ASSERT_FALSE(rinex.empty());
    ASSERT_FALSE(expected.empty());
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      SCOPED_TRACE(piece);
      const Result r = Compact(rinex, piece);
      EXPECT_EQ(r.problem, "");
      EXPECT_TRUE(r.flushed);
      EXPECT_TRUE(WithoutLine2(r.text) == expected)
          << "first difference at byte "
          << std::distance(expected.begin(),
                           std::mismatch(expected.begin(), expected.end(), WithoutLine2(r.text).begin(),
                                         WithoutLine2(r.text).end())
                               .first);
    }
  }
}

// A day of compact text must not wait in memory for the end: what is
// compacted reaches the next sink in pieces as the text comes in.
TEST(CompactRinexSink, PassesItsOutputOnWhileTheTextComes) {
  class Counting final : public ByteSink {
   public:
    void Write(std::string_view bytes) override {
      ++writes;
      largest = std::max(largest, bytes.size());
    }
    bool Flush() override { return true; }
    int writes = 0;
    std::size_t largest = 0;
  };
  const std::string rinex = ReadFile(QZR2RIN_TEST_DATA "/hatanaka/r2-clock-offset.26o");
  Counting out;
  CompactRinexSink sink(out, "QZR2RIN 1.40", kWhen);
  constexpr std::size_t kPiece = 100000;  // ends inside a line, as a worker's blocks do
  for (std::size_t at = 0; at < rinex.size(); at += kPiece)
    sink.Write(std::string_view(rinex).substr(at, kPiece));
  EXPECT_GT(out.writes, 2);
  ASSERT_TRUE(sink.Flush());
  EXPECT_LT(out.largest, rinex.size() / 4);
}

// A header line with its label at column 61.
std::string HeaderLine(std::string content, const char* label) {
  content.resize(kLabelColumn, ' ');
  return content + label + "\n";
}

// RINEX 3 with GPS types as given ("C1C L1C").
std::string Header3(int types, const std::string& names) {
  char count[8];
  std::snprintf(count, sizeof count, "G%5d ", types);
  return HeaderLine("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
         HeaderLine(count + names, "SYS / # / OBS TYPES") + HeaderLine("", "END OF HEADER");
}

std::string Header2(int types, const std::string& names) {
  char count[8];
  std::snprintf(count, sizeof count, "%6d", types);
  return HeaderLine("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
         HeaderLine(count + names, "# / TYPES OF OBSERV") + HeaderLine("", "END OF HEADER");
}

// A RINEX 3 epoch line; `clock` (15 characters) follows the reserved columns.
std::string Epoch3(double second, char flag, int count, const std::string& clock = "") {
  char text[kLineText];
  std::snprintf(text, sizeof text, "> 2026 03 14 10 00%11.7f  %c%3d", second, flag, count);
  std::string line = text;
  if (!clock.empty()) line = line + "      " + clock;
  return line + "\n";
}

std::string Epoch2(double second, const std::string& satellites) {
  char text[kLineText];
  std::snprintf(text, sizeof text, " 26  3 14 10  0%11.7f  0%3zu", second, satellites.size() / 3);
  return text + satellites + "\n";
}

// One observation field: the value right-justified in 14 columns, then LLI and SSI.
std::string F(const std::string& value, const char* flags = "  ") {
  return std::string(kValueWidth - value.size(), ' ') + value + flags;
}

std::vector<std::string> DataLines(const std::vector<std::string>& body, std::size_t perEpoch) {
  std::vector<std::string> lines;
  for (std::size_t i = 2; i < body.size(); i += perEpoch) lines.push_back(body[i]);
  return lines;
}

struct ArcCase {
  const char* behaviour;
  std::vector<std::string> values;
  std::vector<std::string> expected;
};

TEST(CompactRinexSink, ArcsClimbToThirdOrderAndRestartOnTheTruncatedPart) {
  const ArcCase kCases[] = {
      {"steady arc",
       {"1.000", "3.000", "6.000", "10.000", "15.000"},
       {"3&1000 &&", "2000", "1000", "0", "0"}},
      {"jump kept at order 2, restarted at order 3",
       {"0.000", "0.000", "6000000.000", "6000000.000"},
       {"3&0 &&", "0", "6000000000", "3&6000000000"}},
      // V differs by more than 10^10 but its 10^5 parts only by 10^5.
      {"limit on the 10^5 parts kept", {"-99.999", "10000099.999"}, {"3&-99999 &&", "10000199998"}},
      {"limit on the 10^5 parts passed", {"-99.999", "10000100.000"}, {"3&-99999 &&", "3&10000100000"}},
      {"values below one", {"-.123", "0.877", "-0.000"}, {"3&-123 &&", "1000", "-1877"}},
  };
  for (const ArcCase& c : kCases) {
    SCOPED_TRACE(c.behaviour);
    std::string rinex = Header3(1, "C1C");
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      rinex += Epoch3(static_cast<double>(i), '0', 1) + "G01" + F(c.values[i]) + "\n";
    }
    const Result r = Compact(rinex);
    ASSERT_EQ(r.problem, "");
    EXPECT_EQ(DataLines(BodyLines(r.text), 3), c.expected);
  }
}

TEST(CompactRinexSink, BlankFieldRestartsItsArcAndFlagsAreDifferenced) {
  const std::string rinex = Header3(3, "C1C L1C S1C") + Epoch3(0, '0', 1) + "G05" + F("20000000.123", " 5") +
                            F("123.000", "15") + F("45.000") + "\n" + Epoch3(1, '0', 1) + "G05" +
                            F("20000001.123", " 5") + F("") + F("46.000") + "\n" + Epoch3(2, '0', 1) + "G05" +
                            F("20000002.123", " 5") + F("125.000", " 5") + F("47.000") + "\n";
  const Result r = Compact(rinex);
  ASSERT_EQ(r.problem, "");
  const std::vector<std::string> expected = {
      "3&20000000123 3&123000 3&45000 &515&&",  // new: every flag shown, blanks as '&'
      "1000  1000   &&",                        // blank L1C: an empty token; its flags went blank
      "0 3&125000 0    5",
  };
  EXPECT_EQ(DataLines(BodyLines(r.text), 3), expected);
}

TEST(CompactRinexSink, Rinex2BlankFieldForgetsItsOldFlags) {
  const std::string rinex = Header2(2, "    C1    L1") + Epoch2(0, "G01") + F("1.000") + F("2.000", "1 ") +
                            "\n" + Epoch2(1, "G01") + F("2.000") + "\n" + Epoch2(2, "G01") + F("3.000") +
                            F("4.000", "1 ") + "\n";
  const Result r = Compact(rinex);
  ASSERT_EQ(r.problem, "");
  EXPECT_EQ(DataLines(BodyLines(r.text), 3),
            (std::vector<std::string>{"3&1000 3&2000   1", "1000", "0 3&4000   1"}));
  EXPECT_EQ(BodyLines(r.text)[0], "&26  3 14 10  0  0.0000000  0  1G01");
}

TEST(CompactRinexSink, EventsResetEveryArcButAPowerFailureDoesNot) {
  const std::string comment = HeaderLine("SOMETHING HAPPENED", "COMMENT");
  const std::string rinex = Header3(1, "C1C") + Epoch3(0, '0', 1) + "G01" + F("1.000") + "\n" +
                            Epoch3(1, '1', 1) + "G01" + F("2.000") + "\n" + Epoch3(1.5, '3', 1) +
                            comment.substr(0, 67) + "   \n" + Epoch3(1.75, '5', 0) + Epoch3(2, '0', 1) +
                            "G01" + F("3.000") + "\n";
  const Result r = Compact(rinex);
  ASSERT_EQ(r.problem, "");
  const std::vector<std::string> expected = {
      "> 2026 03 14 10 00  0.0000000  0  1      G01",
      "",
      "3&1000 &&",
      "                    1          1",
      "",
      "1000",
      "> 2026 03 14 10 00  1.5000000  3  1",
      comment.substr(0, 67),
      "> 2026 03 14 10 00  1.7500000  5  0",
      "> 2026 03 14 10 00  2.0000000  0  1      G01",
      "",
      "3&3000 &&",
  };
  EXPECT_EQ(BodyLines(r.text), expected);
}

TEST(CompactRinexSink, ClockArcBreaksAtAnEpochWithoutClock) {
  const char* kClocks[] = {"  .000001000000", "  .000002000000", "",
                           "  .000004000000", " -.000001000000", "  .000000000000"};
  std::string rinex = Header3(1, "C1C");
  for (std::size_t i = 0; i < std::size(kClocks); ++i) {
    rinex += Epoch3(static_cast<double>(i), '0', 1, kClocks[i]) + "G01" + F("1.000") + "\n";
  }
  const Result r = Compact(rinex);
  ASSERT_EQ(r.problem, "");
  std::vector<std::string> clocks;
  const std::vector<std::string> body = BodyLines(r.text);
  for (std::size_t i = 1; i < body.size(); i += 3) clocks.push_back(body[i]);
  EXPECT_EQ(clocks,
            (std::vector<std::string>{"3&1000000", "1000000", "", "3&4000000", "-5000000", "6000000"}));
  EXPECT_EQ(body[0], "> 2026 03 14 10 00  0.0000000  0  1      G01");
}

TEST(CompactRinexSink, FirstTwoLinesNameTheFormatTheProgramAndTheTime) {
  struct Case {
    std::string first;
    const char* line1;
  };
  const Case kCases[] = {
      {Header2(1, "    C1"),
       "1.0                 COMPACT RINEX FORMAT                    CRINEX VERS   / TYPE"},
      {Header3(1, "C1C"), "3.0                 COMPACT RINEX FORMAT                    CRINEX VERS   / TYPE"},
      {HeaderLine("     4.02           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           HeaderLine("", "END OF HEADER"),
       "3.0                 COMPACT RINEX FORMAT                    CRINEX VERS   / TYPE"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line1);
    const Result r = Compact(c.first);
    ASSERT_EQ(r.problem, "");
    EXPECT_EQ(r.text.substr(0, r.text.find('\n')), c.line1);
    EXPECT_EQ(r.text.substr(r.text.find('\n') + 1, 79),
              "QZR2RIN 1.40                            10-Dec-26 05:47     CRINEX PROG / DATE\n");
  }
}

struct ProblemCase {
  const char* behaviour;
  std::string text;
  const char* problem;
};

TEST(CompactRinexSink, TextsThatCannotBeCompactedAreRefusedWithoutOutput) {
  const std::string h3 = Header3(1, "C1C");
  const std::string h2 = Header2(2, "    C1    L1");
  const ProblemCase kCases[] = {
      {"F14.2 field", h3 + Epoch3(0, '0', 1) + "G01   20000000.12\n", "abnormal data field in line 5"},
      {"letters in a value", h3 + Epoch3(0, '0', 1) + "G01   2000x000.123\n",
       "abnormal data field in line 5"},
      {"satellite twice", h3 + Epoch3(0, '0', 2) + "G01" + F("1.000") + "\nG01" + F("1.000") + "\n",
       "duplicated satellite in line 6"},
      {"101 satellites", h3 + Epoch3(0, '0', 101), "more than 100 satellites in line 4"},
      {"101 types",
       HeaderLine("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           HeaderLine("G  101", "SYS / # / OBS TYPES"),
       "more than 100 observation types in line 2"},
      {"RINEX 2 blank value with a flag", h2 + Epoch2(0, "G01") + F("1.000") + F("", "1 ") + "\n",
       "data is blank but there is flag in line 5"},
      {"clock point misplaced", h3 + Epoch3(0, '0', 1, "   0.0000010000") + "G01" + F("1.000") + "\n",
       "invalid format for clock offset in line 4"},
      {"clock with a letter", h3 + Epoch3(0, '0', 1, "  .0000x1000000") + "G01" + F("1.000") + "\n",
       "invalid format for clock offset in line 4"},
      {"line over 2048 characters", h3.substr(0, 81) + std::string(2049, 'x') + "\n" + h3.substr(81),
       "line longer than 2048 characters in line 2"},
      {"endless line", h3 + std::string(5000, 'x'), "line longer than 2048 characters in line 4"},
      {"more fields than types", h3 + Epoch3(0, '0', 1) + "G01" + F("1.000") + F("2.000") + "\n",
       "mismatch of number of the data types in line 5"},
      {"system without types", h3 + Epoch3(0, '0', 1) + "R01" + F("1.000") + "\n",
       "satellite of a system without SYS / # / OBS TYPES in line 5"},
      {"epoch cut short", h3 + Epoch3(0, '0', 2) + "G01" + F("1.000") + "\n",
       "file seems to be truncated in line 6"},
      {"header cut short", h3.substr(0, h3.rfind('\n', h3.size() - 2) + 1),
       "file seems to be truncated in line 3"},
      {"navigation file", HeaderLine("     3.04           N: GNSS NAV DATA    M", "RINEX VERSION / TYPE"),
       "not a RINEX observation file in line 1"},
      {"RINEX 3 epoch without '>'", h3 + " 2026 03 14 10 00  0.0000000  0  1\n",
       "abnormal epoch line in line 4"},
      {"RINEX 2 epoch without flag", h2 + " 26  3 14 10  0  0.0000000\n", "abnormal epoch line in line 4"},
  };
  for (const ProblemCase& c : kCases) {
    SCOPED_TRACE(c.behaviour);
    const Result r = Compact(c.text);
    EXPECT_EQ(r.problem, c.problem);
    EXPECT_FALSE(r.flushed);
    EXPECT_EQ(r.text, "");
  }
}

// Every prefix and many one-byte changes of a real text: either compacted or
// refused with a reason, never both and never a crash.
TEST(CompactRinexSink, DamagedTextIsCompactedOrRefusedConsistently) {
  const std::string rinex = ReadFile(QZR2RIN_TEST_DATA "/hatanaka/r3-example-events_MO.rnx");
  ASSERT_FALSE(rinex.empty());
  std::size_t refused = 0;
  for (std::size_t at = 0; at < rinex.size(); at += kDamageStep) {
    for (const char c : {'\0', '.', '9', ' ', '\n', '>', '-', '\x1a'}) {
      std::string damaged = rinex;
      damaged[at] = c;
      for (const std::string& text : {damaged, rinex.substr(0, at)}) {
        const Result r = Compact(text);
        EXPECT_EQ(r.flushed, r.problem.empty());
        refused += r.problem.empty() ? 0 : 1;
      }
    }
  }
  EXPECT_GT(refused, 0U);
}

}  // namespace
}  // namespace qzr2rin
