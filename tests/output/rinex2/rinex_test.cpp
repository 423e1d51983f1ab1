// The observation writer over crafted stored records: whole files and data
// sections compared with hand-written golden files, header rules, and every
// output read back by the independent reader.

#include "output/rinex2/rinex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "base/process_flags.h"
#include "decoders/events.h"
#include "decoders/occupations.h"
#include "decoders/qzr_file.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"
#include "support/observation_sets.h"
#include "support/rinex_reader.h"

namespace qzr2rin {
namespace {

using qzrtest::CountOutputEpoch;
using qzrtest::MarkSeen;
using qzrtest::ProcessFlagsScope;
using qzrtest::Records;
using qzrtest::UseGlonass;
using qzrtest::WithAntenna;
using qzrtest::WithAntennaNumber;
using qzrtest::WithAntennaType;
using qzrtest::WithAuthenticationMark;
using qzrtest::WithGpsUtc;
using qzrtest::WithHeaderReceiver;
using qzrtest::WithInputName;
using qzrtest::WithOutputInterval;

using qzrtest::At;
using qzrtest::kCaAll;
using qzrtest::kL2RangePhase;
using qzrtest::kP1Range;
using qzrtest::kWritingTime;

using Set = qzrtest::StoredSet;

// The shared collected records at a fixed writing time, and the writer
// over them.
class Collected : public qzrtest::CollectedRecords {
 public:
  Collected() { ::setenv("SOURCE_DATE_EPOCH", kWritingTime, 1); }

