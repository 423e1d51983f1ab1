// GLONASS ephemeris messages, driven through the real scanner and dispatch
// table.

#include "decoders/glonass_ephemeris.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/converter_state.h"
#include "support/ephemeris_fixtures.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::DecoderText;
using qzrtest::LogBuilder;
using qzrtest::WithWindow;

std::uint32_t Day(unsigned year, unsigned month, unsigned day) {
  TGPSTime t;
  t.Set(year, static_cast<TGPSTime::TMonth>(month), day, 0, 0, 0);
  return t.GPSDay();
}

struct Fields {
  std::uint8_t sv = 5;
  std::uint8_t frequencyNumber = 3;
  std::int16_t dne = 65;  // 2004-03-05 in the cycle of 2004
  std::int32_t tk = 43170;
  std::int32_t tb = 43200;
  std::uint8_t health = 0;
  std::uint8_t ageOfData = 2;
  std::uint8_t reserved = 0xA5;
  double x = 12345.678, y = -2345.5, z = 19876.25;
  float vx = 1.5f, vy = -2.25f, vz = 3.125f;
  float ax = 1e-9f, ay = -2e-9f, az = 3e-9f;
  double tauC = -1.25e-8;
  float tauN = 4.5e-5f;
  float gammaN = -1.8e-12f;
};

BodyBuilder Payload(const Fields& e) {
  BodyBuilder b;
  b.U8(e.sv).U8(e.frequencyNumber).I16(e.dne).I32(e.tk).I32(e.tb).U8(e.health).U8(e.ageOfData).U8(e.reserved);
  qzrtest::AddOrbit(b, e).F64(e.tauC).F32(e.tauN).F32(e.gammaN);
  return b;
}

Bytes Ephemeris(const Fields& e) { return qzrtest::Message("NE", Payload(e)); }

const std::uint32_t kToday = Day(2004, 3, 5);

const std::vector<GlonassEphemeris>& Slot(ConverterBench& bench, unsigned sv) {
  return bench.file().Collected().ephemerides.glonass.at(sv - 1);
}

std::size_t StoredCount(const TQZRFile& f) {
  return qzrtest::TotalRecords(f.Collected().ephemerides.glonass);
}

TEST(GlonassEphemeris, PayloadFillsTheRecordWithTimesInUtc) {
  ConverterBench bench(qzrtest::LogOf(Ephemeris(Fields{})));
  AtDate(bench.file(), kToday);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  ASSERT_EQ(Slot(bench, 5).size(), 1u);
  const GlonassEphemeris& e = Slot(bench, 5).front();
  EXPECT_EQ(e.sv, 5);
  EXPECT_EQ(e.referenceDay, kToday);
  EXPECT_EQ(e.referenceMsOfDay, 32'400'000u);  // 12:00 Moscow is 09:00 UTC
  EXPECT_EQ(e.ReferenceSeconds(), kToday * 86400 + 32'400);
  EXPECT_EQ(e.tk, 32'370);
  qzrtest::ExpectOrbit(e, Fields{});
  EXPECT_EQ(e.tauC, -1.25e-8);
  EXPECT_EQ(e.tauN, 4.5e-5f);
  EXPECT_EQ(e.gammaN, -1.8e-12f);
  EXPECT_EQ(e.ageOfData, 2);
  EXPECT_EQ(e.reserved, 0xA5);
  EXPECT_EQ(e.healthBit, 0);
  EXPECT_EQ(e.frequencyNumber, 3);
  EXPECT_EQ(DecoderText(bench), "5 dne=65  tb=43200\n");
}

TEST(GlonassEphemeris, HealthBitComesFromTheLowThreeBits) {
  struct Case {
    std::uint8_t health;
    std::uint8_t bit;
  };
  const Case kCases[] = {{0x00, 0}, {0x01, 1}, {0x04, 1}, {0x07, 1}, {0x08, 0}, {0xF8, 0}, {0xFA, 1}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.health));
    Fields e;
    e.health = c.health;
    ConverterBench bench(qzrtest::LogOf(Ephemeris(e)));
    AtDate(bench.file(), kToday);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    ASSERT_EQ(Slot(bench, 5).size(), 1u);
    EXPECT_EQ(Slot(bench, 5).front().healthBit, c.bit);
  }
}

