// The three navigation files, from collected ephemerides and stored epochs.

#include "output/rinex2/navigation_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/observation_set.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::ConverterBench;
using qzrtest::LogBuilder;
using qzrtest::StoreEpoch;
using qzrtest::WithGeoEphemerides;
using qzrtest::WithGeoUtc;
using qzrtest::WithGlonassEphemerides;
using qzrtest::WithGpsEphemerides;
using qzrtest::WithGpsUtc;
using qzrtest::WithIono;
using qzrtest::WithOutputSpan;

constexpr std::uint32_t kWeek = 604800;
constexpr std::uint32_t kWeek1325 = 1325 * kWeek;  // Sunday 2005-05-29
constexpr std::uint8_t kGlonass = 0x80;
constexpr std::uint8_t kGeo = 0x40;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

LogBuilder AnyLog() {
  LogBuilder log;
  log.Text("\r\n");
  return log;
}

// A converter with one stored epoch holding the given satellites; each
// question collects the set from the converter as it stands then.
struct Collected {
  explicit Collected(const std::vector<std::uint8_t>& satellites) : bench(AnyLog()) {
    StoreEpoch(bench.file(), kWeek1325 + 30000, satellites);
  }
  TQZRFile& file() { return bench.file(); }
  bool Has(NavigationSystem system) { return HasNavigationData(CollectObservations(file()), system); }
  std::string Write(NavigationSystem system, std::ostream* console = nullptr) {
    const ObservationSet set = CollectObservations(file());
    StringSink out;
    EXPECT_EQ(WriteNavigationFile(set, system, SatellitesInObservations(set), out, console), Status::Ok);
    return out.Text();
  }
  ConverterBench bench;
};

GpsEphemeris Gps(std::uint8_t prn, std::uint32_t middleSeconds, std::int32_t toc) {
  GpsEphemeris e;
  e.prn = prn;
  e.middleTime = {.msOfDay = middleSeconds % 86400 * 1000, .day = middleSeconds / 86400};
  e.toc = e.toe = toc;
  e.af0 = -0.000244140625f;
  e.iode = 165;
  e.iodc = 0x1A5;
  e.crs = -12.25f;
  e.deltaN = 0.5f;
  e.m0 = 0.25;
  e.cuc = 0.125f;
  e.eccentricity = 0.0078125;
  e.cus = 0.0625f;
  e.sqrtA = 5153.5;
  e.cic = -0.001953125f;
  e.omega0 = -0.5;
  e.cis = 0.00390625f;
  e.inclination = 0.3;
  e.crc = 250.5f;
  e.argumentOfPerigee = 0.75;
  e.omegaDot = -9.313225746154785e-10f;         // 2^-30
  e.inclinationRate = 2.3283064365386963e-10f;  // 2^-32
  e.navFlags = 4 + 8 + 2;
  e.ura = 2;
  e.tgd = -7.450580596923828e-09f;  // 2^-27
  return e;
}

std::string Golden(const std::string& name) {
  return qzrtest::ReadFile(std::string(QZR2RIN_TEST_DATA) + "/nav/" + name);
}

TEST(GpsNavigationFile, MatchesTheHandWrittenFile) {
  const ScopedEnv clock("SOURCE_DATE_EPOCH", "1118000000");  // 2005-06-05 19:33:20 UTC
  Collected c({3, 5});
  TQZRFile& f = c.file();
  WithIono(f, {.present = true,
               .alpha = {1.1176e-08f, 7.4506e-09f, -5.9605e-08f, -5.9605e-08f},
               .beta = {90112.0f, 0.0f, -196610.0f, -65536.0f}});
  WithGpsUtc(f, {.present = true,
                 .utc = {.a0 = -9.313225746154785e-10, .a1 = 0, .tot = 405504, .wnt = 300, .dtls = 0}});
  GpsEphemeris prn3 = Gps(3, kWeek1325 + 28799, 28800);
  prn3.af0 = 0.0001220703125f;
  GpsEphemeris second = Gps(5, kWeek1325 + 28799, 28800);
  second.iode = 166;
  second.iodc = 0xA6;
  WithGpsEphemerides(f, 5,
                     {Gps(5, kWeek1325 + 28799, 28800), second,
                      // Clock reference late in the week before its middle time.
                      Gps(5, kWeek1325 + 3000, 604000)});
  WithGpsEphemerides(f, 3, {prn3});
  WithGpsEphemerides(f, 9, {Gps(9, kWeek1325 + 28799, 28800)});  // never observed

  ASSERT_TRUE(c.Has(NavigationSystem::Gps));
  const std::string text = c.Write(NavigationSystem::Gps);
  EXPECT_EQ(text, Golden("gps_mixed.nav"));
}