  std::string Write(bool statistics = false, std::ostream* console = nullptr,
                    const std::string& profile = "") {
    const ObservationSet set = Collect(profile);
    TRinex rinex(set, console != nullptr, statistics);
    StringSink out;
    EXPECT_EQ(rinex.WriteObservationFile(out, console), Status::Ok);
    return out.Text();
  }
};

std::string DataPath(const std::string& name) { return std::string(QZR2RIN_TEST_DATA) + "/rinex/" + name; }
std::string Golden(const std::string& name) { return qzrtest::ReadFile(DataPath(name)); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

std::string Body(const std::string& file) {
  const std::string end = "END OF HEADER\n";
  const std::size_t at = file.find(end);
  return at == std::string::npos ? std::string() : file.substr(at + end.size());
}

std::string Header(const std::string& file) { return file.substr(0, file.size() - Body(file).size()); }

// Byte for byte, reported by line.
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

void ExpectReadable(const std::string& file) {
  const auto read = qzrtest::rinex::ReadObservationFile(file);
  for (const auto& complaint : read.complaints) ADD_FAILURE() << complaint;
}

// Every value in the file equals what the records hold, and every stored
// value is in the file.
void ExpectValuesAsStored(TQZRFile& f, const std::string& file, bool smoothing = false) {
  const auto read = qzrtest::rinex::ReadObservationFile(file);
  const auto epochs = read.Epochs();
  const auto& header = read.header;
  const auto& records = f.Collected().records;
  ASSERT_EQ(epochs.size(), records.Epochs().size());
  for (std::size_t e = 0; e < epochs.size(); ++e) {
    const DataEpoch& stored = records.Epochs()[e];
    SCOPED_TRACE("epoch " + std::to_string(e));
    EXPECT_NEAR(epochs[e]->time.second, stored.seconds % 60 + stored.nanoseconds * 1e-9, 1e-7);
    ASSERT_EQ(epochs[e]->satellites.size(), stored.satelliteCount);
    for (std::uint32_t k = 0; k < stored.satelliteCount; ++k) {
      const EpochSatellite& sat = records.Satellites()[stored.firstSatellite + k];
      const char letter = SystemOf(sat.satelliteId) == kSystemGps       ? 'G'
                          : SystemOf(sat.satelliteId) == kSystemGlonass ? 'R'
                                                                        : 'S';
      const qzrtest::rinex::SatelliteData* written = nullptr;
      for (const auto& s : epochs[e]->satellites) {
        if (s.system == letter && s.number == NumberOf(sat.satelliteId)) written = &s;
      }
      ASSERT_NE(written, nullptr) << letter << NumberOf(sat.satelliteId);
      for (const SignalSlot& set : sat.sets) {
        if (set.signalFlags == 0) continue;
        const char* band = (set.signalFlags & kFlagCaSet) ? "1" : (set.signalFlags & kFlagL2Set) ? "2" : "P";
        const auto check = [&](const std::string& type, bool valid, double value) {
          const int t = qzrtest::rinex::TypeIndex(header, type);
          if (t < 0) return;
          const auto& o = written->values[static_cast<std::size_t>(t)];
          EXPECT_EQ(o.present, valid) << type;
          if (valid) {
            EXPECT_NEAR(o.value, value, 0.0005) << type;
          }
        };
        const std::uint16_t flags = set.signalFlags;
        const double range =
            set.pseudorange + ((smoothing && (flags & kFlagSmoothing)) ? set.smoothingCorrection : 0.0);
        if (band[0] == 'P') {
          check("P1", (flags & kFlagPseudorange) != 0, range);
          continue;
        }
        check(band[0] == '1' ? "C1" : "P2", (flags & kFlagPseudorange) != 0, range);
        check(std::string("L") + band, (flags & kFlagCarrierPhase) != 0, set.carrierPhase);
        check(std::string("D") + band, (flags & kFlagDoppler) != 0, -set.doppler);
        check(std::string("S") + band, (flags & kFlagCn0InStatus2) != 0,
              (flags & kFlagCn0QuarterUnits) ? set.status2 / 4.0 : set.status2);
      }
    }
  }
}

// -- Scenarios.

// GPS only, five satellites in input order 30 5 12 1 7, two epochs 30 s
// apart; C/A range, phase, Doppler and C/N0, L2 range and phase.
void GpsOnly(Collected& c) {
  WithGpsUtc(c.f(), {.present = true, .utc = {.dtls = 13}});
  c.Occupation(1, "PILLAR1", "12345M001", {0, kHeightGiven, 1.5f, 0.25f, -0.125f});
  for (int e = 0; e < 2; ++e) {
    const double more = e * 1000.0;
    const double morePhase = e * 5000.0;
    c.Epoch(At(10, 0, 30 * e), 0, 0, {4000000.5 + e, 1000000.25 + e, 4800000.125 + e});
    constexpr std::uint16_t kAs = kFlagAntiSpoofing;
    c.Satellite(30, {{kCaAll, 20300000.125 + more, 106677000.250 + morePhase, 1234.5f, 45},
                     {kL2RangePhase | kAs, 20300001.375 + more, 83125000.500 + morePhase}});
    // Loss of lock (0x01) under anti-spoofing (0x04): digit 5 on L1, 4 on C1.
    c.Satellite(5, {{kCaAll | 0x01 | kAs, 21500000.250 + more, 112983000.375 + morePhase, -2500.25f, 15},
                    {kL2RangePhase | kAs, 21500002.625 + more, 88038000.750 + morePhase}});
    c.Satellite(12, {{kCaAll, 22100000.375 + more, 116136000.500 + morePhase, 300.0f, 62},
                     {kL2RangePhase | kAs, 22100003.875 + more, 90496000.125 + morePhase}});
    c.Satellite(1, {{kCaAll, 23000000.500 + more, 120865000.625 + morePhase, -10.125f, 20},
                    {kL2RangePhase | kAs, 23000004.125 + more, 94180000.875 + morePhase}});
    // C/N0 in quarter units; a smoothing correction that only -~ applies;
    // in the second epoch no C/A range.
    const std::uint16_t g7 = static_cast<std::uint16_t>((kCaAll | kFlagCn0QuarterUnits | kFlagSmoothing) &
                                                        ~(e == 1 ? kFlagPseudorange : 0));
    c.Satellite(7, {{g7, 24000000.625 + more, 126120000.750 + morePhase, 99.75f, 180, 0.5f},
                    {kL2RangePhase | kAs, 24000005.250 + more, 98275000.000 + morePhase}});
  }
}

TEST(ObservationFile, GpsOnlyMatchesGoldenFile) {
  ProcessFlagsScope flags({});
  Collected c;
  GpsOnly(c);
  const std::string file = c.Write();
  ExpectSameText(file, Golden("gps_only.rnx"));
  ExpectReadable(file);
  ExpectValuesAsStored(c.f(), file);
}

// GPS, GLONASS and SBAS with C/N0 types under -S and seven types, so two
// observation lines per satellite; satellites stored out of index order;
// a profile overriding the texts and one antenna offset.
void Mixed(Collected& c) {
  WithInputName(c.f(), "/data/campaigns/2004/february/receivers/site-pillar-one/pillar0360.qzr");
  WithOutputInterval(c.f(), 1000);
  c.Occupation(1, "PILLAR1", "", {0, kHeightGiven, 2.0f, 0.0f, -0.25f});
  c.Epoch(At(12, 30, 15), 500000000);
  constexpr std::uint16_t kAs = kFlagAntiSpoofing;
  constexpr std::uint16_t kQuarter = kFlagCn0QuarterUnits;
  c.Satellite(0x54, {{kCaAll | kQuarter, 23800000.25, 125062000.75, 0.5f, 160}});
  c.Satellite(0x83, {{kCaAll | kQuarter, 19500000.5, 104205000.125, 1000.0f, 200},
                     {kP1Range | kFlagCarrierPhase, 19500000.75, 104205000.5},
                     {kL2RangePhase, 19500001.5, 81048000.375}});
  c.Satellite(0x05, {{kCaAll, 21000000.375, 110357000.5, 250.25f, 40},
                     {kP1Range | kAs, 21000000.625},
                     {kL2RangePhase | kAs, 21000001.125, 85993000.25}});
  c.Satellite(0x01, {{kCaAll | kQuarter, 22000000.125, 115612000.25, -500.5f, 180},
                     {kP1Range | kFlagCarrierPhase | kAs, 22000000.875, 115612000.5},
                     {kL2RangePhase | kAs, 22000001.625, 90088000.75}});
}

TEST(ObservationFile, MixedWithSignalStrengthMatchesGoldenFile) {
  ProcessFlagsScope flags({.signalToNoise = true});
  Collected c;
  Mixed(c);
  const std::string file = c.Write(false, nullptr, DataPath("mixed.ini"));
  ExpectSameText(file, Golden("mixed.rnx"));
  ExpectReadable(file);
  ExpectValuesAsStored(c.f(), file);
}

TEST(ObservationFile, WithoutSwitchSSignalStrengthIsNoType) {
  ProcessFlagsScope flags({});
  Collected c;
  Mixed(c);
  const auto read = qzrtest::rinex::ReadObservationFile(c.Write());
  EXPECT_EQ(read.header.types, (std::vector<std::string>{"C1", "P1", "P2", "L1", "L2", "D1"}));
  EXPECT_TRUE(read.complaints.empty());
}

TEST(ObservationFile, SbasOnlyIsLabelledGlonass) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "12345M001");
  c.Epoch(At(0, 0, 0));
  constexpr std::uint16_t kRangePhase = kFlagCaSet | kFlagPseudorange | kFlagCarrierPhase;
  c.Satellite(0x61, {{kRangePhase, 38000000.5, 199692000.25}});
  c.Satellite(0xD9, {{kRangePhase, 37000000.75, 194437000.5}});  // system bits 11: SBAS as well
  c.Satellite(0x54, {{kRangePhase, 36000000.125, 189182000.875}});
  const std::string file = c.Write();
  ExpectSameText(file, Golden("sbas_only.rnx"));
  ExpectReadable(file);
  ExpectValuesAsStored(c.f(), file);
}

TEST(ObservationFile, SystemOfTheVersionLine) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> ids;
    const char* system;
  };
  const Case kCases[] = {
      {"GPS", {0x01}, "G (GPS)"},
      {"GPS and GLONASS", {0x01, 0x81}, "M (MIXED)"},
      {"GPS and SBAS", {0x01, 0x54}, "G (GPS)"},
      {"GLONASS", {0x81}, "R (GLONASS)"},
  };
  ProcessFlagsScope flags({});
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    Collected c;
    c.Occupation(1, "A", "");
    c.Epoch(At(1, 0, 0));
    for (const std::uint8_t id : k.ids) c.Satellite(id, {{kFlagCaSet | kFlagPseudorange, 2e7}});
    std::string system(k.system);
    system.resize(20, ' ');
    EXPECT_EQ(Lines(c.Write())[0].substr(40, 20), system);
  }
}

