// Simulated logs converted in process and written both ways: every value of
// the RINEX 3 file equals the RINEX 2.10 value of the same signal and type,
// and neither file has a value the other lacks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/process_flags.h"
#include "decoders/qzr_file.h"
#include "model/observation_set.h"
#include "output/byte_sink.h"
#include "output/rinex2/rinex.h"
#include "output/rinex3/rinex3.h"
#include "support/e2e_truth.h"
#include "support/observation_sets.h"
#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

using qzrtest::ProcessFlagsScope;
// (epoch, system, number, RINEX 2 type) -> the value's text, as written.
using Values = std::map<std::tuple<int, char, int, std::string>, double>;

// The 2.10 type each RINEX 3 code stands for.
const std::map<std::string, std::string> kSameType = {
    {"C1C", "C1"}, {"C1W", "P1"}, {"C1P", "P1"}, {"C2W", "P2"}, {"C2P", "P2"}, {"L1C", "L1"}, {"L2W", "L2"},
    {"L2P", "L2"}, {"D1C", "D1"}, {"D2W", "D2"}, {"D2P", "D2"}, {"S1C", "S1"}, {"S2W", "S2"}, {"S2P", "S2"}};

Values Rinex2Values(const std::string& file) {
  const auto read = qzrtest::rinex::ReadObservationFile(file);
  for (const auto& complaint : read.complaints) ADD_FAILURE() << complaint;
  Values values;
  int e = 0;
  for (const auto* epoch : read.Epochs()) {
    for (const auto& s : epoch->satellites) {
      for (std::size_t t = 0; t < s.values.size(); ++t) {
        if (s.values[t].present) values[{e, s.system, s.number, read.header.types[t]}] = s.values[t].value;
      }
    }
    ++e;
  }
  return values;
}

// The codes of each system, read from a RINEX 3 header up to its end.
std::map<char, std::vector<std::string>> ReadObservationTypes(std::istream& in) {
  std::map<char, std::vector<std::string>> types;
  std::string line;
  while (std::getline(in, line) && line.find("END OF HEADER") == std::string::npos) {
    if (line.size() <= 60 || line.substr(60) != "SYS / # / OBS TYPES") continue;
    for (std::size_t at = 7; at + 3 <= 60 && line[at] != ' '; at += 4)
      types[line[0]].push_back(line.substr(at, 3));
  }
  return types;
}

// Only the types that have a 2.10 counterpart; the rest (L1 P phase,
// Doppler and strength) are new in RINEX 3.
Values Rinex3Values(const std::string& file) {
  std::istringstream in(file);
  std::map<char, std::vector<std::string>> types = ReadObservationTypes(in);
  std::string line;
  Values values;
  int e = -1;
  int following = 0;
  bool data = false;
  while (std::getline(in, line)) {
    if (following == 0) {
      EXPECT_EQ(line[0], '>') << line;
      const int flag = line[31] - '0';
      following = std::stoi(line.substr(32, 3));
      data = flag == 0 || flag == 1 || flag == 6;
      if (data) ++e;
      continue;
    }
    --following;
    if (!data) continue;
    const char system = line[0];
    const int number = std::stoi(line.substr(1, 2));
    const std::vector<std::string>& codes = types[system];
    for (std::size_t t = 0; t < codes.size(); ++t) {
      const std::size_t at = 3 + 16 * t;
      if (at >= line.size()) break;
      const std::string text = line.substr(at, 14);
      if (text.find_first_not_of(' ') == std::string::npos) continue;
      const auto same = kSameType.find(codes[t]);
      if (same == kSameType.end()) continue;
      values[{e, system, number == 0 ? 0 : number, same->second}] = std::stod(text);
    }
  }
  EXPECT_EQ(following, 0);
  return values;
}

