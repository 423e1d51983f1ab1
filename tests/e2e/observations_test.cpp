// Simulated logs through the converter: every observation value of the
// RINEX file against the values the simulator encoded.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/e2e_truth.h"
#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace {

using qzrtest::ReadFile;
using qzrtest::TempDir;

int RunSimulator(const std::vector<std::string>& args, std::string& err, const TempDir&) {
  const auto r = qzrtest::RunSimulator(args);
  err = r.err;
  return r.exitCode;
}

using qzrtest::e2e::EpochMilliseconds;
using qzrtest::e2e::kTypes;
using qzrtest::e2e::ReadTruth;
using qzrtest::e2e::Truth;
using qzrtest::e2e::TypeSource;

struct Case {
  const char* name;
  std::vector<std::string> simulator;
  std::vector<std::string> converter;
};

TEST(ObservationsEndToEnd, EveryValueMatchesWhatTheLogEncoded) {
  const Case kCases[] = {
      {"short", {"--encoding", "short"}, {}},
      {"full", {"--encoding", "full"}, {}},
      {"relative", {"--encoding", "relative"}, {}},
      {"short-relative", {"--encoding", "short-relative"}, {}},
      {"raw", {"--encoding", "raw"}, {}},
      {"short with clock offset", {"--encoding", "short", "--clock-offset-ms", "0.4"}, {"-O"}},
      {"full with time-tag correction", {"--encoding", "full", "--receiver-version", "1.2"}, {}},
      {"short across midnight",
       {"--encoding", "short", "--start", "2026-03-14 23:59:52", "--interval", "0.5"},
       {}},
      {"raw across midnight", {"--encoding", "raw", "--start", "2026-03-14 23:59:52"}, {}},
      {"full with smoothing applied",
       {"--encoding", "full", "--observables", "code,phase,doppler,cn0,smoothing"},
       {"-~"}},
      {"short with smoothing applied",
       {"--encoding", "short", "--observables", "code,phase,doppler,cn0,smoothing"},
       {"-~"}},
      // Two days: satellites rise and set, phase tracks restart, a week ends.
      {"48 h at 30 s",
       {"--duration", "172800", "--interval", "60", "--gps", "5", "--glonass", "3", "--sbas", "1"},
       {}},
      {"raw P code only", {"--encoding", "raw", "--signals", "p1,p2"}, {}},
      {"short without pseudoranges", {"--encoding", "short", "--observables", "phase,doppler,cn0"}, {}},
      {"short L1 only",
       {"--encoding", "short", "--signals", "ca", "--gps", "5", "--glonass", "0", "--sbas", "0"},
       {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string log = dir.File("sim.qzr"), truthFile = dir.File("sim.csv");
    std::vector<std::string> simArgs = {"-o", log, "--truth", truthFile, "--duration", "16", "--seed", "3"};
    simArgs.insert(simArgs.end(), c.simulator.begin(), c.simulator.end());
    std::string err;
    ASSERT_EQ(RunSimulator(simArgs, err, dir), 0) << err;
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    std::vector<std::string> convArgs = {"-i", log, "-o", out, "-S"};
    convArgs.insert(convArgs.end(), c.converter.begin(), c.converter.end());
    const bool smoothed = std::find(c.converter.begin(), c.converter.end(), "-~") != c.converter.end();
    const bool withClock = std::find(c.converter.begin(), c.converter.end(), "-O") != c.converter.end();
    const auto r = qzrtest::RunProgram(convArgs, {{"SOURCE_DATE_EPOCH", "1773482400"}});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    std::string obsPath;
    for (const auto& entry : std::filesystem::directory_iterator(out))
      if (entry.path().extension().string().back() == 'O') obsPath = entry.path().string();
    ASSERT_FALSE(obsPath.empty()) << r.out;

    const Truth truth = ReadTruth(ReadFile(truthFile));
    const auto file = qzrtest::rinex::ReadObservationFile(ReadFile(obsPath));
    EXPECT_TRUE(file.complaints.empty()) << file.complaints.front();
    const auto epochs = file.Epochs();
    ASSERT_EQ(epochs.size(), truth.epochs.size());
    std::size_t compared = 0;
    for (std::size_t k = 0; k < epochs.size(); ++k) {
      const auto& rec = *epochs[k];
      const std::int64_t ms = EpochMilliseconds(rec.time);
      ASSERT_EQ(ms, truth.epochs[k].ms) << "epoch " << k;
      if (truth.epochs[k].hasClock && withClock) {
        ASSERT_TRUE(rec.clockOffset.has_value()) << "epoch " << k;
        EXPECT_NEAR(*rec.clockOffset, truth.epochs[k].clock, 6e-10);
      }
      std::size_t expectedSatellites = 0;
      for (const auto& [key, signals] : truth.obs)
        if (std::get<0>(key) == ms) ++expectedSatellites;
      EXPECT_EQ(rec.satellites.size(), expectedSatellites) << "epoch " << k;
      EXPECT_EQ(rec.count, truth.epochs[k].satellites) << "epoch " << k;
      for (const auto& sat : rec.satellites) {
        const auto it = truth.obs.find({ms, sat.system, sat.number});
        ASSERT_NE(it, truth.obs.end()) << sat.system << sat.number << " at epoch " << k;
        for (const TypeSource& t : kTypes) {
          const int index = qzrtest::rinex::TypeIndex(file.header, t.type);
          if (index < 0) continue;
          const auto sig = it->second.find(t.signal);
          double expected = sig == it->second.end() ? NAN : sig->second[static_cast<std::size_t>(t.field)];
          if (smoothed && t.field == 0 && !std::isnan(expected) && !std::isnan(sig->second[4]))
            expected += sig->second[4];
          const auto& v = sat.values[static_cast<std::size_t>(index)];
          SCOPED_TRACE(std::string(t.type) + " " + sat.system + std::to_string(sat.number) + " epoch " +
                       std::to_string(k));
          EXPECT_EQ(v.present, !std::isnan(expected));
          if (v.present && !std::isnan(expected)) {
            // Half the last printed digit, plus a few units of double rounding.
            EXPECT_NEAR(v.value, expected, 0.0005 + 5e-8);
            ++compared;
          }
        }
      }
    }
    EXPECT_GT(compared, 100u);
  }
}

}  // namespace