// Twelve satellites fill the line and the clock offset ends it in columns
// 69-80; a thirteenth goes to a continuation line.
TEST(ObservationFile, ClockOffsetWithTwelveAndThirteenSatellites) {
  ProcessFlagsScope flags({.clockOffset = true});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  c.Epoch(At(11, 0, 0), 0, kEpochClockOffset, {}, 0.000123456);
  for (std::uint8_t prn = 1; prn <= 12; ++prn)
    c.Satellite(prn, {{kFlagCaSet | kFlagPseudorange, 20000000 + prn * 1000.125}});
  c.Epoch(At(11, 0, 1), 0, kEpochClockOffset, {}, -0.000654321);
  for (std::uint8_t prn = 13; prn >= 1; --prn)
    c.Satellite(prn, {{kFlagCaSet | kFlagPseudorange, 20000000 + prn * 1000.125}});
  c.Epoch(At(11, 0, 2), 0, 0, {}, 0.5);  // no offset stored: none written
  c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 20001000.125}});
  // Two full lines: the offset only on the first.
  c.Epoch(At(11, 0, 3), 0, kEpochClockOffset, {}, 0.000000125);
  for (std::uint8_t n = 1; n <= 12; ++n) {
    c.Satellite(n, {{kFlagCaSet | kFlagPseudorange, 20000000 + n * 1000.125}});
    c.Satellite(static_cast<std::uint8_t>(kSystemGlonass | n),
                {{kFlagCaSet | kFlagPseudorange, 19000000 + n * 1000.125}});
  }
  const std::string file = c.Write();
  ExpectSameText(Body(file), Golden("clock_offset.body"));
  EXPECT_NE(Header(file).find("     0" + std::string(54, ' ') + "RCV CLOCK OFFS APPL\n"), std::string::npos);
  ExpectReadable(file);
  const auto read = qzrtest::rinex::ReadObservationFile(file);
  ASSERT_EQ(read.Epochs().size(), 4u);
  EXPECT_DOUBLE_EQ(read.Epochs()[0]->clockOffset.value_or(0), 0.000123456);
  EXPECT_DOUBLE_EQ(read.Epochs()[1]->clockOffset.value_or(0), -0.000654321);
  EXPECT_FALSE(read.Epochs()[2]->clockOffset.has_value());
  EXPECT_DOUBLE_EQ(read.Epochs()[3]->clockOffset.value_or(0), 0.000000125);
}

