// [GE] decoding, acceptance and storage, driven through the real scanner
// and dispatch table.

#include "decoders/gps_ephemeris.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::AtTimeOfDay;
using qzrtest::AwaitFirstTime;
using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::LogBuilder;
using qzrtest::WithWindow;

constexpr std::uint32_t kDay = 86400;
constexpr std::uint32_t kWeek1324Day = 1324 * 7;  // Sunday 2005-05-22
constexpr std::uint32_t kHour = 3600;

struct Ge {
  std::uint8_t sv = 5;
  std::uint32_t tow = 21600;
  std::uint8_t flags = 0;
  std::uint16_t iodc = 0x1A5;
  std::int32_t toc = 28800;
  std::int8_t ura = 2;
  std::uint8_t health = 0;
  std::int16_t wn = 1324;
  float tgd = -1.1641532e-08f;
  float af2 = 0;
  float af1 = -2.2737368e-12f;
  float af0 = 1.0e-9f;
  std::int32_t toe = 28800;
  std::int16_t iode = 0xA5;
  double sqrtA = 5153.6789;
  double eccentricity = 0.0123;
  double m0 = 0.25;
  double omega0 = -0.5;
  double inclination = 0.3;
  double perigee = 0.75;
  float deltaN = 1.5e-9f;
  float omegaDot = -2.5e-9f;
  float inclinationRate = 1e-10f;
  float crc = 250.5f;
  float crs = -12.25f;
  float cuc = 1e-6f;
  float cus = 2e-6f;
  float cic = -3e-8f;
  float cis = 4e-8f;
};

BodyBuilder GeFields(const Ge& g) {
  BodyBuilder b;
  b.U8(g.sv).U32(g.tow).U8(g.flags).U16(g.iodc).I32(g.toc).I8(g.ura).U8(g.health).I16(g.wn);
  b.F32(g.tgd).F32(g.af2).F32(g.af1).F32(g.af0).I32(g.toe).I16(g.iode);
  b.F64(g.sqrtA).F64(g.eccentricity).F64(g.m0).F64(g.omega0).F64(g.inclination).F64(g.perigee);
  b.F32(g.deltaN).F32(g.omegaDot).F32(g.inclinationRate);
  b.F32(g.crc).F32(g.crs).F32(g.cuc).F32(g.cus).F32(g.cic).F32(g.cis);
  return b;
}

Bytes GeMessage(const Ge& g) { return qzrtest::Message("GE", GeFields(g)); }

// A bench whose receiver already knows its date, so that no [GE] offers one.
struct Dated {
  explicit Dated(const LogBuilder& log) : bench(log) { AtDate(bench.file(), kWeek1324Day); }
  ConverterBench bench;
  const std::vector<GpsEphemeris>& List(unsigned prn) {
    return bench.file().Collected().ephemerides.gps[prn - 1];
  }
};