TEST(GlonassEphemeris, DatedFromTheCycleDayNearestTheReceiverDate) {
  struct Case {
    const char* name;
    std::uint32_t today;
    std::int16_t dne;
    std::int32_t tb;
    std::int32_t tk;
    std::uint32_t day;  // UTC day of the reference time
    std::uint32_t ms;
    std::int32_t storedTk;
    const char* dump;
  };
  const Case kCases[] = {
      {"01:00 Moscow is 22:00 UTC of the day before", kToday, 65, 3600, 3570, kToday - 1, 79'200'000, 79'170,
       "5 dne=65  tb=90000\n"},
      {"03:00 Moscow is midnight UTC", kToday, 65, 10800, 10800, kToday, 0, 0, "5 dne=65  tb=10800\n"},
      {"frame before 03:00 with the reference after it", kToday, 65, 10800, 10770, kToday, 0, -30,
       "5 dne=65  tb=10800\n"},
      {"third year, day 1 is the coming leap year", Day(2003, 12, 31), 1, 10800, 10800, Day(2004, 1, 1), 0, 0,
       "5 dne=1  tb=10800\n"},
      {"leap year, day 1461 is the end of the last cycle", Day(2004, 1, 1), 1461, 43200, 43200,
       Day(2003, 12, 31), 32'400'000, 32'400, "5 dne=1461  tb=43200\n"},
      {"leap year, day 365 is its own 30 December", Day(2004, 6, 1), 365, 43200, 43200, Day(2004, 12, 30),
       32'400'000, 32'400, "5 dne=365  tb=43200\n"},
      {"leap year, day 366 on 31 December", Day(2004, 12, 31), 366, 43200, 43200, Day(2004, 12, 31),
       32'400'000, 32'400, "5 dne=366  tb=43200\n"},
      {"first year after the leap year, its day 366", Day(2005, 1, 1), 366, 43200, 43200, Day(2004, 12, 31),
       32'400'000, 32'400, "5 dne=366  tb=43200\n"},
      {"third year, last day of the cycle", Day(2007, 12, 31), 1461, 43200, 43200, Day(2007, 12, 31),
       32'400'000, 32'400, "5 dne=1461  tb=43200\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Fields e;
    e.dne = c.dne;
    e.tb = c.tb;
    e.tk = c.tk;
    ConverterBench bench(qzrtest::LogOf(Ephemeris(e)));
    AtDate(bench.file(), c.today);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    ASSERT_EQ(Slot(bench, 5).size(), 1u);
    const GlonassEphemeris& stored = Slot(bench, 5).front();
    EXPECT_EQ(stored.referenceDay, c.day);
    EXPECT_EQ(stored.referenceMsOfDay, c.ms);
    EXPECT_EQ(stored.tk, c.storedTk);
    EXPECT_EQ(DecoderText(bench), c.dump);
  }
}

TEST(GlonassEphemeris, RefusedEphemeridesAreNotStored) {
  struct Case {
    const char* name;
    std::uint8_t sv;
    std::int16_t dne;
    std::int32_t tb;
    std::uint32_t today;
    const char* dump;
  };
  const char* const kBad = "    Bad GLONASS ephemeris. Missing SV number or day.\n";
  const Case kCases[] = {
      {"no receiver date yet", 5, 65, 43200, 0, "No date. Skipping.\n"},
      {"satellite not available", 255, 65, 43200, kToday, kBad},
      {"day not available", 5, 0x7FFF, 43200, kToday, kBad},
      {"day 0", 5, 0, 43200, kToday, kBad},
      {"day past the cycle", 5, 1462, 43200, kToday, kBad},
      {"negative day", 5, -3, 43200, kToday, kBad},
      {"negative reference time", 5, 65, -1, kToday, kBad},
      {"reference time past the day", 5, 65, 86400, kToday, kBad},
      {"cycle before the time origin", 5, 400, 43200, Day(1982, 6, 1), kBad},
      {"slot 0", 0, 65, 43200, kToday, "0 dne=65  tb=43200\nErrors N Satellite \n"},
      {"slot 34", 34, 65, 43200, kToday, "34 dne=65  tb=43200\nErrors N Satellite \n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Fields e;
    e.sv = c.sv;
    e.dne = c.dne;
    e.tb = c.tb;
    ConverterBench bench(qzrtest::LogOf(Ephemeris(e)));
    AtDate(bench.file(), c.today);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(StoredCount(bench.file()), 0u);
    EXPECT_EQ(DecoderText(bench), c.dump);
  }
}

TEST(GlonassEphemeris, SlotsOneAndThirtyThreeAreKept) {
  Fields first;
  first.sv = 1;
  Fields last;
  last.sv = 33;
  LogBuilder log;
  log.Add(Ephemeris(first)).Add(Ephemeris(last));
  ConverterBench bench(log);
  AtDate(bench.file(), kToday);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(Slot(bench, 1).size(), 1u);
  EXPECT_EQ(Slot(bench, 33).size(), 1u);
}

TEST(GlonassEphemeris, OnlyARepeatOfTheLastRecordIsDropped) {
  Fields a;
  Fields otherChannel = a;
  otherChannel.frequencyNumber = 4;
  Fields later = a;
  later.tb = a.tb + 1800;
  Fields otherContent = a;  // only the time and channel count
  otherContent.x = 1.0;
  otherContent.tauN = 0;
  struct Case {
    const char* name;
    std::vector<Fields> sent;
    std::size_t stored;
    std::size_t already;
  };
  const Case kCases[] = {
      {"same message twice", {a, a}, 1, 1},
      {"same time and channel, other values", {a, otherContent}, 1, 1},
      {"same time, other channel", {a, otherChannel}, 2, 0},
      {"later reference time", {a, later}, 2, 0},
      {"repeat of an older record", {a, later, a}, 3, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    for (const Fields& e : c.sent) log.Add(Ephemeris(e));
    ConverterBench bench(log);
    AtDate(bench.file(), kToday);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    ASSERT_EQ(Slot(bench, 5).size(), c.stored);
    EXPECT_EQ(Slot(bench, 5).front().x, a.x);  // the first one stays
    std::size_t already = 0;
    const std::string dump = bench.DumpBody();
    for (std::size_t p = dump.find("   Already\n"); p != std::string::npos;
         p = dump.find("   Already\n", p + 1)) {
      ++already;
    }
    EXPECT_EQ(already, c.already) << dump;
  }
}

TEST(GlonassEphemeris, OutputWindowKeepsAnHourOnEachSide) {
  // 12:00 Moscow on kToday is 09:00 UTC.
  const std::uint32_t t = kToday * 86400 + 32'400;
  const qzrtest::WindowCase kCases[] = {
      {"start an hour later", true, t + 3600, 0, true},
      {"start an hour and a second later", true, t + 3601, 0, false},
      {"finish an hour earlier", true, 0, t - 3600, true},
      {"finish an hour and a second earlier", true, 0, t - 3601, false},
      {"inside", true, t - 60, t + 60, true},
      {"both ends open", true, 0, 0, true},
      {"no window given", false, t + 7200, t - 7200, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(qzrtest::LogOf(Ephemeris(Fields{})));
    AtDate(bench.file(), kToday);
    qzrtest::SetWindow(bench.file(), c);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(Slot(bench, 5).size(), c.kept ? 1u : 0u);
    EXPECT_EQ(DecoderText(bench),
              c.kept ? "5 dne=65  tb=43200\n" : "5 dne=65  tb=43200\nTime is not in output window\n");
  }
}

TEST(GlonassEphemeris, WindowStartOfOnlyNanosecondsIsSet) {
  ConverterBench bench(qzrtest::LogOf(Ephemeris(Fields{})));
  TQZRFile& f = bench.file();
  AtDate(f, kToday);
  // Open start; the finish half a second after the origin.
  WithWindow(f, true, TGPSTimeNS(), TGPSTimeNS(0, 500'000'000));
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(Slot(bench, 5).empty());
}

TEST(GlonassEphemeris, ShortOrDamagedBodiesAreIgnored) {
  qzrtest::ExpectRefusedBodiesIgnored(
      "NE", Payload(Fields{}).bytes(), 80, [](TQZRFile& f) { AtDate(f, kToday); }, StoredCount);
}

}  // namespace
}  // namespace qzr2rin