void Smoothed(Collected& c) {
  c.Occupation(1, "PILLAR1", "");
  c.Epoch(At(9, 0, 0));
  c.Satellite(
      3, {{kFlagCaSet | kFlagPseudorange | kFlagSmoothing, 20000000.125, 0, 0, 0, 0.25f},
          {kFlagL2Set | kFlagPseudorange | kFlagSmoothing | kFlagAntiSpoofing, 20000002.5, 0, 0, 0, -0.5f}});
  // A correction without its flag is never applied.
  c.Satellite(4, {{kFlagCaSet | kFlagPseudorange, 21000000.5, 0, 0, 0, 1.0f}});
}

TEST(ObservationFile, SmoothingCorrectionOnlyUnderTilde) {
  struct Case {
    bool smoothing;
    const char* golden;
  };
  for (const auto& k : {Case{false, "smoothing_off.body"}, Case{true, "smoothing_on.body"}}) {
    SCOPED_TRACE(k.golden);
    ProcessFlagsScope flags({.smoothing = k.smoothing});
    Collected c;
    Smoothed(c);
    const std::string file = c.Write();
    ExpectSameText(Body(file), Golden(k.golden));
    const std::string comment =
        "     PSEUDORANGES SMOOTHED" + std::string(34, ' ') + "COMMENT" + std::string(12, ' ') + "\n";
    EXPECT_EQ(Header(file).find(comment) != std::string::npos, k.smoothing);
    ExpectReadable(file);
    ExpectValuesAsStored(c.f(), file, k.smoothing);
  }
}

// XA and XB at the time of an epoch come first, in that order; an XA in
// UTC(USNO) is written in GPS time with its flag-5 line; GLONASS time and
// an unknown base stay as recorded and are comments only.
TEST(ObservationFile, ExternalEventsInTimeOrder) {
  ProcessFlagsScope flags({});
  Collected c;
  // Week 232 is the week of 2004-02-05 modulo 1024; the leap of week 132
  // is long past, so the current count holds.
  WithGpsUtc(c.f(), {.present = true, .utc = {.wnt = 232, .dtls = 13, .dn = 1, .wnlsf = 132, .dtlsf = 13}});
  c.Occupation(1, "PILLAR1", "");
  c.Event(kPortA, At(10, 0, 0), 0, kTimeBaseGps);
  c.Event(kPortB, At(10, 0, 0), 0, kTimeBaseGps);
  c.Epoch(At(10, 0, 0));
  c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 20000000.125}});
  c.Event(kPortA, At(10, 0, 0), 500000000, kTimeBaseUnknown);
  c.Epoch(At(10, 0, 1));
  c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 20000300.25}});
  c.Event(kPortA, At(9, 59, 48), 500000000, kTimeBaseUtcUsno);
  c.Event(kPortB, At(13, 0, 0), 250000000, kTimeBaseGlonass);
  const std::string file = c.Write();
  ExpectSameText(Body(file), Golden("events.body"));
  ExpectReadable(file);
}