TEST(GpsNavigationFile, LastLineOfEveryRecordIsEightyColumns) {
  Collected c({5});
  WithGpsEphemerides(c.file(), 5, {Gps(5, kWeek1325 + 28799, 28800)});
  std::istringstream lines(c.Write(NavigationSystem::Gps));
  std::vector<std::string> records;
  bool inHeader = true;
  for (std::string line; std::getline(lines, line);) {
    if (!inHeader) records.push_back(line);
    if (line.find("END OF HEADER") != std::string::npos) inHeader = false;
  }
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0].size(), 79u);
  for (std::size_t i = 1; i < 7; ++i) EXPECT_EQ(records[i].size(), 79u) << i;
  EXPECT_EQ(records[7].size(), 80u);
  EXPECT_EQ(records[7].find_last_not_of(' '), 21u);
}

TEST(GpsNavigationFile, AbsentHeaderSetsOmitTheirLines) {
  Collected c({5});
  WithGpsEphemerides(c.file(), 5, {Gps(5, kWeek1325 + 28799, 28800)});
  const std::string text = c.Write(NavigationSystem::Gps);
  for (const char* label : {"ION ALPHA", "ION BETA", "DELTA-UTC", "LEAP SECONDS"}) {
    EXPECT_EQ(text.find(label), std::string::npos) << label;
  }
}

TEST(GpsNavigationFile, AccuracyIndexInMetres) {
  struct Case {
    std::int8_t ura;
    const char* metres;
  };
  const Case kCases[] = {
      {0, "  .200000000000D+01"},  {1, "  .200000000000D+01"},  {2, "  .400000000000D+01"},
      {5, "  .800000000000D+01"},  {6, "  .160000000000D+02"},  {7, "  .320000000000D+02"},
      {14, "  .409600000000D+04"}, {15, "  .100000000000D+05"}, {127, "  .100000000000D+05"}};
  for (const Case& k : kCases) {
    SCOPED_TRACE(static_cast<int>(k.ura));
    Collected c({5});
    GpsEphemeris e = Gps(5, kWeek1325 + 28799, 28800);
    e.ura = k.ura;
    WithGpsEphemerides(c.file(), 5, {e});
    const std::string text = c.Write(NavigationSystem::Gps);
    const std::size_t header = text.find("END OF HEADER");
    ASSERT_NE(header, std::string::npos);
    std::istringstream lines(text.substr(text.find('\n', header) + 1));
    std::string line;
    for (int i = 0; i < 7; ++i) std::getline(lines, line);
    EXPECT_EQ(line.substr(3, 19), k.metres);
  }
}

TEST(GlonassNavigationFile, MatchesTheHandWrittenFile) {
  const ScopedEnv clock("SOURCE_DATE_EPOCH", "1118000000");
  Collected c({kGlonass | 2, kGlonass | 4});
  TQZRFile& f = c.file();
  WithGpsUtc(f, {.present = true, .utc = {.dtls = 13}});
  WithOutputSpan(f, TGPSTimeNS(kWeek1325 + 30000, 0), TGPSTimeNS());
  GlonassEphemeris later{.sv = 2, .referenceMsOfDay = 2700000, .referenceDay = kWeek1325 / 86400, .tk = 1800};
  later.tauN = -7.62939453125e-06f;  // -2^-17
  later.x = -1000.0;
  later.y = 2000.0;
  later.z = 3000.0;
  later.vx = 0.25f;
  later.vy = -0.5f;
  later.vz = 0.75f;
  later.tauC = 0.5;
  later.frequencyNumber = 1;
  // Its frame came before the start of the day.
  GlonassEphemeris first{.sv = 4, .referenceMsOfDay = 900000, .referenceDay = kWeek1325 / 86400, .tk = -600};
  first.tauN = 1.52587890625e-05f;        // 2^-16
  first.gammaN = 9.094947017729282e-13f;  // 2^-40
  first.x = 12345.6787109375;
  first.y = -23456.25;
  first.z = 0.5;
  first.vx = -1.5f;
  first.vy = 2.75f;
  first.vz = -0.125f;
  first.ax = 9.313225746154785e-10f;
  first.az = -9.313225746154785e-10f;
  first.tauC = -2.9802322387695312e-08;  // -2^-25
  first.ageOfData = 3;
  first.healthBit = 1;
  first.frequencyNumber = 0xF9;  // channel -7
  WithGlonassEphemerides(f, 2, {later});
  WithGlonassEphemerides(f, 4, {first});
  ASSERT_TRUE(c.Has(NavigationSystem::Glonass));
  EXPECT_EQ(c.Write(NavigationSystem::Glonass), Golden("glonass.nav"));
}

