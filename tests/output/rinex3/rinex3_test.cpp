// The RINEX 3 observation writer over crafted stored records: a whole file
// against a hand-written golden file, the columns of its fields, the types
// each system lists, and the records of events and occupations.

#include "output/rinex3/rinex3.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/process_flags.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"
#include "support/observation_sets.h"

namespace qzr2rin {
namespace {

using qzrtest::CollectedRecords;
using qzrtest::ProcessFlagsScope;
using qzrtest::StoredSet;

using qzrtest::At;
using qzrtest::kCaAll;
using qzrtest::kL2RangePhase;
using qzrtest::kP1Range;
using qzrtest::kWritingTime;
constexpr std::uint16_t kQuarter = kFlagCn0QuarterUnits;
constexpr std::uint16_t kAs = kFlagAntiSpoofing;
constexpr std::uint8_t kG05 = 0x05;
constexpr std::uint8_t kR07 = 0x87;
constexpr std::uint8_t kS20 = 0x54;  // PRN 120

class Collected : public CollectedRecords {
 public:
  Collected() { ::setenv("SOURCE_DATE_EPOCH", kWritingTime, 1); }

  std::string Write(Rinex3Settings settings = {}, std::ostream* console = nullptr) {
    const ObservationSet set = Collect();
    Rinex3Observations writer(set, std::move(settings));
    StringSink out;
    EXPECT_EQ(writer.Write(out, console), Status::Ok);
    for (int s = 0; s < Rinex3Observations::kSystems; ++s) {
      std::vector<std::string> codes;
      for (const auto& type : writer.TypesOf(static_cast<Rinex3Observations::SystemIndex>(s)))
        codes.emplace_back(type.code);
      types[static_cast<std::size_t>(s)] = codes;
    }
    return out.Text();
  }
  std::array<std::vector<std::string>, Rinex3Observations::kSystems> types;
};

std::string Golden(const std::string& name) {
  return qzrtest::ReadFile(std::string(QZR2RIN_TEST_DATA) + "/rinex3/" + name);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Body(const std::string& file) {
  const std::string end = "END OF HEADER\n";
  const std::size_t at = file.find(end);
  return at == std::string::npos ? std::string() : file.substr(at + end.size());
}

void ExpectSameText(const std::string& actual, const std::string& expected) {
  const auto a = Lines(actual);
  const auto e = Lines(expected);
  for (std::size_t i = 0; i < std::max(a.size(), e.size()); ++i) {
    const std::string al = i < a.size() ? a[i] : "<none>";
    const std::string el = i < e.size() ? e[i] : "<none>";
    if (al != el) {
      ADD_FAILURE() << "line " << i + 1 << "\n  actual:   [" << al << "]\n  expected: [" << el << "]";
      return;
    }
  }
  EXPECT_EQ(actual, expected);
}

// GPS, GLONASS and SBAS, stored out of order; a GPS L1 P Doppler that is a
// copy, a GLONASS one that is not; loss of lock on L1 and a half cycle on
// L2 under anti-spoofing; an external event; a new site with a slant
// height; clock offsets, one a negative zero.
void Mixed(Collected& c) {
  qzrtest::WithGpsUtc(c.f(),
                      {.present = true, .utc = {.wnt = 232, .dtls = 13, .dn = 5, .wnlsf = 232, .dtlsf = 14}});
  c.Occupation(1, "PILLAR1", "12345M001", {0, kHeightGiven, 1.5f, 0.25f, -0.125f});
  c.Epoch(At(10, 0, 0), 0, kEpochClockOffset, {4000000.5, 1000000.25, 4800000.125}, -0.000123456789);
  c.Satellite(kR07,
              {{kCaAll | kQuarter, 19500000.5, 104205000.125, 1000.0f, 200},
               {kP1Range | kFlagCarrierPhase | kFlagDoppler, 19500000.75, 104205000.5, 999.5f},
               {kL2RangePhase, 19500001.5, 81048000.375}},
              5);
  c.Satellite(kS20, {{kCaAll, 38000000.25, 199695000.125, 0.345f, 38}});
  c.Satellite(kG05, {{kCaAll | kFlagLossOfLock, 21000000.375, 110357000.5, 250.25f, 45},
                     {kP1Range | kFlagCarrierPhase | kFlagDoppler | kFlagDopplerCopied | kAs, 21000000.625,
                      110357000.75, 250.25f},
                     {kL2RangePhase | kAs | 0x02, 21000001.125, 85993000.25}});
  c.Event(kPortA, At(10, 0, 15), 500000000, kTimeBaseGps);
  c.Epoch(At(10, 0, 30), 0, kEpochClockOffset, {4000001.5, 1000001.25, 4800001.125}, -1e-13);
  c.Satellite(kG05, {{kCaAll, 21000030.375, 110357300.5, 250.0f, 5}, {kP1Range, 21000030.625}});
  c.Satellite(kR07,
              {{kCaAll, 19500030.5, 0.5, 0.25f, 60},
               {kP1Range | kFlagDoppler, 19500030.75, 0, 0.0004f},
               {kL2RangePhase, 19500031.5, 81048300.375}},
              5);
  c.Occupation(2, "PILLAR2", "", {0, kHeightGiven | kHeightSlant, 2.0f, 0.0f, 0.0f});
  c.Epoch(At(10, 1, 0));
  c.Satellite(kG05, {{kFlagCaSet | kFlagPseudorange | kFlagCn0InStatus2, 21000060.375, 0, 0, 30}});
}

TEST(Rinex3File, MixedMatchesGoldenFile) {
  ProcessFlagsScope flags({.clockOffset = true});
  Collected c;
  Mixed(c);
  ExpectSameText(c.Write(), Golden("mixed.rnx"));
}

TEST(Rinex3File, VersionTextIsTheOnlyDifferenceOf304) {
  ProcessFlagsScope flags({.clockOffset = true});
  Collected c;
  Mixed(c);
  std::string file = c.Write({.version = "3.04"});
  ASSERT_EQ(file.substr(0, 9), "     3.04");
  file.replace(0, 9, "     3.05");
  EXPECT_EQ(file, Golden("mixed.rnx"));
}

// The first line with this label, or else the first that starts with
// `key`; empty when there is none.
std::string LineWith(const std::string& file, const std::string& key) {
  for (const std::string& line : Lines(file)) {
    if (line.size() > 60 && line.substr(60) == key) return line;
    if (line.rfind(key, 0) == 0) return line;
  }
  return "";
}

TEST(Rinex3File, FieldsStandInTheirColumns) {
  ProcessFlagsScope flags({.clockOffset = true});
  Collected c;
  Mixed(c);
  const std::string file = c.Write();
  struct Case {
    const char* record;  // a label, or how the line starts
    int first;           // 1-based columns, inclusive
    int last;
    const char* text;
  };
  const Case kCases[] = {
      {"RINEX VERSION / TYPE", 6, 9, "3.05"},
      {"RINEX VERSION / TYPE", 21, 21, "O"},
      {"RINEX VERSION / TYPE", 41, 41, "M"},
      {"RINEX VERSION / TYPE", 61, 80, "RINEX VERSION / TYPE"},
      {"PGM / RUN BY / DATE", 41, 59, "20040306 120000 UTC"},
      {"MARKER TYPE", 1, 20, "GEODETIC            "},
      {"SYS / # / OBS TYPES", 1, 1, "G"},
      {"SYS / # / OBS TYPES", 4, 6, "  8"},
      {"SYS / # / OBS TYPES", 8, 10, "C1C"},
      {"SYS / # / OBS TYPES", 36, 38, "L2W"},
      {"TIME OF FIRST OBS", 1, 6, "  2004"},
      {"TIME OF FIRST OBS", 31, 43, "    0.0000000"},
      {"TIME OF FIRST OBS", 49, 51, "GPS"},
      {"SYS / PHASE SHIFT", 1, 5, "G L1C"},
      {"GLONASS SLOT / FRQ #", 1, 3, "  1"},
      {"GLONASS SLOT / FRQ #", 5, 7, "R07"},
      {"GLONASS SLOT / FRQ #", 9, 10, " 5"},
      {"GLONASS COD/PHS/BIS", 2, 4, "C1C"},
      {"GLONASS COD/PHS/BIS", 5, 14, "          "},
      {"GLONASS COD/PHS/BIS", 15, 17, "C1P"},
      {"GLONASS COD/PHS/BIS", 28, 30, "C2C"},
      {"GLONASS COD/PHS/BIS", 41, 43, "C2P"},
      {"LEAP SECONDS", 1, 6, "    13"},
      {"LEAP SECONDS", 7, 12, "    14"},
      {"LEAP SECONDS", 13, 18, "  1256"},
      {"LEAP SECONDS", 19, 24, "     5"},
      {"LEAP SECONDS", 25, 27, "GPS"},
      {"PRN / # OF OBS", 4, 6, "G05"},
      {"PRN / # OF OBS", 7, 12, "     3"},
      {"> 2004 02 05 10 00  0", 3, 6, "2004"},
      {"> 2004 02 05 10 00  0", 8, 9, "02"},
      {"> 2004 02 05 10 00  0", 17, 18, "00"},
      {"> 2004 02 05 10 00  0", 19, 29, "  0.0000000"},
      {"> 2004 02 05 10 00  0", 32, 32, "0"},
      {"> 2004 02 05 10 00  0", 33, 35, "  3"},
      {"> 2004 02 05 10 00  0", 36, 41, "      "},
      {"> 2004 02 05 10 00  0", 42, 56, " -.000123456789"},
      {"> 2004 02 05 10 00 30", 42, 56, "  .000000000000"},
      {"G05  21000000", 1, 3, "G05"},
      {"G05  21000000", 4, 17, "  21000000.375"},
      {"G05  21000000", 18, 19, " 7"},
      {"G05  21000000", 20, 33, " 110357000.500"},
      {"G05  21000000", 34, 35, "17"},
      {"G05  21000000", 36, 51, "      -250.250  "},
      {"G05  21000000", 84, 99, " 110357000.750  "},    // no anti-spoofing bit, no C/N0
      {"G05  21000000", 116, 131, "  85993000.2502 "},  // the half-cycle bit
      {"S20", 36, 49, "         -.345"},
      {">                              4", 2, 31, "                              "},
      {">                              4", 32, 35, "4  2"},
      {"> 2004 02 05 10 00 15", 19, 35, " 15.5000000  5  0"},
      {"> 2004 02 05 10 01  0.0000000  3", 32, 35, "3  5"},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(std::string(k.record) + " " + std::to_string(k.first));
    const std::string line = LineWith(file, k.record);
    ASSERT_FALSE(line.empty());
    // Blanks past the end of a trimmed line count as written.
    std::string padded = line;
    if (padded.size() < static_cast<std::size_t>(k.last))
      padded.resize(static_cast<std::size_t>(k.last), ' ');
    EXPECT_EQ(
        padded.substr(static_cast<std::size_t>(k.first - 1), static_cast<std::size_t>(k.last - k.first + 1)),
        k.text);
  }
  for (const std::string& line : Lines(file)) EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
}

// Each system lists only the types its own satellites have.
TEST(Rinex3Header, TypesPerSystem) {
  struct Case {
    const char* name;
    std::uint8_t id;
    std::vector<StoredSet> sets;
    char system;
    std::vector<std::string> types;
  };
  const Case kCases[] = {
      {"GPS L1 C/A only",
       kG05,
       {{kCaAll, 21000000.5, 110000000.5, 10.0f, 40}},
       'G',
       {"C1C", "L1C", "D1C", "S1C"}},
      {"GPS P code only",
       kG05,
       {{kP1Range, 21000000.5}, {kFlagL2Set | kFlagPseudorange, 21000001.5}},
       'G',
       {"C1W", "C2W"}},
      {"GLONASS L2 phase and strength",
       kR07,
       {{kFlagL2Set | kFlagCarrierPhase | kFlagCn0InStatus2, 0, 1.5, 0, 30}},
       'R',
       {"L2P", "S2P"}},
      {"SBAS never lists P types",
       kS20,
       {{kCaAll, 38000000.5, 199000000.5, 1.0f, 40},
        {kP1Range, 38000000.5},
        {kL2RangePhase, 38000001.5, 2.5}},
       'S',
       {"C1C", "L1C", "D1C", "S1C"}},
      {"a copied L1 P Doppler is no type",
       kG05,
       {{kFlagCaSet | kFlagDoppler, 0, 0, 10.0f}, {kFlagDoppler | kFlagDopplerCopied, 0, 0, 10.0f}},
       'G',
       {"D1C"}},
      {"an own L1 P Doppler is",
       kG05,
       {{kFlagCaSet | kFlagDoppler, 0, 0, 10.0f}, {kFlagDoppler, 0, 0, 12.0f}},
       'G',
       {"D1C", "D1W"}},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.name);
    ProcessFlagsScope flags({});
    Collected c;
    c.Occupation(1, "PILLAR1", "");
    c.Epoch(At(10, 0, 0));
    c.Satellite(k.id, k.sets);
    const std::string file = c.Write();
    const int system = k.system == 'G' ? 0 : (k.system == 'R' ? 1 : 2);
    EXPECT_EQ(c.types[static_cast<std::size_t>(system)], k.types);
    std::string typesLine = std::string(1, k.system) + "  " +
                            std::string(3 - std::to_string(k.types.size()).size(), ' ') +
                            std::to_string(k.types.size());
    for (const std::string& t : k.types) typesLine += " " + t;
    typesLine.resize(60, ' ');
    EXPECT_NE(file.find(typesLine + "SYS / # / OBS TYPES\n"), std::string::npos) << file;
    // One system: its letter on the version line, and only its block.
    EXPECT_EQ(LineWith(file, "RINEX VERSION / TYPE")[40], k.system);
  }
}

TEST(Rinex3Records, CopiedL1PDopplerIsBlankAndAnOwnOneIsWritten) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  c.Epoch(At(10, 0, 0));
  c.Satellite(0x01,
              {{kFlagCaSet | kFlagDoppler, 0, 0, 10.0f}, {kFlagDoppler | kFlagDopplerCopied, 0, 0, 10.0f}});
  c.Satellite(0x02, {{kFlagCaSet | kFlagDoppler, 0, 0, 10.0f}, {kFlagDoppler, 0, 0, -12.5f}});
  const std::vector<std::string> body = Lines(Body(c.Write()));
  ASSERT_EQ(body.size(), 3u);
  EXPECT_EQ(body[1], "G01       -10.000");
  EXPECT_EQ(body[2], "G02       -10.000          12.500");
}

TEST(Rinex3Records, SignalStrengthIndicatorFollowsCarrierToNoise) {
  struct Case {
    std::uint8_t status2;
    bool quarter;
    char ssi;
  };
  const Case kCases[] = {{5, false, '1'},  {11, false, '1'}, {12, false, '2'}, {17, false, '2'},
                         {18, false, '3'}, {35, false, '5'}, {36, false, '6'}, {53, false, '8'},
                         {54, false, '9'}, {99, false, '9'}, {143, true, '5'}, {144, true, '6'}};
  for (const Case& k : kCases) {
    SCOPED_TRACE(static_cast<int>(k.status2));
    ProcessFlagsScope flags({});
    Collected c;
    c.Occupation(1, "PILLAR1", "");
    c.Epoch(At(10, 0, 0));
    c.Satellite(0x01, {{static_cast<std::uint16_t>(kCaAll | (k.quarter ? kQuarter : 0)), 21000000.5,
                        110000000.5, 10.0f, k.status2}});
    const std::vector<std::string> body = Lines(Body(c.Write()));
    ASSERT_EQ(body.size(), 2u);
    // Code and phase carry it, Doppler and strength do not.
    EXPECT_EQ(body[1].substr(17, 2), std::string(" ") + k.ssi);
    EXPECT_EQ(body[1].substr(33, 2), std::string(" ") + k.ssi);
    EXPECT_EQ(body[1].substr(49, 2), "  ");
  }
}

TEST(Rinex3Records, KinematicStartAndLostEpochs) {
  ProcessFlagsScope flags({});
  Collected c;
  qzrtest::WithOutputInterval(c.f(), 1000);
  c.Occupation(1, "ROVER", "R1");
  c.Epoch(At(10, 0, 0), 0, kEpochDynamic);
  c.Satellite(0x09, {{kFlagCaSet | kFlagPseudorange, 22000000.5}});
  c.Epoch(At(10, 0, 4));
  c.Satellite(0x09, {{kFlagCaSet | kFlagPseudorange, 22000004.5}});
  const std::string body = Body(c.Write({.statistics = true}));
  const std::string expected =
      "> 2004 02 05 10 00  0.0000000  2  0\n"
      ">                              4  5\n"
      "ROVER                                                       MARKER NAME\n"
      "R1                                                          MARKER NUMBER\n"
      "        0.0000        0.0000        0.0000                  ANTENNA: DELTA H/E/N\n"
      "SE MRV 00000000                                             COMMENT\n"
      "         *** FROM NOW ON KINEMATIC DATA! ***                COMMENT\n"
      "> 2004 02 05 10 00  0.0000000  0  1\n"
      "G09  22000000.500\n"
      ">                              4  1\n"
      "      3 Epochs lost                                         COMMENT\n"
      "> 2004 02 05 10 00  4.0000000  0  1\n"
      "G09  22000004.500\n";
  ExpectSameText(body, expected);
}

TEST(Rinex3File, WithoutEpochsTheHeaderGoesByTheLog) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  qzrtest::MarkSeen(c.f(), kR07);
  const std::string file = c.Write();
  EXPECT_EQ(LineWith(file, "RINEX VERSION / TYPE")[40], 'R');
  EXPECT_EQ(Body(file), "");
  EXPECT_EQ(LineWith(file, "SYS / # / OBS TYPES"), "");
}