// With -e: the expected/arrived/loss comment, and a lost-epoch record
// before an epoch that follows a gap of three.
TEST(ObservationFile, LostEpochsUnderStatistics) {
  ProcessFlagsScope flags({});
  Collected c;
  WithOutputInterval(c.f(), 1000);
  c.Occupation(1, "PILLAR1", "12345M001");
  for (const int second : {0, 1, 5, 6}) {
    c.Epoch(At(10, 0, second));
    c.Satellite(9, {{kFlagCaSet | kFlagPseudorange, 22000000.5 + second}});
  }
  std::ostringstream console;
  const std::string file = c.Write(true, &console);
  ExpectSameText(file, Golden("lost_epochs.rnx"));
  EXPECT_EQ(console.str(), std::string(20, ':') + "\n");
  ExpectReadable(file);
}

TEST(ObservationFile, ProgressMarksStepEveryFivePercent) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  for (int second = 0; second < 7; ++second) {
    c.Epoch(At(10, 0, second));
    c.Satellite(9, {{kFlagCaSet | kFlagPseudorange, 22000000.5}});
  }
  std::ostringstream console;
  c.Write(false, &console);
  EXPECT_EQ(console.str(), std::string(20, ':') + "\n");
  std::ostringstream quiet;
  Collected q;
  q.Occupation(1, "PILLAR1", "");
  q.Epoch(At(10, 0, 0));
  q.Satellite(9, {{kFlagCaSet | kFlagPseudorange, 22000000.5}});
  const ObservationSet set = CollectObservations(q.f());
  TRinex rinex(set, false, false);
  StringSink none;
  rinex.WriteObservationFile(none, &quiet);
  EXPECT_EQ(quiet.str(), "");
}

// A kinematic first occupation, then a static one with a slant height: the
// kinematic record before the first epoch, the new-site record with count 6,
// the signature of each authenticated occupation over its first epoch.
TEST(ObservationFile, OccupationChangeRecords) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "ROVER_K1", "", {}, true);
  c.Epoch(At(10, 0, 0), 0, kEpochDynamic);
  c.Satellite(2, {{kFlagCaSet | kFlagPseudorange, 21000000.25}});
  c.Epoch(At(10, 0, 30), 0, kEpochDynamic);
  c.Satellite(2, {{kFlagCaSet | kFlagPseudorange, 21000030.25}});
  c.Event(kPortB, At(10, 0, 50), 0, kTimeBaseGps);
  c.Event(kPortA, At(10, 0, 45), 0, kTimeBaseGps);
  c.Occupation(2, "PILLAR2", "12345M002", {2, kHeightGiven | kHeightSlant, 1.5f, 0.0f, 0.0f}, true);
  c.Epoch(At(10, 1, 0));
  c.Satellite(2, {{kFlagCaSet | kFlagPseudorange, 21000060.25}});
  c.Event(kPortA, At(10, 1, 15), 0, kTimeBaseGps);
  c.Epoch(At(10, 1, 30));
  c.Satellite(2, {{kFlagCaSet | kFlagPseudorange, 21000090.25}});
  const std::string file = c.Write();
  ExpectSameText(Body(file), Golden("occupations.body"));
  // The header signs the first epoch of the first occupation.
  EXPECT_NE(Header(file).find("SE MRV 10cd0116"), std::string::npos);
  ExpectReadable(file);
}

// The header line with `label`, or empty.
std::string HeaderLine(const std::string& file, const std::string& label) {
  for (const auto& line : Lines(Header(file))) {
    if (line.size() > 60 && line.compare(60, label.size(), label) == 0 && line.size() == 61 + label.size())
      return line;
  }
  return {};
}

std::vector<std::string> HeaderLines(const std::string& file, const std::string& label) {
  std::vector<std::string> out;
  for (const auto& line : Lines(Header(file))) {
    if (line.size() == 61 + label.size() && line.compare(60, label.size(), label) == 0)
      out.push_back(line.substr(0, 60));
  }
  return out;
}

