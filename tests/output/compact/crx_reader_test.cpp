#include "support/crx_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/qzr_writer.h"

namespace qzrtest {
namespace {

const std::string kPairs = std::string(QZR2RIN_TEST_DATA) + "/hatanaka/";

// A header line: the value in columns 1-60, the label after it.
std::string Header(std::string value, const std::string& label) {
  value.resize(60, ' ');
  return value + label + "\n";
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// Where two texts first differ, by line, so that a failure on a large file
// shows the line rather than the whole text; empty when they are equal.
std::string FirstDifference(const std::string& got, const std::string& want) {
  std::size_t line = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
    if (got[i] != want[i]) {
      const auto until = [&](const std::string& text) {
        return text.substr(start, text.find('\n', start) - start);
      };
      return "line " + std::to_string(line) + ":\n got  '" + until(got) + "'\n want '" + until(want) + "'";
    }
    if (got[i] == '\n') {
      ++line;
      start = i + 1;
    }
  }
  if (got.size() == want.size()) return {};
  return "one text ends at line " + std::to_string(line) + ", the other goes on";
}

std::string Right(const std::string& text, std::size_t width) {
  return std::string(width - std::min(width, text.size()), ' ') + text;
}

std::string Decompressed(const std::string& crx) {
  std::string rinex;
  std::string problem;
  EXPECT_TRUE(DecompressCrx(crx, rinex, problem)) << problem;
  return rinex;
}

// Two GPS types and one Galileo type: a clock arc that grows and stops,
// values below one, a flag that clears, a field that goes blank and comes
// back, an event, and an epoch after it written whole.
const std::string kHeader3 = Header("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
                             Header("G    2 C1C L1C", "SYS / # / OBS TYPES") +
                             Header("E    1 C1X", "SYS / # / OBS TYPES") + Header("", "END OF HEADER");
const std::string kCrx3 =
    Header("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
    Header("TEST                                    10-Dec-26 00:00", "CRINEX PROG / DATE") + kHeader3 +
    Lines({
        "> 2024 01 01 00 00  0.0000000  0  2      G01E05",
        "3&-123456789",
        "3&20000000123 3&-500 &&15",
        "3&456 &&",
        "                   3",
        "1000",
        "1000 250   &",
        "",
        "                 1 &",
        "",
        "10 3&777",
        "3&-1000",
        ">                              3  1",
        Header("NEW SITE", "MARKER NAME").substr(0, 71),
        "> 2024 01 01 00 02  0.0000000  0  1      G01",
        "",
        "3&20000003000 3&1000 &&&&",
    });
const std::string kRinex3 = kHeader3 + Lines({
                                           "> 2024 01 01 00 00  0.0000000  0  2       -.000123456789",
                                           "G01  20000000.123           -.50015",
                                           "E05          .456",
                                           "> 2024 01 01 00 00 30.0000000  0  2       -.000123455789",
                                           "G01  20000001.123           -.250 5",
                                           "E05",
                                           "> 2024 01 01 00 01  0.0000000  0  2",
                                           "G01  20000002.133            .777 5",
                                           "E05        -1.000",
                                           ">                              3  1",
                                           Header("NEW SITE", "MARKER NAME").substr(0, 71),
                                           "> 2024 01 01 00 02  0.0000000  0  1",
                                           "G01  20000003.000           1.000",
                                       });
// The number of lines of kCrx3 after which it holds whole records only.
const std::vector<std::size_t> kWholeCrx3 = {6, 10, 14, 18, 20, 23};

// Six types, the sixth on a continuation line of the types record: a clock
// only at the first epoch, a field that goes blank with its flags, and a
// satellite whose fields all go blank.
const std::string kHeader2 =
    Header("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
    Header("     6    C1    L1    L2    P2    S1", "# / TYPES OF OBSERV") +
    Header("          S2", "# / TYPES OF OBSERV") + Header("", "END OF HEADER");
const std::string kCrx1 = Header("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
                          Header("TEST", "CRINEX PROG / DATE") + kHeader2 +
                          Lines({
                              "&24  1  1  0  0  0.0000000  0  2G01G02",
                              "3&-5",
                              "3&20000000000 3&100000000 3&-1 3&5 3&45000 3&40000   1  7",
                              "3&21000000000",
                              "                3",
                              "",
                              "10  2  0 0      8",
                              "",
                          });
const std::string kRinex2 =
    kHeader2 + Lines({
                   " 24  1  1  0  0  0.0000000  0  2G01G02                               -.000000005",
                   "  20000000.000      100000.0001          -.001 7          .005          45.000",
                   "        40.000",
                   "  21000000.000",
                   "",
                   " 24  1  1  0  0 30.0000000  0  2G01G02",
                   "  20000000.010                            .001 8                        45.000",
                   "        40.000",
                   "",
                   "",
               });

TEST(DecompressCrx, SmallFilesOfBothVersions) {
  EXPECT_EQ(Decompressed(kCrx3), kRinex3);
  EXPECT_EQ(Decompressed(kCrx1), kRinex2);
}

TEST(DecompressCrx, ToleratesCarriageReturnsAndDosEnd) {
  std::string crlf;
  for (const char c : kCrx3) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(Decompressed(crlf + "\x1A"), kRinex3);
}

TEST(DecompressCrx, SkipsEscapeLinesBeforeAnEpoch) {
  std::string crx = kCrx3;
  crx.insert(crx.find("> 2024 01 01 00 02"), "& escaped\n");
  EXPECT_EQ(Decompressed(crx), kRinex3);
}

// One value over five epochs, in arcs whose differences stop at other orders
// than the usual third.
TEST(DecompressCrx, ArcsOfEveryOrder) {
  struct Case {
    std::vector<std::string> tokens;
    std::vector<std::string> values;
  };
  const Case kCases[] = {
      {{"0&5", "7", "9", "11", "-2"}, {".005", ".007", ".009", ".011", "-.002"}},
      {{"1&5", "2", "2", "2", "-13"}, {".005", ".007", ".009", ".011", "-.002"}},
      {{"2&5", "2", "0", "0", "-15"}, {".005", ".007", ".009", ".011", "-.002"}},
      {{"3&1", "1", "1", "1", "1"}, {".001", ".002", ".004", ".008", ".015"}},
      {{"5&1", "1", "1", "1", "1"}, {".001", ".002", ".004", ".008", ".016"}},
      {{"3&1", "1", "1", "2&1000", "1000"}, {".001", ".002", ".004", "1.000", "2.000"}},
  };
  const std::string first = Header("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
                            Header("TEST", "CRINEX PROG / DATE");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tokens[0]);
    std::string crx = first + kHeader3;
    std::string rinex = kHeader3;
    for (std::size_t epoch = 0; epoch < c.tokens.size(); ++epoch) {
      const std::string seconds = std::to_string(epoch);
      crx += epoch == 0 ? "> 2024 01 01 00 00  0.0000000  0  1      E05\n"
                        : std::string(19, ' ') + seconds + "\n";
      crx += "\n" + c.tokens[epoch] + "\n";
      rinex += "> 2024 01 01 00 00 " + (epoch == 0 ? std::string(" ") : seconds) + "0.0000000  0  1\n";
      rinex += "E05" + Right(c.values[epoch], 14) + "\n";
    }
    EXPECT_EQ(Decompressed(crx), rinex);
  }
}

TEST(DecompressCrx, ReferencePairs) {
  struct Case {
    const char* crx;
    const char* rinex;  // what the reference decompressor gave back
  };
  const Case kCases[] = {
      {"r2-sample-events.crx1", "r2-sample-events.rt"},
      {"r2-clock-offset.crx1", "r2-clock-offset.rt"},
      {"r2-gps-raw-lost-epochs.crx1", "r2-gps-raw-lost-epochs.rt"},
      {"r2-real-york0440.crx1", "r2-real-york0440.15o"},
      {"r3-real-P43300USA_R_20190012056_17M_15S_MO.crx3", "r3-real-P43300USA_R_20190012056_17M_15S_MO.rnx"},
      {"r3-real-CEDA00USA_R_20182100000_23H_15S_MO.crx3", "r3-real-CEDA00USA_R_20182100000_23H_15S_MO.rt"},
      {"r3-example-events_MO.crx3", "r3-example-events_MO.rt"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.crx);
    const std::string crx = ReadFile(kPairs + c.crx);
    ASSERT_FALSE(crx.empty());
    EXPECT_EQ(FirstDifference(Decompressed(crx), ReadFile(kPairs + c.rinex)), "");
  }
}

TEST(CanonicalRinex2, ReferencePairs) {
  struct Case {
    const char* rinex;
    const char* canonical;
  };
  const Case kCases[] = {
      {"r2-sample-events.26o", "r2-sample-events.rt"},
      {"r2-clock-offset.26o", "r2-clock-offset.rt"},
      {"r2-gps-raw-lost-epochs.26o", "r2-gps-raw-lost-epochs.rt"},
      {"r2-real-york0440.15o", "r2-real-york0440.15o"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.rinex);
    const std::string rinex = ReadFile(kPairs + c.rinex);
    ASSERT_FALSE(rinex.empty());
    EXPECT_EQ(FirstDifference(CanonicalRinex2(rinex), ReadFile(kPairs + c.canonical)), "");
  }
}

TEST(CanonicalRinex2, ValuesAndClocks) {
  const std::string header =
      Header("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
      Header("     2    C1    L1", "# / TYPES OF OBSERV");
  struct Case {
    const char* clock;  // right-justified in columns 69-80 of the epoch line
    const char* clockBack;
    const char* value;  // the first field; the second is blank
    const char* flags;
    const char* valueBack;
  };
  const Case kCases[] = {
      {"", "", "0.123", "  ", ".123"},
      {"0.000300000", ".000300000", "-0.000", "1 ", ".000"},
      {"-0.000000002", "-.000000002", "-0.500", " 5", "-.500"},
      {"1.500000000", "1.500000000", "20000000.123", "  ", "20000000.123"},
      {"", "", "-123456.789", "19", "-123456.789"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    const std::string epoch = " 24  1  1  0  0  0.0000000  0  1G05";
    const bool clock = *c.clock != '\0';
    const std::string epochLine = clock ? epoch + std::string(68 - epoch.size(), ' ') : epoch;
    const std::string rinex = header + Header("", "END OF HEADER  ") +
                              Lines({epochLine + (clock ? Right(c.clock, 12) : "") + "   ",
                                     Right(c.value, 14) + c.flags + std::string(16, ' ')});
    const std::string data = Right(c.valueBack, 14) + c.flags;
    const std::string back = header + Header("", "END OF HEADER") +
                             Lines({epochLine + (clock ? Right(c.clockBack, 12) : ""),
                                    data.substr(0, data.find_last_not_of(' ') + 1)});
    EXPECT_EQ(CanonicalRinex2(rinex), back);
  }
}

// Thirteen satellites: the thirteenth goes on a continuation line, which old
// files wrote from column 1.
TEST(CanonicalRinex2, SatelliteContinuationLines) {
  const std::string header =
      Header("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
      Header("     1    C1", "# / TYPES OF OBSERV") + Header("", "END OF HEADER");
  const std::string epoch = " 24  1  1  0  0  0.0000000  0 13G01G02G03G04G05G06G07G08G09G10G11G12";
  const std::string data = Lines(std::vector<std::string>(13, "  20000000.000"));
  const std::string canonical = header + Lines({epoch, std::string(32, ' ') + "G13"}) + data;
  EXPECT_EQ(CanonicalRinex2(canonical), canonical);
  EXPECT_EQ(CanonicalRinex2(header + Lines({epoch, "G13"}) + data), canonical);
  EXPECT_EQ(CanonicalRinex2(header + Lines({epoch + "    ", std::string(32, ' ') + "G13     "}) + data),
            canonical);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(DecompressCrx, RefusesMalformedTexts) {
  struct Case {
    const char* name;
    std::string crx;
  };
  const std::string event = ">                              3  1\n";
  const Case kCases[] = {
      {"empty text", ""},
      {"bad first line", Replaced(kCrx3, "3.0                 COMPACT", "2.0                 COMPACT")},
      {"first line without its label", Replaced(kCrx3, "CRINEX VERS   / TYPE", "CRINEX VERS / TYPE")},
      {"RINEX version of the other format", Replaced(kCrx3, "     3.04", "     2.11")},
      {"no END OF HEADER", Replaced(kCrx3, Header("", "END OF HEADER"), "")},
      {"bad number of types", Replaced(kCrx3, "G    2 C1C", "G    x C1C")},
      {"new satellite without an arc start", Replaced(kCrx3, "3&20000000123 3&-500", "20000000123 3&-500")},
      {"returning field without an arc start", Replaced(kCrx3, "\n3&-1000\n", "\n-1000\n")},
      {"garbage value", Replaced(kCrx3, "3&20000000123", "3&2000x000123")},
      {"garbage difference", Replaced(kCrx3, "1000 250   &", "1000 25O   &")},
      {"double sign", Replaced(kCrx3, "3&-500", "3&--500")},
      {"arc order too high", Replaced(kCrx3, "3&-500", "9&-500")},
      {"arc start without a value", Replaced(kCrx3, "3&-500", "3&")},
      {"overlong number", Replaced(kCrx3, "3&-500", "3&-5000000000000000000000")},
      {"value out of range", Replaced(kCrx3, "3&20000000123", "3&10000000000000")},
      {"negative value out of range", Replaced(kCrx3, "3&20000000123", "3&-1000000000000")},
      {"too many flags", Replaced(kCrx3, "3&456 &&", "3&456 &&&")},
      {"clock with a bad number", Replaced(kCrx3, "3&-123456789", "3&-12345678x")},
      {"clock with a point", Replaced(kCrx3, "3&-123456789", "-.000123456789")},
      {"clock with a blank", Replaced(kCrx3, "3&-123456789", "3& 123456789")},
      {"clock difference without an arc", Replaced(kCrx3, "  0  1      G01\n\n", "  0  1      G01\n1000\n")},
      {"clock out of range", Replaced(kCrx3, "3&-123456789", "3&100000000000000")},
      {"system without types", Replaced(kCrx3, "G01E05\n", "G01C05\n")},
      {"satellite twice", Replaced(kCrx3, "G01E05\n", "G01G01\n")},
      {"fewer satellites than counted", Replaced(kCrx3, "  0  2      G01E05", "  0  3      G01E05")},
      {"more satellites than counted", Replaced(kCrx3, "  0  2      G01E05", "  0  1      G01E05")},
      {"first epoch written as a difference",
       Replaced(kCrx3, "> 2024 01 01 00 00  0.0000000", "  2024 01 01 00 00  0.0000000")},
      {"epoch after an event written as a difference",
       Replaced(kCrx3, "> 2024 01 01 00 02  0.0000000  0  1      G01", "                 2")},
      {"event written as a difference",
       Replaced(kCrx3, "                 1 &", "                 1 &           3")},
      {"bad epoch flag", Replaced(kCrx3, "  0  2      G01E05", "  x  2      G01E05")},
      {"bad event count", Replaced(kCrx3, event, ">                              3  x\n")},
      {"bad CRX 1.0 epoch line",
       Replaced(kCrx1, "&24  1  1  0  0  0.0000000  0  2", "&24  1  1  0  0  0.0000000 10  2")},
      {"too many flags in CRX 1.0", Replaced(kCrx1, "10  2  0 0      8", "10  2  0 0      8      8")},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string rinex;
    std::string problem;
    EXPECT_FALSE(DecompressCrx(c.crx, rinex, problem));
    EXPECT_FALSE(problem.empty());
  }
}

TEST(DecompressCrx, RefusesEveryCutButBetweenRecords) {
  std::vector<std::size_t> wholeAt;  // the lengths of kCrx3 that end after a whole record
  std::size_t line = 0;
  for (std::size_t i = 0; i < kCrx3.size(); ++i) {
    if (kCrx3[i] != '\n') continue;
    ++line;
    if (std::find(kWholeCrx3.begin(), kWholeCrx3.end(), line) != kWholeCrx3.end()) wholeAt.push_back(i + 1);
  }
  ASSERT_EQ(wholeAt.size(), kWholeCrx3.size());
  ASSERT_EQ(wholeAt.back(), kCrx3.size());
  for (std::size_t cut = 0; cut <= kCrx3.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::string rinex;
    std::string problem;
    const bool whole = std::find(wholeAt.begin(), wholeAt.end(), cut) != wholeAt.end();
    EXPECT_EQ(DecompressCrx(kCrx3.substr(0, cut), rinex, problem), whole) << problem;
    if (whole) {
      EXPECT_TRUE(kRinex3.starts_with(rinex));
    }
  }
}

// Damaged copies of real files: each either decodes or says why, and none
// reads outside its text (the sanitizer build runs this).
TEST(DecompressCrx, SurvivesDamagedFiles) {
  // The second keeps its first records only, to keep the sanitizer run short.
  const std::string events = ReadFile(kPairs + "r2-sample-events.crx1");
  const std::string kTexts[] = {ReadFile(kPairs + "r3-example-events_MO.crx3"),
                                events.substr(0, events.find("\n&", 6000) + 1)};
  const std::string kNoise = " &-0123456789>\n\r\x1A";
  std::mt19937 random(2026);
  for (const std::string& crx : kTexts) {
    std::string rinex;
    std::string problem;
    ASSERT_TRUE(DecompressCrx(crx, rinex, problem)) << problem;
    for (int round = 0; round < 400; ++round) {
      std::string damaged = crx;
      for (int k = 0; k < 3; ++k) {
        const std::size_t at = random() % damaged.size();
        switch (random() % 3) {
          case 0: damaged[at] = kNoise[random() % kNoise.size()]; break;
          case 1: damaged.erase(at, random() % 40); break;
          default: damaged.insert(at, 1, kNoise[random() % kNoise.size()]); break;
        }
      }
      if (!DecompressCrx(damaged, rinex, problem)) {
        EXPECT_FALSE(problem.empty());
      }
    }
  }
}

}  // namespace
}  // namespace qzrtest