// Twelve types: one types line, and counts that go on in a second line.
TEST(Rinex3Header, AllTwelveTypesOfASystem) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  c.Epoch(At(10, 0, 0));
  const std::uint16_t p1All = kFlagPseudorange | kFlagCarrierPhase | kFlagDoppler | kFlagCn0InStatus2;
  c.Satellite(kG05, {{kCaAll, 21000000.5, 110000000.5, 10.0f, 40},
                     {p1All, 21000000.75, 110000000.75, 10.5f, 38},
                     {static_cast<std::uint16_t>(p1All | kFlagL2Set), 21000001.5, 86000000.5, 7.5f, 30}});
  const std::string file = c.Write();
  EXPECT_NE(file.find("G   12 C1C L1C D1C S1C C1W L1W D1W S1W C2W L2W D2W S2W      SYS / # / OBS TYPES\n"),
            std::string::npos);
  EXPECT_NE(file.find("   G05     1     1     1     1     1     1     1     1     1PRN / # OF OBS\n"
                      "           1     1     1                                    PRN / # OF OBS\n"),
            std::string::npos);
  EXPECT_NE(file.find("G L1C                                                       SYS / PHASE SHIFT\n"
                      "G L1W                                                       SYS / PHASE SHIFT\n"
                      "G L2W                                                       SYS / PHASE SHIFT\n"),
            std::string::npos);
  const std::vector<std::string> body = Lines(Body(file));
  ASSERT_EQ(body.size(), 2u);
  EXPECT_EQ(
      body[1],
      "G05  21000000.500 6 110000000.500 6       -10.000          40.000    21000000.750 6 110000000.750 6"
      "       -10.500          38.000    21000001.500 5  86000000.500 5        -7.500          30.000");
}

}  // namespace
}  // namespace qzr2rin