TEST(ObservationHeader, ProfileCommentAndAntennaDeltas) {
  struct Case {
    const char* what;
    std::string profile;
    AntennaBlock antenna;
    std::vector<std::string> comments;  // the profile's comment lines
    std::string deltas;
    bool slant;
  };
  const std::string kOwn = "        1.5000        0.2500       -0.1250";
  const Case kCases[] = {
      {"empty comment: no line", "COMMENT =\n", {0, kHeightGiven, 1.5f, 0.25f, -0.125f}, {}, kOwn, false},
      {"zero or text never overrides",
       "ANT DELTA H = 0.000\nANT DELTA E = none\n",
       {0, kHeightGiven, 1.5f, 0.25f, -0.125f},
       {"Use -p (profile) switch to override ANTENNA TYPE and DELTA ", "and other fields"},
       kOwn,
       false},
      {"profile height over a slant one",
       "COMMENT = one\nANT DELTA H = 2.25\n",
       {0, kHeightSlant, 1.5f, 0, 0},
       {"one"},
       "        2.2500        0.0000        0.0000",
       true},
      {"slant height 0: no comment",
       "COMMENT = one\n",
       {0, kHeightGiven | kHeightSlant, 0, 0, 0},
       {"one"},
       "        0.0000        0.0000        0.0000",
       false},
  };
  ProcessFlagsScope flags({});
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    qzrtest::TempDir dir;
    qzrtest::WriteFile(dir.File("p.ini"), "[qzr2rin]\n" + k.profile);
    Collected c;
    c.Occupation(1, "PILLAR1", "", k.antenna);
    c.Epoch(At(1, 0, 0));
    c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 2e7}});
    const std::string file = c.Write(false, nullptr, dir.File("p.ini"));
    auto comments = HeaderLines(file, "COMMENT");
    ASSERT_GE(comments.size(), 3u + k.comments.size());
    for (std::size_t i = 0; i < k.comments.size(); ++i) {
      std::string expected = k.comments[i];
      expected.resize(60, ' ');
      EXPECT_EQ(comments[1 + i], expected);
    }
    EXPECT_EQ(comments[1 + k.comments.size()].substr(0, 12), "pill0360.qzr");
    EXPECT_EQ(HeaderLine(file, "ANTENNA: DELTA H/E/N").substr(0, 42), k.deltas);
    EXPECT_EQ(Header(file).find("DELTA H stands for **SLANT** height here!") != std::string::npos, k.slant);
    ExpectReadable(file);
  }
}

// Which types the scan finds and how it counts them.
TEST(ObservationHeader, TypesAndCountsFromTheScan) {
  struct Case {
    const char* what;
    bool signalToNoise;
    std::vector<Set> sets;
    std::string types;    // value of "# / TYPES OF OBSERV"
    std::string counts;   // value of the satellite's "PRN / # OF OBS"
    bool chained = true;  // each set but the last says another follows
  };
  const Case kCases[] = {
      {"P-code phase without C/A phase: no L1",
       false,
       {{kFlagCaSet | kFlagPseudorange, 2e7}, {kP1Range | kFlagCarrierPhase, 2e7, 1e8}},
       "     2    C1    P1",
       "   G 1     1     1"},
      {"zero values: the satellite with zero counts",
       false,
       {{kCaAll, 0, 0, 0, 0}, {kFlagCaSet | kFlagPseudorange, 0}},
       "     0",
       "   G 1"},
      {"-S with C/N0 0: no S1",
       true,
       {{kCaAll, 2e7, 1e8, 5.0f, 0}},
       "     3    C1    L1    D1",
       "   G 1     1     1     1"},
      {"-S: S1 and S2",
       true,
       {{kCaAll, 2e7, 1e8, 5.0f, 44}, {kL2RangePhase | kFlagCn0InStatus2, 2e7, 1e8, 0, 30}},
       "     7    C1    P2    L1    L2    D1    S1    S2",
       "   G 1     1     1     1     1     1     1     1"},
      {"L2 Doppler only", false, {{kFlagL2Set | kFlagDoppler, 0, 0, 5.0f}}, "     1    D2", "   G 1     1"},
      {"a set past the end of the chain is not read",
       false,
       {{kFlagCaSet | kFlagPseudorange, 2e7}, {kP1Range, 2e7}},
       "     1    C1",
       "   G 1     1",
       false},
  };
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    ProcessFlagsScope flags({.signalToNoise = k.signalToNoise});
    Collected c;
    c.Occupation(1, "PILLAR1", "");
    c.Epoch(At(1, 0, 0));
    EpochSatellite& s = Records(c.f()).AddSatellite();
    s.satelliteId = 1;
    for (std::size_t i = 0; i < k.sets.size(); ++i) {
      const bool follows = k.chained && i + 1 < k.sets.size();
      s.sets[i].signalFlags =
          static_cast<std::uint16_t>(k.sets[i].flags | (follows ? kFlagAnotherSetFollows : 0));
      s.sets[i].pseudorange = k.sets[i].range;
      s.sets[i].carrierPhase = k.sets[i].phase;
      s.sets[i].doppler = k.sets[i].doppler;
      s.sets[i].status2 = k.sets[i].status2;
    }
    MarkSeen(c.f(), s.satelliteId);
    const std::string file = c.Write();
    std::string types = k.types;
    types.resize(60, ' ');
    std::string counts = k.counts;
    counts.resize(60, ' ');
    EXPECT_EQ(HeaderLine(file, "# / TYPES OF OBSERV").substr(0, 60), types);
    EXPECT_EQ(HeaderLine(file, "PRN / # OF OBS").substr(0, 60), counts);
    EXPECT_EQ(HeaderLine(file, "# OF SATELLITES").substr(0, 6), "     1");
  }
}