LogBuilder LogOf(const std::vector<Ge>& messages) {
  LogBuilder log;
  for (const Ge& g : messages) log.Add(GeMessage(g));
  return log;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(GpsEphemeris, StoresEveryFieldInTheMessageUnits) {
  Ge g;
  g.flags = 0x01 | 0x02 | (0x02 << 2);
  g.ura = -3;
  g.health = 0xBF;
  Dated d(LogOf({g}));
  ASSERT_EQ(d.bench.Walk(), Status::Ok);
  ASSERT_EQ(d.List(5).size(), 1u);
  const GpsEphemeris& e = d.List(5)[0];
  EXPECT_EQ(e.prn, 5);
  EXPECT_EQ(e.toc, 28800);
  EXPECT_EQ(e.toe, 28800);
  EXPECT_EQ(e.tgd, g.tgd);
  EXPECT_EQ(e.af1, g.af1);
  EXPECT_EQ(e.af0, g.af0);
  EXPECT_EQ(e.sqrtA, g.sqrtA);
  EXPECT_EQ(e.eccentricity, g.eccentricity);
  EXPECT_EQ(e.m0, g.m0);
  EXPECT_EQ(e.omega0, g.omega0);
  EXPECT_EQ(e.inclination, g.inclination);
  EXPECT_EQ(e.argumentOfPerigee, g.perigee);
  EXPECT_EQ(e.deltaN, g.deltaN);
  EXPECT_EQ(e.omegaDot, g.omegaDot);
  EXPECT_EQ(e.inclinationRate, g.inclinationRate);
  EXPECT_EQ(e.crc, g.crc);
  EXPECT_EQ(e.crs, g.crs);
  EXPECT_EQ(e.cuc, g.cuc);
  EXPECT_EQ(e.cus, g.cus);
  EXPECT_EQ(e.cic, g.cic);
  EXPECT_EQ(e.cis, g.cis);
  EXPECT_EQ(e.iode, 0xA5);
  EXPECT_EQ(e.iodc, 0x1A5);
  EXPECT_EQ(e.ura, -3);
  EXPECT_EQ(e.health, 0xBF);
  EXPECT_EQ(e.navFlags, 4 + 8 + 2);
}

TEST(GpsEphemeris, MiddleTimeIsTheFitIntervalReference) {
  struct Case {
    const char* name;
    std::int16_t wn;
    std::uint32_t tow;
    std::uint8_t flags;
    std::uint32_t day;
    std::uint32_t secondOfDay;
  };
  const Case kCases[] = {
      {"last second of a 2-hour block is itself", 1324, 3 * 7200 + 7199, 0, kWeek1324Day, 3 * 7200 + 7199},
      {"start of a 2-hour block moves 7199 s on", 1324, 3 * 7200, 0, kWeek1324Day, 3 * 7200 + 7199},
      {"week 300 is week 1324", 300, 3 * 7200, 0, kWeek1324Day, 3 * 7200 + 7199},
      {"4-hour fit at 13:30 is 15:00", 1324, 2 * kDay + 13 * kHour + 1800, 0x01, kWeek1324Day + 2,
       15 * kHour},
      {"4-hour fit at 16:00 is 19:00", 1324, 16 * kHour, 0x01, kWeek1324Day, 19 * kHour},
      {"4-hour fit at 23:00 is itself", 1324, 23 * kHour, 0x01, kWeek1324Day, 23 * kHour},
      {"last second of the day is itself", 1324, kDay - 1, 0, kWeek1324Day, kDay - 1},
      {"other flag bits leave the fit alone", 1324, 0, 0xFE, kWeek1324Day, 7199},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Ge g;
    g.wn = c.wn;
    g.tow = c.tow;
    g.flags = c.flags | 0x40;
    Dated d(LogOf({g}));
    ASSERT_EQ(d.bench.Walk(), Status::Ok);
    ASSERT_EQ(d.List(5).size(), 1u);
    EXPECT_EQ(d.List(5)[0].middleTime.day, c.day);
    EXPECT_EQ(d.List(5)[0].middleTime.msOfDay, c.secondOfDay * 1000);
  }
}

TEST(GpsEphemeris, RejectionsStoreNothingAndSayWhy) {
  struct Case {
    const char* name;
    Ge ge;
    const char* text;
  };
  const Case kCases[] = {
      {"PRN 0", {.sv = 0}, "Errors N Satellite \n"},
      {"PRN 38", {.sv = 38}, "Errors N Satellite \n"},
      {"toc differs from toe", {.toc = 28816}, "ToC != ToE, data ignored\n"},
      {"low byte of iodc differs from iode", {.iodc = 0x1A6}, "LsB(IODC) != IODE, data ignored\n"},
      {"only the low byte of iode counts",
       {.iodc = 0x0A5, .iode = 0x3A6},
       "LsB(IODC) != IODE, data ignored\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Dated d(LogOf({c.ge}));
    const auto walked = d.bench.WalkEach();
    ASSERT_EQ(walked.results.size(), 1u);
    EXPECT_EQ(walked.results[0], Status::Ok);
    ASSERT_EQ(walked.texts.size(), 1u);
    EXPECT_TRUE(walked.texts[0].ends_with(c.text)) << walked.texts[0];
    for (const auto& list : d.bench.file().Collected().ephemerides.gps) EXPECT_TRUE(list.empty());
  }
}

TEST(GpsEphemeris, LowBytesOfTheIssuesMatchAndIodeHighByteIsDropped) {
  Ge g;
  g.iodc = 0x1A5;
  g.iode = 0x7EA5;
  Dated d(LogOf({g}));
  ASSERT_EQ(d.bench.Walk(), Status::Ok);
  ASSERT_EQ(d.List(5).size(), 1u);
  EXPECT_EQ(d.List(5)[0].iode, 0xA5);
  EXPECT_EQ(d.List(5)[0].iodc, 0x1A5);
}

TEST(GpsEphemeris, RepeatOfTheLastStoredRecordIsDropped) {
  const Ge base;
  Ge laterFit = base;
  laterFit.tow = base.tow + 7200;
  struct Case {
    const char* name;
    Ge second;
    std::size_t stored;
  };
  Ge nearAf0 = base;
  nearAf0.af0 = std::nextafter(base.af0, 1.0f);  // some 1e-16 s away
  Ge farAf0 = base;
  farAf0.af0 = 2e-9f;
  Ge otherIode = base;
  otherIode.iode = 0xA6;
  otherIode.iodc = 0xA6;
  Ge otherReferences = base;
  otherReferences.toc = otherReferences.toe = 30000;
  Ge otherOrbit = base;
  otherOrbit.m0 = -0.9;
  otherOrbit.omega0 = 0.1;
  Ge otherL2 = base;
  otherL2.flags = 0x02;
  Ge otherUra = base;
  otherUra.ura = 3;
  Ge farSqrtA = base;
  farSqrtA.sqrtA = base.sqrtA + 1e-6;
  const Case kCases[] = {
      {"identical", base, 1},
      {"af0 within its tolerance", nearAf0, 1},
      {"references and orbit angles are not compared", otherReferences, 1},
      {"orbit angles are not compared", otherOrbit, 1},
      {"af0 beyond its tolerance", farAf0, 2},
      {"same middle time, other iode", otherIode, 2},
      {"other L2 P flag", otherL2, 2},
      {"other accuracy", otherUra, 2},
      {"sqrtA beyond its tolerance", farSqrtA, 2},
      {"other middle time", laterFit, 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Dated d(LogOf({base, c.second}));
    const auto walked = d.bench.WalkEach();
    ASSERT_EQ(walked.texts.size(), 2u);
    EXPECT_EQ(d.List(5).size(), c.stored);
    EXPECT_EQ(walked.texts[1].ends_with("   Already\n"), c.stored == 1) << walked.texts[1];
  }
}

TEST(GpsEphemeris, OnlyTheTailIsComparedSoAnOlderCopyIsStoredAgain) {
  const Ge first;
  Ge other = first;
  other.tow = first.tow + 7200;
  Ge elsewhere = first;
  elsewhere.sv = 7;
  Dated d(LogOf({first, other, elsewhere, first}));
  ASSERT_EQ(d.bench.Walk(), Status::Ok);
  ASSERT_EQ(d.List(5).size(), 3u);
  EXPECT_EQ(d.List(5)[0].middleTime, d.List(5)[2].middleTime);
  EXPECT_EQ(d.List(7).size(), 1u);
}

TEST(GpsEphemeris, WindowAcceptsFromTheTwoHourBlockBeforeItsStart) {
  struct Case {
    const char* name;
    std::uint32_t tow;
    std::uint8_t flags;
    bool stored;
  };
  // Start 10:30, finish 12:30: middle times from 08:00 to 16:00 pass.
  const Case kCases[] = {
      {"07:59:59 is before the block", 6 * kHour, 0, false},
      {"07:00 is before the block", 5 * kHour, 1, false},
      {"09:59:59 is in", 8 * kHour, 0, true},
      {"11:00 is in", 8 * kHour, 1, true},
      {"15:59:59 is in", 14 * kHour, 0, true},
      {"17:59:59 is after the finish block", 16 * kHour, 0, false},
      {"19:00 is after the finish block", 16 * kHour, 1, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Ge g;
    g.tow = c.tow;
    g.flags = c.flags;
    Dated d(LogOf({g}));
    TQZRFile& f = d.bench.file();
    WithWindow(f, true, TGPSTimeNS(kWeek1324Day * kDay + 10 * kHour + 1800, 0),
               TGPSTimeNS(kWeek1324Day * kDay + 12 * kHour + 1800, 0));
    const auto walked = d.bench.WalkEach();
    EXPECT_EQ(d.List(5).size(), c.stored ? 1u : 0u);
    ASSERT_EQ(walked.texts.size(), 1u);
    EXPECT_EQ(Contains(walked.texts[0], "Time has not got in  interval\n"), !c.stored);
  }
}

TEST(GpsEphemeris, OpenWindowEndsDoNotLimit) {
  Ge early;
  early.tow = 0;
  Ge late = early;
  late.tow = 6 * kDay;
  Dated d(LogOf({early, late}));
  TQZRFile& f = d.bench.file();
  WithWindow(f, true, TGPSTimeNS(kWeek1324Day * kDay + 3 * kDay, 0), TGPSTimeNS());  // open finish
  ASSERT_EQ(d.bench.Walk(), Status::Ok);
  ASSERT_EQ(d.List(5).size(), 1u);
  EXPECT_EQ(d.List(5)[0].middleTime.day, kWeek1324Day + 6);
}

TEST(GpsEphemeris, DumpShowsClockReferenceIssuesAndMiddleTime) {
  Ge g;
  g.tow = 600000;  // late Saturday; toc early the next week
  g.toc = g.toe = 3600;
  Dated d(LogOf({g}));
  const auto walked = d.bench.WalkEach();
  ASSERT_EQ(walked.texts.size(), 1u);
  EXPECT_EQ(walked.texts[0],
            "sv=5 wn=1324 tow=600000 toc=3600( Year=2005 Month=5 Day=29 1h0m0.0s ) toe=3600\n"
            "iodc= 0X1A5 iode= 0XA5\n"
            " MiddleTow =604799; Year=2005 Month=5 Day=28 23h59m59.0s\n");
}

TEST(GpsEphemeris, UndatedReceiverTakesTheDateOfTheEphemeris) {
  struct Case {
    const char* name;
    std::uint8_t flags;
    bool timeSeen;
    std::uint32_t receiverMs;
    std::uint32_t day;  // 0: no date offered
  };
  // The message: Tuesday 00:30 of week 1324.
  const Case kCases[] = {
      {"no receiver time yet", 0, false, 0, kWeek1324Day + 2},
      {"receiver still before midnight", 0, true, 23 * kHour * 1000 + 50 * 60000, kWeek1324Day + 1},
      {"receiver on the same day", 0, true, 1 * kHour * 1000, kWeek1324Day + 2},
      {"bit 6 withholds the date", 0x40, false, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Ge g;
    g.tow = 2 * kDay + 1800;
    g.flags = c.flags;
    ConverterBench bench(LogOf({g}));
    TQZRFile& f = bench.file();
    AwaitFirstTime(f, !c.timeSeen);
    AtTimeOfDay(f, c.receiverMs);
    ASSERT_EQ(bench.WalkAsSet(), Status::Ok);
    // No epoch is in progress, so the date waits for the next list.
    EXPECT_EQ(f.Clock().datePending, c.day != 0);
    if (c.day != 0) {
      EXPECT_EQ(f.Clock().pendingDay, c.day);
    }
  }
}

TEST(GpsEphemeris, DateLateInTheDayMovesToTheReceiversNextDay) {
  Ge g;
  g.tow = 2 * kDay + 23 * kHour;
  ConverterBench bench(LogOf({g}));
  TQZRFile& f = bench.file();
  AwaitFirstTime(f, false);
  AtTimeOfDay(f, 10 * 60000);  // 00:10
  ASSERT_EQ(bench.WalkAsSet(), Status::Ok);
  ASSERT_TRUE(f.Clock().datePending);
  EXPECT_EQ(f.Clock().pendingDay, kWeek1324Day + 3);
}

TEST(GpsEphemeris, ShortOrDamagedBodyIsNotUsed) {
  const Bytes full = GeMessage({});
  LogBuilder log;
  log.Add(qzrtest::Message("GE", Bytes(full.begin() + 5, full.end() - 2)));  // one byte short
  log.Add(qzrtest::BadChecksumMessage("GE", Bytes(full.begin() + 5, full.end() - 1)));
  Dated d(log);
  const auto walked = d.bench.WalkEach();
  ASSERT_EQ(walked.results.size(), 2u);
  EXPECT_EQ(walked.results[0], Status::Ok);
  EXPECT_TRUE(Contains(walked.texts[0], "Expected:123 arrived: 122")) << walked.texts[0];
  EXPECT_EQ(walked.results[1], Status::BadChecksum);
  EXPECT_TRUE(d.List(5).empty());
}

}  // namespace
}  // namespace qzr2rin
