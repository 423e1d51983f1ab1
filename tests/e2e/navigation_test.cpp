// Simulated logs with ephemerides, parameter sets and events through the
// converter: every navigation parameter, the navigation headers and the
// event records of the observation file against what the log encoded.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/e2e_truth.h"
#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace {

using qzrtest::ReadFile;
using qzrtest::TempDir;
using qzrtest::e2e::NavFile;
using qzrtest::e2e::NavNumber;
using qzrtest::e2e::NavNumberShort;
using qzrtest::e2e::Truth;
using Fields = std::vector<std::string>;

double Number(const std::string& s) { return std::strtod(s.c_str(), nullptr); }
int Integer(const std::string& s) { return std::atoi(s.c_str()); }

std::string Pad60(std::string s) {
  s.resize(60, ' ');
  return s;
}

struct Simulated {
  TempDir dir;
  std::string log;
  Truth truth;
};

// One log shared by the tests: ten minutes, every system, every parameter
// set, two site changes and three external events.
class NavigationEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = std::make_unique<Simulated>();
    sim_->log = sim_->dir.File("nav.qzr");
    const std::string truthFile = sim_->dir.File("nav.csv");
    const auto r = qzrtest::RunSimulator({"-o", sim_->log, "--truth", truthFile, "--duration", "600",
                                          "--seed", "5", "--ephemerides", "--utc", "--iono", "--events", "2",
                                          "--external-events", "3", "--signatures"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    sim_->truth = qzrtest::e2e::ReadTruth(ReadFile(truthFile));
  }
  static void TearDownTestSuite() { sim_.reset(); }
  static const Simulated& Log() { return *sim_; }

 private:
  static std::unique_ptr<Simulated> sim_;
};
std::unique_ptr<Simulated> NavigationEndToEnd::sim_;

// The satellites of the observation file, as "G5", "R10", "S24".
std::set<std::string> ObservedSatellites(const qzrtest::rinex::ObservationFile& obs) {
  std::set<std::string> out;
  for (const auto* rec : obs.Epochs())
    for (const auto& sat : rec->satellites) out.insert(sat.system + std::to_string(sat.number));
  return out;
}

struct SystemLayout {
  char letter;         // last letter of the file name
  const char* truth;   // truth line kind
  char system;         // observation file system letter
  int lines;           // lines per record
  int numberOffset;    // truth number minus record number
  std::size_t values;  // record values compared with the truth, from truth field 8 on
};
const SystemLayout kSystems[] = {
    {'N', "gpseph", 'G', 8, 0, 27}, {'G', "gloeph", 'R', 4, 0, 15}, {'H', "geoeph", 'S', 4, 100, 14}};

// The GPS transmission time written for an ephemeris: the second of week of
// the reference time of its two-hour fit block (flags bit 0 clear).
double GpsTransmissionTime(const Fields& g) {
  const std::int64_t t = std::atoll(g[29].c_str()) * 604800 + std::atoll(g[35].c_str());
  const std::int64_t s = t % 86400;
  return static_cast<double>(((t - s) + (s - s % 7200) + 7199) % 604800);
}

// Checks one navigation file against the truth records of the satellites
// the observation file holds; returns the number of records compared.
std::size_t CheckNavigation(const SystemLayout& sys, const NavFile& nav, const Truth& truth,
                            const std::set<std::string>& observed) {
  EXPECT_TRUE(nav.complaints.empty()) << nav.complaints.front();
  std::vector<const Fields*> expected;
  for (const Fields& f : truth.lines.at(sys.truth))
    if (observed.count(sys.system + std::to_string(Integer(f[1]) - sys.numberOffset))) expected.push_back(&f);
  EXPECT_EQ(nav.records.size(), expected.size());
  std::vector<bool> used(nav.records.size(), false);
  for (std::size_t k = 1; k < nav.records.size(); ++k) {
    const auto& a = nav.records[k - 1];
    const auto& b = nav.records[k];
    const auto key = [](const qzrtest::e2e::NavRecord& r) {
      return std::make_tuple(r.year, r.month, r.day, r.hour, r.minute, r.second);
    };
    EXPECT_LE(key(a), key(b)) << "records out of time order at " << k;
  }
  for (const Fields* fp : expected) {
    const Fields& f = *fp;
    SCOPED_TRACE(std::string(sys.truth) + " " + f[1] + " at " + f[5] + ":" + f[6]);
    const int number = Integer(f[1]) - sys.numberOffset;
    std::size_t hit = nav.records.size();
    for (std::size_t k = 0; k < nav.records.size(); ++k) {
      const auto& r = nav.records[k];
      if (!used[k] && r.number == number && r.year == Integer(f[2]) % 100 && r.month == Integer(f[3]) &&
          r.day == Integer(f[4]) && r.hour == Integer(f[5]) && r.minute == Integer(f[6]) &&
          r.second == Number(f[7])) {
        hit = k;
        break;
      }
    }
    if (hit == nav.records.size()) {
      ADD_FAILURE() << "no record";
      continue;
    }
    used[hit] = true;
    const auto& r = nav.records[hit];
    if (r.fields.size() < sys.values) {
      ADD_FAILURE() << r.fields.size() << " values";
      continue;
    }
    for (std::size_t v = 0; v < sys.values; ++v)
      EXPECT_EQ(r.fields[v], NavNumber(Number(f[8 + v]))) << "value " << v << " = " << f[8 + v];
    if (sys.letter == 'N') {
      EXPECT_EQ(r.fields.size(), 28u);
      if (r.fields.size() == 28) {
        EXPECT_EQ(r.fields[27], NavNumber(GpsTransmissionTime(f)));
      }
    } else {
      EXPECT_EQ(r.fields.size(), sys.values);
    }
  }
  return expected.size();
}