TEST(ObservationHeader, LeapSecondsAndStatisticsLines) {
  struct Case {
    const char* what;
    bool utcKnown;
    bool useGlonass;
    bool statistics;
    std::int32_t intervalMs;
    std::string leap;       // value, or empty for no line
    std::string statistic;  // the comment, or empty for none
  };
  const Case kCases[] = {
      {"UTC known", true, true, false, 1000, "    13", ""},
      {"-R: no leap seconds", true, false, false, 1000, "", ""},
      {"no UTC parameters", false, true, false, 1000, "", ""},
      {"-e, an hour at 1 s", false, true, true, 1000, "",
       "Expected:  3600 arrived:  3500 loss:   100 epochs"},
      {"-e without an interval", false, true, true, 0, "", ""},
  };
  ProcessFlagsScope flags({});
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    Collected c;
    WithGpsUtc(c.f(), {.present = k.utcKnown, .utc = {.dtls = 13}});
    UseGlonass(c.f(), k.useGlonass);
    WithOutputInterval(c.f(), k.intervalMs);
    c.Occupation(1, "PILLAR1", "");
    for (int i = 0; i < 3500; ++i) {
      // 3500 of the 3600 seconds from 00:00:00 to 00:59:59.
      const int second = i < 3499 ? i : 3599;
      c.Epoch(At(0, second / 60, second % 60));
      c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 2e7}});
    }
    const std::string file = c.Write(k.statistics);
    const std::string leap = HeaderLine(file, "LEAP SECONDS");
    EXPECT_EQ(leap.empty() ? "" : leap.substr(0, 6), k.leap);
    const std::string statistic = "Expected:";
    std::string found;
    for (const auto& line : HeaderLines(file, "COMMENT")) {
      if (line.rfind(statistic, 0) == 0) found = line.substr(0, line.find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(found, k.statistic);
  }
}