TEST(GeoNavigationFile, MatchesTheHandWrittenFile) {
  const ScopedEnv clock("SOURCE_DATE_EPOCH", "1118000000");
  Collected c({kGeo | 22, kGeo | 20});
  TQZRFile& f = c.file();
  WithGpsUtc(f, {.present = true, .utc = {.dtls = 13}});
  WithGeoUtc(f, {.present = true, .utc = {.a0 = -9.313225746154785e-10, .tot = 405504, .wnt = 300}});
  auto record = [](std::uint8_t number, double x, std::uint8_t accuracy) {
    GeoEphemeris e{.number = number, .accuracy = accuracy, .toaDay = kWeek1325 / 86400, .toa = 3600};
    e.x = x;
    e.y = -x;
    e.z = 36000000.0;
    e.vx = 2.5f;
    e.vy = -1.25f;
    e.ax = 0.125f;
    e.az = -0.0625f;
    e.gf0 = 9.5367431640625e-07f;  // 2^-20
    e.tow = 3500;
    return e;
  };
  // Equal reference times: PRN 120 before PRN 122.
  WithGeoEphemerides(f, 122, {record(22, -8000000.0, 15)});
  WithGeoEphemerides(f, 120, {record(20, 12000000.0, 7)});
  ASSERT_TRUE(c.Has(NavigationSystem::Geo));
  EXPECT_EQ(c.Write(NavigationSystem::Geo), Golden("geo.nav"));
}

TEST(NavigationData, OnlyObservedSatellitesOfTheSystemCount) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> observed;
    NavigationSystem system;
    bool has;
  };
  const Case kCases[] = {
      {"GPS ephemeris of an observed PRN", {5}, NavigationSystem::Gps, true},
      {"GPS ephemeris of a PRN not observed", {6}, NavigationSystem::Gps, false},
      {"no GPS observed at all", {kGlonass | 5}, NavigationSystem::Gps, false},
      {"GLONASS slot with a record", {kGlonass | 2}, NavigationSystem::Glonass, true},
      {"GLONASS slot without a record", {kGlonass | 3}, NavigationSystem::Glonass, false},
      {"GEO 120 with a record", {kGeo | 20}, NavigationSystem::Geo, true},
      {"GEO 138 without a record", {kGeo | 38}, NavigationSystem::Geo, false},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.name);
    Collected c(k.observed);
    WithGpsEphemerides(c.file(), 5, {Gps(5, kWeek1325 + 28799, 28800)});
    WithGlonassEphemerides(c.file(), 2, {GlonassEphemeris{.sv = 2}});
    WithGeoEphemerides(c.file(), 120, {GeoEphemeris{.number = 20}});
    EXPECT_EQ(c.Has(k.system), k.has);
  }
}

TEST(NavigationData, ConsoleTagsEverySeenSatelliteOfTheSystem) {
  Collected c({7, 5, kGlonass | 4, kGeo | 22});
  std::ostringstream console;
  WithGpsEphemerides(c.file(), 5, {Gps(5, kWeek1325 + 28799, 28800)});
  c.Write(NavigationSystem::Gps, &console);
  c.Write(NavigationSystem::Geo, &console);
  EXPECT_EQ(console.str(), "G5 G7 \nS22 \n");
}

}  // namespace
}  // namespace qzr2rin