std::string HeaderValue(const NavFile& nav, const char* label) {
  const auto* r = nav.Find(label);
  return r ? Pad60(r->value) : std::string("(no ") + label + ")";
}

TEST_F(NavigationEndToEnd, EveryParameterAndHeaderSetMatchesWhatTheLogEncoded) {
  const Simulated& sim = Log();
  ASSERT_FALSE(sim.truth.lines.empty());
  const auto conv = qzrtest::e2e::Convert(sim.dir, sim.log, {}, "all");
  ASSERT_EQ(conv.result.exitCode, 0) << conv.result.out << conv.result.err;
  const auto obs = qzrtest::rinex::ReadObservationFile(ReadFile(conv.observation));
  const auto observed = ObservedSatellites(obs);
  const Truth& t = sim.truth;

  std::map<char, NavFile> files;
  for (const auto& sys : kSystems) {
    SCOPED_TRACE(sys.letter);
    ASSERT_TRUE(conv.navigation.count(sys.letter)) << conv.result.out;
    files[sys.letter] = qzrtest::e2e::ReadNavigationFile(ReadFile(conv.navigation.at(sys.letter)), sys.lines);
    EXPECT_GT(CheckNavigation(sys, files[sys.letter], t, observed), 1u);
  }

  const Fields& iono = t.lines.at("iono").front();
  const Fields& utc = t.lines.at("utc").front();
  const Fields& geoUtc = t.lines.at("geoutc").front();
  const auto ionoLine = [&](std::size_t first) {
    std::string s = "  ";
    for (std::size_t k = first; k < first + 4; ++k) s += NavNumberShort(Number(iono[k]));
    return Pad60(s);
  };
  const std::string leap = Pad60(std::string(6 - utc[5].size(), ' ') + utc[5]);
  char deltaUtc[80];
  std::snprintf(deltaUtc, sizeof deltaUtc, "   %s%s%9d%9d", NavNumber(Number(utc[1])).c_str(),
                NavNumber(Number(utc[2])).c_str(), Integer(utc[3]), Integer(utc[4]));
  const NavFile& gps = files['N'];
  EXPECT_EQ(HeaderValue(gps, "ION ALPHA"), ionoLine(1));
  EXPECT_EQ(HeaderValue(gps, "ION BETA"), ionoLine(5));
  EXPECT_EQ(HeaderValue(gps, "DELTA-UTC: A0,A1,T,W"), Pad60(deltaUtc));
  for (const char letter : {'N', 'G', 'H'})
    EXPECT_EQ(HeaderValue(files[letter], "LEAP SECONDS"), leap) << letter;

  // GEO: the date of its UTC reference time and its A0.
  const std::int64_t geoReference = std::atoll(geoUtc[4].c_str()) * 604800 + std::atoll(geoUtc[3].c_str());
  const auto* first = obs.header.firstObs ? &*obs.header.firstObs : nullptr;
  ASSERT_NE(first, nullptr);
  const std::int64_t geoDay = geoReference / 86400;
  const std::int64_t firstDay =
      qzrtest::e2e::EpochMilliseconds({first->year % 100, first->month, first->day, 0, 0, 0}) / 86400000;
  ASSERT_EQ(geoDay, firstDay) << "the simulator's UTC reference lies on the day of the first epoch";
  char corr[80];
  std::snprintf(corr, sizeof corr, "%6d%6d%6d   %s", first->year, first->month, first->day,
                NavNumber(Number(geoUtc[1])).c_str());
  EXPECT_EQ(HeaderValue(files['H'], "CORR TO SYSTEM TIME"), Pad60(corr));
  // GLONASS: the first observation date and the negated tauC of the first record.
  const Fields& firstGlonass = t.lines.at("gloeph").front();
  std::snprintf(corr, sizeof corr, "%6d%6d%6d   %s", first->year, first->month, first->day,
                NavNumber(-Number(firstGlonass[23])).c_str());
  EXPECT_EQ(HeaderValue(files['G'], "CORR TO SYSTEM TIME"), Pad60(corr));
}