TEST(Rinex3Values, EqualTheRinex2ValuesOfTheSameConversion) {
  struct Case {
    const char* name;
    std::vector<std::string> simulator;
    ProcessFlags flags;
    void (*select)(ConversionOptions&);
  };
  const auto none = [](ConversionOptions&) {};
  const Case kCases[] = {
      {"full encoding", {"--encoding", "full"}, {.signalToNoise = true}, none},
      {"short encoding with smoothing and clock",
       {"--encoding", "short", "--observables", "code,phase,doppler,cn0,smoothing"},
       {.clockOffset = true, .signalToNoise = true, .smoothing = true},
       none},
      {"raw P code only", {"--encoding", "raw", "--signals", "p1,p2"}, {.signalToNoise = true}, none},
      {"relative with site changes and events",
       {"--encoding", "relative", "--events", "3", "--external-events", "2"},
       {.signalToNoise = true},
       none},
      {"short relative with exclusions and a window",
       {"--encoding", "short-relative", "--clock-offset-ms", "0.5"},
       {.clockOffset = true, .signalToNoise = true},
       [](ConversionOptions& o) {
         o.gpsExcluded.Append(5);
         o.useWaas = false;
         o.startGiven = true;
         o.startText = "14d100010";
         o.finishGiven = true;
         o.finishText = "14d100030";
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    qzrtest::TempDir dir;
    const std::string log = dir.File("sim.qzr");
    std::vector<std::string> args = {"-o",         log,  "--truth", dir.File("sim.csv"),
                                     "--duration", "40", "--seed",  "5"};
    args.insert(args.end(), c.simulator.begin(), c.simulator.end());
    const auto simulated = qzrtest::RunSimulator(args);
    ASSERT_EQ(simulated.exitCode, 0) << simulated.err;

    ProcessFlagsScope flags(c.flags);
    ConversionOptions options;
    options.inputFile = log;
    options.outputDirectory = dir.path();
    options.verbose = false;
    c.select(options);
    TQZRFile converter(options);
    ASSERT_EQ(converter.Outcome(), Status::Ok);
    ASSERT_EQ(converter.Run(), Status::Ok);
    const ObservationSet set = CollectObservations(converter);
    StringSink rinex2;
    ASSERT_EQ(TRinex(set, false, false).WriteObservationFile(rinex2, nullptr), Status::Ok);
    StringSink rinex3;
    ASSERT_EQ(Rinex3Observations(set, {}).Write(rinex3, nullptr), Status::Ok);

    const Values two = Rinex2Values(rinex2.Text());
    const Values three = Rinex3Values(rinex3.Text());
    ASSERT_FALSE(two.empty());
    for (const auto& [key, value] : two) {
      const auto& [e, system, number, type] = key;
      const std::string where = std::to_string(e) + " " + system + std::to_string(number) + " " + type;
      const auto found = three.find(key);
      if (found == three.end()) {
        ADD_FAILURE() << "not in the RINEX 3 file: " << where;
        continue;
      }
      EXPECT_EQ(found->second, value) << where;
    }
    EXPECT_EQ(three.size(), two.size());
    // The same sites: one MARKER NAME in the header and one per site change.
    const auto markers = [](const std::string& text) {
      std::size_t n = 0;
      for (std::size_t at = text.find("MARKER NAME"); at != std::string::npos;
           at = text.find("MARKER NAME", at + 1))
        ++n;
      return n;
    };
    EXPECT_EQ(markers(rinex3.Text()), markers(rinex2.Text()));
  }
}

// The L1 P codes RINEX 2.10 has no room for, by (GPS ms, system, number,
// code), from the epoch lines' times.
using NewValues = std::map<std::tuple<std::int64_t, char, int, std::string>, double>;

// Where the truth keeps each new code: the L1 P signal's phase, Doppler and
// C/N0.
const std::map<std::string, int> kNewCodes = {{"L1W", 1}, {"L1P", 1}, {"D1W", 2},
                                              {"D1P", 2}, {"S1W", 3}, {"S1P", 3}};

NewValues Rinex3NewValues(const std::string& file) {
  std::istringstream in(file);
  std::map<char, std::vector<std::string>> types = ReadObservationTypes(in);
  std::string line;
  NewValues values;
  std::int64_t ms = 0;
  int following = 0;
  bool data = false;
  while (std::getline(in, line)) {
    if (following == 0) {
      following = std::stoi(line.substr(32, 3));
      data = line[31] == '0' || line[31] == '1';
      qzrtest::rinex::Time t;
      t.year = std::stoi(line.substr(2, 4)) - 2000;
      t.month = std::stoi(line.substr(7, 2));
      t.day = std::stoi(line.substr(10, 2));
      t.hour = std::stoi(line.substr(13, 2));
      t.minute = std::stoi(line.substr(16, 2));
      t.second = std::stod(line.substr(18, 11));
      ms = qzrtest::e2e::EpochMilliseconds(t);
      continue;
    }
    --following;
    if (!data) continue;
    const std::vector<std::string>& codes = types[line[0]];
    for (std::size_t t = 0; t < codes.size(); ++t) {
      const std::size_t at = 3 + 16 * t;
      if (at >= line.size()) break;
      const std::string text = line.substr(at, 14);
      if (!kNewCodes.contains(codes[t]) || text.find_first_not_of(' ') == std::string::npos) continue;
      values[{ms, line[0], std::stoi(line.substr(1, 2)), codes[t]}] = std::stod(text);
    }
  }
  return values;
}

TEST(Rinex3Values, L1PPhaseDopplerAndStrengthEqualTheTruth) {
  qzrtest::TempDir dir;
  const std::string log = dir.File("sim.qzr");
  const std::string truthFile = dir.File("sim.csv");
  const auto simulated = qzrtest::RunSimulator(
      {"-o", log, "--truth", truthFile, "--duration", "40", "--seed", "7", "--encoding", "full"});
  ASSERT_EQ(simulated.exitCode, 0) << simulated.err;
  ConversionOptions options;
  options.inputFile = log;
  options.outputDirectory = dir.path();
  options.verbose = false;
  TQZRFile converter(options);
  ASSERT_EQ(converter.Run(), Status::Ok);
  const ObservationSet set = CollectObservations(converter);
  StringSink rinex3;
  ASSERT_EQ(Rinex3Observations(set, {}).Write(rinex3, nullptr), Status::Ok);

  const qzrtest::e2e::Truth truth = qzrtest::e2e::ReadTruth(qzrtest::ReadFile(truthFile));
  const NewValues written = Rinex3NewValues(rinex3.Text());
  std::map<std::string, int> compared;
  for (const auto& [key, value] : written) {
    const auto& [ms, system, number, code] = key;
    SCOPED_TRACE(code + " " + system + std::to_string(number) + " at " + std::to_string(ms));
    const auto satellite = truth.obs.find({ms, system, number});
    ASSERT_NE(satellite, truth.obs.end());
    const auto p1 = satellite->second.find("p1");
    ASSERT_NE(p1, satellite->second.end());
    const double expected = p1->second[static_cast<std::size_t>(kNewCodes.at(code))];
    ASSERT_FALSE(std::isnan(expected));
    // Half the last printed digit, plus a few units of double rounding.
    EXPECT_NEAR(value, expected, 0.0005 + 5e-8);
    ++compared[code.substr(0, 1)];
  }
  // Every L1 P phase and C/N0 of the truth is written.
  for (const auto& [key, signals] : truth.obs) {
    const auto p1 = signals.find("p1");
    if (p1 == signals.end()) continue;
    const auto& [ms, system, number] = key;
    const std::string suffix = system == 'G' ? "W" : "P";
    if (!std::isnan(p1->second[1])) {
      EXPECT_TRUE(written.contains({ms, system, number, "L1" + suffix}));
    }
    if (!std::isnan(p1->second[3])) {
      EXPECT_TRUE(written.contains({ms, system, number, "S1" + suffix}));
    }
  }
  EXPECT_GT(compared["L"], 100);
  EXPECT_GT(compared["S"], 100);
}

}  // namespace
}  // namespace qzr2rin