// One satellite's observation line for one stored set, field by field.
TEST(ObservationRecords, FieldValuesAndFlagCharacters) {
  struct Case {
    const char* what;
    Set set;
    std::string line;
  };
  constexpr std::uint16_t kCaRange = kFlagCaSet | kFlagPseudorange;
  constexpr std::uint16_t kCaPhase = kFlagCaSet | kFlagPseudorange | kFlagCarrierPhase | kFlagCn0InStatus2;
  const std::string kRange = "  20000000.125  ";
  const Case kCases[] = {
      {"status digit", {kCaRange | 0x20, 20000000.125, 0, 0, 0, 0, 3}, "  20000000.125 3\n"},
      {"status beyond a digit: blank", {kCaRange | 0x20, 20000000.125, 0, 0, 0, 0, 12}, "  20000000.125  \n"},
      {"range beyond the field keeps its remainder", {kCaRange, 1234567890.125}, " 234567891.125  \n"},
      {"negative phase keeps its sign",
       {kCaPhase, 20000000.125, -1500000000.5, 0, 45},
       kRange + "-500000001.500 7\n"},
      {"strength 19", {kCaPhase, 20000000.125, 1e8, 0, 19}, kRange + " 100000000.000 1\n"},
      {"strength 20", {kCaPhase, 20000000.125, 1e8, 0, 20}, kRange + " 100000000.000 2\n"},
      {"strength 59", {kCaPhase, 20000000.125, 1e8, 0, 59}, kRange + " 100000000.000 9\n"},
      {"strength 255", {kCaPhase, 20000000.125, 1e8, 0, 255}, kRange + " 100000000.000 9\n"},
      {"quarters 77 round to 19",
       {kCaPhase | kFlagCn0QuarterUnits, 20000000.125, 1e8, 0, 77},
       kRange + " 100000000.000 1\n"},
      {"quarters 78 round to 20",
       {kCaPhase | kFlagCn0QuarterUnits, 20000000.125, 1e8, 0, 78},
       kRange + " 100000000.000 2\n"},
      {"loss of lock 7",
       {kCaPhase | 0x07, 20000000.125, 1e8, 0, 45},
       "  20000000.1254 " + std::string(" 100000000.00077\n")},
  };
  ProcessFlagsScope flags({});
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    Collected c;
    c.Occupation(1, "PILLAR1", "");
    c.Epoch(At(1, 0, 0));
    c.Satellite(1, {k.set});
    EXPECT_EQ(Lines(Body(c.Write()))[1], k.line);
  }
}

// Stored records the epoch assembly never makes: ids without a place in
// the table, a satellite listed twice, an epoch with nothing to write.
TEST(ObservationRecords, UnwritableSatellitesAreLeftOut) {
  ProcessFlagsScope flags({});
  Collected c;
  WithOutputInterval(c.f(), 1000);
  c.Occupation(1, "PILLAR1", "");
  c.Event(kPortA, At(1, 0, 0), 0, kTimeBaseGps);  // its occupation has no epochs yet
  Records(c.f()).Events(kPortA).back().occupation = nullptr;
  c.Epoch(At(1, 0, 0));
  c.Satellite(0x80, {{kFlagCaSet | kFlagPseudorange, 2e7}});  // GLONASS number 0
  c.Epoch(At(1, 0, 1));
  for (const int id : {0x00, 0x28, 0x4A, 0x01, 0x01}) {
    c.Satellite(static_cast<std::uint8_t>(id), {{kFlagCaSet | kFlagPseudorange, 2e7 + id}});
  }
  const std::string file = c.Write(true);
  EXPECT_EQ(HeaderLine(file, "# OF SATELLITES").substr(0, 6), "     1");
  EXPECT_EQ(HeaderLine(file, "PRN / # OF OBS").substr(0, 12), "   G 1     2");
  // No lost-epoch record: nothing was written before this epoch.
  const std::string expected =
      " 04  2  5  1  0  1.0000000  0  1G 1" + std::string(33, ' ') + "\n" + "  20000001.000  \n";
  ExpectSameText(Body(file), expected);
  // The header's span is that of the stored epochs, the empty one included.
  EXPECT_EQ(qzrtest::rinex::ReadObservationFile(file).complaints,
            std::vector<std::string>{"TIME OF FIRST OBS is not the first epoch"});
}

TEST(ObservationFile, WithoutEpochsOnlyTheHeader) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  const std::string file = c.Write();
  EXPECT_EQ(Body(file), "");
  EXPECT_EQ(HeaderLine(file, "TIME OF FIRST OBS").substr(0, 60),
            "  1980     1     6     0     0    0.0000000     GPS         ");
  ExpectReadable(file);
}

TEST(ObservationFile, AFailedWriteIsReported) {
  ProcessFlagsScope flags({});
  Collected c;
  c.Occupation(1, "PILLAR1", "");
  c.Epoch(At(1, 0, 0));
  c.Satellite(1, {{kFlagCaSet | kFlagPseudorange, 2e7}});
  const ObservationSet set = CollectObservations(c.f());
  TRinex rinex(set, false, false);
  platform::OutputFile full;
  ASSERT_TRUE(full.Open("/dev/full", platform::OpenMode::Truncate));
  FileSink sink(full);
  EXPECT_EQ(rinex.WriteObservationFile(sink, nullptr), Status::OutputOpenFailed);
}

}  // namespace
}  // namespace qzr2rin