TEST_F(NavigationEndToEnd, OnlySatellitesOfTheObservationFileAreWritten) {
  const Simulated& sim = Log();
  const Truth& t = sim.truth;
  struct Case {
    const char* option;
    const SystemLayout* system;
  };
  const Case kCases[] = {{"-g", &kSystems[0]}, {"-r", &kSystems[1]}, {"-w", &kSystems[2]}};
  int run = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.option);
    const SystemLayout& sys = *c.system;
    const Fields& victim = t.lines.at(sys.truth).front();
    const int number = Integer(victim[1]) - sys.numberOffset;
    const auto conv = qzrtest::e2e::Convert(sim.dir, sim.log, {c.option, std::to_string(number)},
                                            "x" + std::to_string(run++));
    ASSERT_EQ(conv.result.exitCode, 0) << conv.result.out << conv.result.err;
    const auto obs = qzrtest::rinex::ReadObservationFile(ReadFile(conv.observation));
    const auto observed = ObservedSatellites(obs);
    ASSERT_FALSE(observed.count(sys.system + std::to_string(number)));
    ASSERT_TRUE(conv.navigation.count(sys.letter));
    const NavFile nav = qzrtest::e2e::ReadNavigationFile(ReadFile(conv.navigation.at(sys.letter)), sys.lines);
    for (const auto& r : nav.records) EXPECT_NE(r.number, number);
    EXPECT_GT(CheckNavigation(sys, nav, t, observed), 0u);
  }
  // No satellite of a system in the observation file: no file of that system.
  const auto conv = qzrtest::e2e::Convert(sim.dir, sim.log, {"-R"}, "noglonass");
  ASSERT_EQ(conv.result.exitCode, 0) << conv.result.out << conv.result.err;
  EXPECT_FALSE(conv.navigation.count('G'));
  EXPECT_TRUE(conv.navigation.count('N'));
  EXPECT_TRUE(conv.navigation.count('H'));
}

double SecondsOfWeek(const qzrtest::rinex::Time& time) {
  const double ms = static_cast<double>(
      qzrtest::e2e::EpochMilliseconds({time.year, time.month, time.day, time.hour, time.minute, 0}));
  return std::fmod(ms / 1000.0, 604800.0) + time.second;
}

TEST_F(NavigationEndToEnd, EventRecordsMatchTheLoggedEvents) {
  const Simulated& sim = Log();
  const auto conv = qzrtest::e2e::Convert(sim.dir, sim.log, {}, "events");
  ASSERT_EQ(conv.result.exitCode, 0) << conv.result.out << conv.result.err;
  const auto obs = qzrtest::rinex::ReadObservationFile(ReadFile(conv.observation));
  EXPECT_TRUE(obs.complaints.empty()) << obs.complaints.front();

  std::vector<const Fields*> external, sites;
  for (const Fields& e : sim.truth.lines.at("event")) (e[1] == "user" ? sites : external).push_back(&e);
  ASSERT_EQ(external.size(), 3u);
  ASSERT_EQ(sites.size(), 2u);

  std::size_t nextExternal = 0, nextSite = 0;
  for (std::size_t k = 0; k < obs.records.size(); ++k) {
    const auto& rec = obs.records[k];
    if (rec.flag == 4 && !rec.special.empty() &&
        rec.special[0].find("*** EXTERNAL EVENT") != std::string::npos) {
      ASSERT_LT(nextExternal, external.size()) << "an external event that was never logged";
      const Fields& e = *external[nextExternal++];
      SCOPED_TRACE("external event " + e[1] + " at " + e[3]);
      EXPECT_EQ(rec.special[0].substr(0, 48), "       *** EXTERNAL EVENT " + e[1] + " in GPS time     ***");
      // The event times comment: output time, time-base letter, recorded time, nine decimals each.
      ASSERT_EQ(rec.special.size(), 2u);
      const std::string& times = rec.special[1];
      const double sow = Number(e[3]);
      char expected[64];
      const double second = std::fmod(sow, 60.0);
      std::snprintf(expected, sizeof expected, "%13.9f;G", second);
      EXPECT_EQ(times.substr(15, 15), expected) << times;
      ASSERT_LT(k + 1, obs.records.size());
      const auto& mark = obs.records[k + 1];
      EXPECT_EQ(mark.flag, 5);
      EXPECT_EQ(mark.count, 0);
      EXPECT_NEAR(SecondsOfWeek(mark.time), sow, 5e-8 + 1e-9);
    } else if (rec.flag == 3) {
      ASSERT_LT(nextSite, sites.size()) << "a site change that was never logged";
      const Fields& e = *sites[nextSite++];
      SCOPED_TRACE("site " + e[5]);
      EXPECT_NEAR(SecondsOfWeek(rec.time), Number(e[3]), 1e-7);
      bool named = false;
      for (const auto& line : rec.special)
        if (line.size() > 60 && line.substr(60).rfind("MARKER NAME", 0) == 0)
          named = line.substr(0, 60) == Pad60(e[5]);
      EXPECT_TRUE(named);
      // The new site's first epoch follows at the same time.
      ASSERT_LT(k + 1, obs.records.size());
      EXPECT_EQ(obs.records[k + 1].flag, 0);
      EXPECT_EQ(obs.records[k + 1].time, rec.time);
    } else {
      EXPECT_TRUE(rec.flag == 0 || rec.flag == 5) << "record flag " << rec.flag << " at " << k;
    }
  }
  EXPECT_EQ(nextExternal, external.size());
  EXPECT_EQ(nextSite, sites.size());
}

}  // namespace
