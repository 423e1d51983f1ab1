// Receiver time, date and reference epoch messages, driven through the real
// scanner and dispatch table.

#include "decoders/receiver_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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
using qzrtest::InFirstRun;
using qzrtest::ListSatellites;
using qzrtest::LogBuilder;
using qzrtest::WithEpochExtras;
using qzrtest::WithPendingDate;

std::uint32_t Day(unsigned year, unsigned month, unsigned day) {
  TGPSTime t;
  t.Set(year, static_cast<TGPSTime::TMonth>(month), day, 0, 0, 0);
  return t.GPSDay();
}

Bytes Time(std::uint32_t ms) { return qzrtest::Message("~~", BodyBuilder().U32(ms)); }

BodyBuilder DateFields(unsigned year, unsigned month, unsigned day, std::uint8_t base = 0) {
  return BodyBuilder()
      .U16(static_cast<std::uint16_t>(year))
      .U8(static_cast<std::uint8_t>(month))
      .U8(static_cast<std::uint8_t>(day))
      .U8(base);
}

Bytes Date(unsigned year, unsigned month, unsigned day, std::uint8_t base = 0) {
  return qzrtest::Message("RD", DateFields(year, month, day, base));
}

std::uint16_t Packed(unsigned value, unsigned scale, unsigned leap = 0) {
  return static_cast<std::uint16_t>(value | leap << 11 | scale << 13);
}

Bytes ReferenceEpoch(std::uint16_t packed, std::uint32_t referenceMs, std::uint16_t sample = 0) {
  return qzrtest::CrcMessage("rE", BodyBuilder().U16(sample).U16(packed).U32(referenceMs));
}

Status WalkAsSet(ConverterBench& bench) { return bench.WalkAsSet(); }

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ReceiverTime, BackwardStepIsMidnightOnlyWithinTwoHours) {
  struct Case {
    const char* name;
    std::uint32_t previous;
    std::uint32_t next;
    std::uint32_t dayAdvance;
    bool lost;
    std::uint32_t storedMs;
  };
  const Case kCases[] = {
      {"midnight", 86'399'000, 1'000, 1, false, 1'000},
      {"clock stepped back", 50'000'000, 40'000'000, 0, true, 50'000'000},
      {"smallest midnight step 79 200 001", 86'399'999, 7'199'998, 1, false, 7'199'998},
      {"step 79 200 000 is too short", 86'399'999, 7'199'999, 0, true, 86'399'999},
      {"same time", 1'000, 1'000, 0, false, 1'000},
      {"forward", 1'000, 2'000, 0, false, 2'000},
  };
  const std::uint32_t today = Day(2004, 3, 5);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(Time(c.previous)).Add(Time(c.next));
    ConverterBench bench(log);
    AtDate(bench.file(), today);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(bench.file().Clock().epochDay, today + c.dayAdvance);
    EXPECT_EQ(bench.file().Clock().epochMsOfDay, c.storedMs);
    EXPECT_EQ(bench.file().Scanner().timeLost, c.lost);
    EXPECT_EQ(Contains(bench.DumpBody(), "Bad Receiver Time: < preceding \n"), c.lost) << bench.DumpBody();
  }
}

TEST(ReceiverTime, DumpShowsTheTimeOfDay) {
  LogBuilder log;
  log.Add(Time(3'723'004));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.DumpBody(), "\n~~ len=5 0X0(0X9)\nTime (ms) = 3723004 = 1h2m3.4s\n");
}

TEST(ReceiverTime, DateMessageBreaksContinuity) {
  // After an [RD] the date is the receiver's own: a backward time is neither
  // a midnight nor a bad time.
  LogBuilder log;
  log.Add(Time(50'000'000)).Add(Date(2004, 3, 5)).Add(Time(40'000'000));
  ConverterBench bench(log);
  ListSatellites(bench.file(), 1);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.file().Clock().epochDay, Day(2004, 3, 5));
  EXPECT_EQ(bench.file().Clock().epochMsOfDay, 40'000'000u);
  EXPECT_FALSE(bench.file().Scanner().timeLost);
  EXPECT_TRUE(bench.file().Clock().timeContinuity);
}

TEST(ReceiverTime, FirstTimeAfterIdentificationIsNotTested) {
  LogBuilder log;
  log.Add(Time(40'000'000)).Add(Time(30'000'000));
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  AtDate(f, Day(2004, 3, 5));
  AtTimeOfDay(f, 50'000'000);
  AwaitFirstTime(f, true);
  EXPECT_EQ(WalkAsSet(bench), Status::Ok);
  // The first time is taken as it is; the second is tested against it.
  EXPECT_FALSE(f.Clock().firstTimeAfterId);
  EXPECT_EQ(f.Clock().epochDay, Day(2004, 3, 5));
  EXPECT_EQ(f.Clock().epochMsOfDay, 40'000'000u);
  EXPECT_TRUE(f.Scanner().timeLost);
}

TEST(ReceiverTime, MidnightBeforeAnyDateLeavesDateUnknown) {
  LogBuilder log;
  log.Add(Time(86'399'000)).Add(Time(1'000));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.file().Clock().epochDay, 0u);
  EXPECT_EQ(bench.file().Clock().epochMsOfDay, 1'000u);
}

TEST(ReceiverTime, TimePastTheEndOfTheDayIsRefused) {
  LogBuilder log;
  log.Add(Time(1'000)).Add(Time(86'400'000)).Add(Time(2'000));
  ConverterBench bench(log);
  AtDate(bench.file(), Day(2004, 3, 5));
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(Contains(bench.DumpBody(), "Bad Receiver Time: > 23h59m59.999s \n")) << bench.DumpBody();
  // The good time after it is an ordinary step from the last good one.
  EXPECT_EQ(bench.file().Clock().epochDay, Day(2004, 3, 5));
  EXPECT_EQ(bench.file().Clock().epochMsOfDay, 2'000u);
  EXPECT_FALSE(bench.file().Scanner().timeLost);
}

TEST(ReceiverTime, ClosesTheEpochEvenWhenItsChecksumFails) {
  LogBuilder log;
  log.Add(qzrtest::BadChecksumMessage("~~", BodyBuilder().U32(5'000).bytes()));
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  AtTimeOfDay(f, 1'000);
  WithEpochExtras(f, {.extrasFlags = kExtrasClockOffset});
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, 0);
  EXPECT_EQ(f.Clock().epochMsOfDay, 1'000u);
  EXPECT_TRUE(f.Scanner().timeLost);
  EXPECT_TRUE(Contains(bench.DumpBody(), "Time (ms) = 5000 = 0h0m5.0s\nBad Checksum\n")) << bench.DumpBody();
}

TEST(ReceiverTime, FirstRunOnlySetsTheTime) {
  LogBuilder log;
  log.Add(Time(5'000));
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  InFirstRun(f, true);
  WithEpochExtras(f, {.extrasFlags = kExtrasClockOffset});
  EXPECT_EQ(WalkAsSet(bench), Status::Ok);
  EXPECT_EQ(f.Clock().epochMsOfDay, 5'000u);
  EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, kExtrasClockOffset);  // no epoch closed
  EXPECT_TRUE(f.Scanner().timeLost);                                    // trusted only in the second run
  EXPECT_FALSE(Contains(bench.DumpBody(), "Time (ms)")) << bench.DumpBody();
}

TEST(ReceiverDate, LaterOrEqualDateIsTakenEarlierOneStops) {
  struct Case {
    const char* name;
    unsigned year, month, day;
    Status status;
    std::uint32_t epochDay;
    const char* detail;
  };
  const Case kCases[] = {
      {"equal", 2004, 3, 5, Status::Ok, Day(2004, 3, 5), ""},
      {"later", 2004, 3, 6, Status::Ok, Day(2004, 3, 6), ""},
      {"one day earlier", 2004, 3, 4, Status::DateOutOfOrder, Day(2004, 3, 5),
       "Year =2004 Month=3 Day = 4\nPreceding  Date 2004 Month=3 Day = 5\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(Date(c.year, c.month, c.day, 2));
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    AtDate(f, Day(2004, 3, 5));
    ListSatellites(f, 1);
    EXPECT_EQ(bench.Walk(), c.status);
    EXPECT_EQ(f.Clock().epochDay, c.epochDay);
    EXPECT_EQ(f.ErrorDetail(), c.detail);
    EXPECT_EQ(f.Clock().timeContinuity, c.status != Status::Ok);
    EXPECT_TRUE(Contains(bench.DumpBody(), "Year=" + std::to_string(c.year) +
                                               " Month=" + std::to_string(c.month) +
                                               " Day=" + std::to_string(c.day) + " Base time=2\n"))
        << bench.DumpBody();
  }
}

TEST(ReceiverDate, DateWithoutSatellitesIsHeld) {
  LogBuilder log;
  log.Add(Date(2004, 3, 5));
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(f.Clock().datePending);
  EXPECT_EQ(f.Clock().pendingDay, Day(2004, 3, 5));
  EXPECT_EQ(f.Clock().epochDay, 0u);
  EXPECT_TRUE(f.Clock().timeContinuity);
  EXPECT_TRUE(Contains(bench.DumpBody(), "Base time=0\n No satellites, skipping\n")) << bench.DumpBody();
}

TEST(ReceiverDate, ImpossibleDateIsIgnored) {
  struct Case {
    unsigned year, month, day;
  };
  // The last four pass the field limits but name no date; taken as day 0
  // they would run backwards.
  const Case kCases[] = {{65535, 1, 1}, {2004, 13, 1}, {2004, 1, 32}, {2004, 0, 1},
                         {2004, 1, 0},  {2003, 2, 29}, {1979, 12, 31}};
  for (const Case& c : kCases) {
    const std::string fields =
        std::to_string(c.year) + " " + std::to_string(c.month) + " " + std::to_string(c.day);
    SCOPED_TRACE(fields);
    LogBuilder log;
    log.Add(Date(c.year, c.month, c.day));
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    AtDate(f, Day(2004, 3, 5));
    ListSatellites(f, 1);
    WithPendingDate(f, 0);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(f.Clock().epochDay, Day(2004, 3, 5));
    EXPECT_FALSE(f.Clock().datePending);
    EXPECT_TRUE(f.Clock().timeContinuity);
    EXPECT_TRUE(Contains(bench.DumpBody(), " Error  in RD: " + fields + "\n")) << bench.DumpBody();
  }
}

TEST(DerivedDate, TakenWithoutChecksumAndKeepsContinuity) {
  LogBuilder log;
  log.LineBreak();
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  ListSatellites(f, 1);
  const Bytes record = DateFields(2004, 3, 5).U8(0xEE).bytes();  // the last byte is no checksum
  EXPECT_EQ(OnDerivedDate(f, record), Status::Ok);
  EXPECT_EQ(f.Clock().epochDay, Day(2004, 3, 5));
  EXPECT_TRUE(f.Clock().timeContinuity);
  EXPECT_EQ(bench.DumpBody(), "Year=2004 Month=3 Day=5 Base time=0\nRD generated by GE\n");

  const Bytes shortRecord = DateFields(2004, 3, 9).bytes();
  EXPECT_EQ(OnDerivedDate(f, shortRecord), Status::Ok);
  EXPECT_EQ(f.Clock().epochDay, Day(2004, 3, 5));
  EXPECT_TRUE(Contains(bench.DumpBody(), "    Error Len! Expected:6 arrived: 5\n")) << bench.DumpBody();
}

TEST(ReferenceEpoch, WeekAndFourYearCycleScales) {
  struct Case {
    const char* name;
    std::uint32_t today;
    std::uint16_t packed;
    std::uint32_t referenceMs;
    std::uint32_t day;  // 0: ignored
    std::uint32_t ms;
  };
  const std::uint32_t mid2004 = Day(2004, 6, 1);
  const Case kCases[] = {
      {"week 100 has rolled over", 0, Packed(100, 0), 2 * 86'400'000 + 3'723'004, 1124 * 7 + 2, 3'723'004},
      {"week 600 stays", 0, Packed(600, 0), 0, 600 * 7, 0},
      {"2004, day 400: cycle of 2000", mid2004, Packed(400, 1), 5'000, Day(2000, 1, 1) + 399, 5'000},
      {"2005, day 10: cycle of 2008", Day(2005, 6, 1), Packed(10, 1), 0, Day(2008, 1, 10), 0},
      {"end of the leap year stays in its cycle", Day(2004, 12, 30), Packed(366, 1), 0, Day(2004, 12, 31), 0},
      {"new cycle seen at the end of the old", Day(2007, 12, 31), Packed(1, 1), 0, Day(2008, 1, 1), 0},
      {"end of the old cycle seen in the new", Day(2008, 1, 1), Packed(1461, 1), 0, Day(2007, 12, 31), 0},
      {"no date for a cycle day", 0, Packed(10, 1), 0, 0, 0},
      {"cycle day 0", mid2004, Packed(0, 1), 0, 0, 0},
      {"cycle day past the cycle", mid2004, Packed(1462, 1), 0, 0, 0},
      {"cycle day with time past the day", mid2004, Packed(10, 1), 86'400'000, 0, 0},
      {"unknown scale", mid2004, Packed(10, 2), 0, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(ReferenceEpoch(c.packed, c.referenceMs));
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    AtDate(f, c.today);
    AtTimeOfDay(f, 7);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    const bool ignored = c.day == 0;
    EXPECT_EQ(f.Clock().epochDay, ignored ? c.today : c.day);
    EXPECT_EQ(f.Clock().epochMsOfDay, ignored ? 7u : c.ms);
    EXPECT_EQ(Contains(bench.DumpBody(), " Ignore rE \n"), ignored) << bench.DumpBody();
  }
}

TEST(ReferenceEpoch, DumpShowsFieldsAndNewTime) {
  LogBuilder log;
  log.Add(ReferenceEpoch(Packed(100, 0, 2), 2 * 86'400'000 + 3'723'004, 7));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.DumpBody(),
            "\nrE len=10 0X0(0Xe)\n"
            "  Sample = 7 Scale ID = 0 LeapSecSt = 2 Week/Day = 100 Reftime = 176523004\n"
            "  ( Year=2001 Month=7 Day=24 1h2m3.4s )\n");
}

TEST(ReferenceEpoch, CycleDayWithoutDateIsSkipped) {
  LogBuilder log;
  log.Add(ReferenceEpoch(Packed(10, 1), 0));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(Contains(bench.DumpBody(), "No date. Skipping.\n Ignore rE \n")) << bench.DumpBody();
}

TEST(ReferenceEpoch, BadCrcIgnoresTheMessageAndResynchronises) {
  // A larger length digit makes the body swallow the time messages after it.
  const qzrtest::ByteDamage kCases[] = {{"body", 7, 0}, {"length", 2, '1'}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bytes damaged = qzrtest::Damaged(ReferenceEpoch(Packed(100, 0), 0), c);
    LogBuilder log;
    // The search that finds the next message wants one after it.
    log.Add(damaged).Add(Time(5'000)).Add(Time(6'000)).LineBreak();
    for (int k = 0; k < 300; ++k) log.LineBreak();
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    const auto walked = bench.WalkEach();
    ASSERT_FALSE(walked.results.empty());
    EXPECT_EQ(walked.results.front(), Status::BadChecksum);
    EXPECT_TRUE(Contains(walked.texts.front(), "Bad Checksum\n")) << walked.texts.front();
    EXPECT_EQ(f.Clock().epochDay, 0u);
    EXPECT_EQ(f.Clock().epochMsOfDay, 6'000u);
  }
}

TEST(ReceiverTimeMessages, ShortBodiesAreIgnored) {
  struct Case {
    const char* name;
    Bytes message;
    const char* dump;
  };
  const Case kCases[] = {
      {"[~~] of 3 bytes", qzrtest::Message("~~", BodyBuilder().U16(1)),
       "    Error Len! Expected:5 arrived: 3\n"},
      {"empty [~~]", qzrtest::RawMessage("~~", "000", {}), "    Error Len! Expected:5 arrived: 0\n"},
      {"[RD] of 4 bytes", qzrtest::Message("RD", BodyBuilder().U16(2004).U8(3)),
       "    Error Len! Expected:6 arrived: 4\n"},
      {"empty [RD] is no derived date", qzrtest::RawMessage("RD", "000", {}),
       "    Error Len! Expected:6 arrived: 0\n"},
      {"[rE] of 9 bytes", qzrtest::CrcMessage("rE", BodyBuilder().U16(0).U16(Packed(100, 0)).U16(0).U8(0)),
       "    Error Len! Expected:10 arrived: 9\n"},
      {"[rE] of 1 byte", qzrtest::RawMessage("rE", "001", {0}), "    Error Len! Expected:10 arrived: 1\n"},
      {"damaged [~~] of 3 bytes", qzrtest::BadChecksumMessage("~~", {1, 0}), "Bad Checksum\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(c.message).LineBreak();  // an empty body is taken only with a byte after it
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    WithEpochExtras(f, {.extrasFlags = kExtrasClockOffset});
    AtTimeOfDay(f, 7);
    ListSatellites(f, 1);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(f.Clock().epochDay, 0u);
    EXPECT_EQ(f.Clock().epochMsOfDay, 7u);
    EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, kExtrasClockOffset);  // no epoch closed
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump)) << bench.DumpBody();
  }
}

struct WindowCase {
  const char* name;
  const char* start;   // null: not given
  const char* finish;  // null: not given
  std::uint32_t firstDay;
  TGPSTimeNS windowStart;
  TGPSTimeNS windowFinish;
};

TGPSTimeNS At(std::uint32_t day, std::uint32_t seconds, std::uint32_t ms = 0) {
  return TGPSTimeNS(day * 86400 + seconds, ms * 1'000'000);
}

TEST(ApplyFirstDate, CompletesTheWindowAgainstTheFirstDate) {
  const TGPSTimeNS open;
  const WindowCase kCases[] = {
      {"15 seen on the 20th: next month", "15", nullptr, Day(2004, 3, 20), At(Day(2004, 4, 15), 0),
       At(Day(2004, 4, 15), 86399, 999)},
      {"15 seen on the 10th: this month", "15", nullptr, Day(2004, 3, 10), At(Day(2004, 3, 15), 0),
       At(Day(2004, 3, 15), 86399, 999)},
      {"15 seen on the 15th: today", "15", nullptr, Day(2004, 3, 15), At(Day(2004, 3, 15), 0),
       At(Day(2004, 3, 15), 86399, 999)},
      {"December rolls to January", "1512", nullptr, Day(2004, 12, 20), At(Day(2005, 1, 15), 12 * 3600),
       At(Day(2005, 1, 15), 12 * 3600 + 3599, 999)},
      {"month given in the d form", "1502d0130", nullptr, Day(2004, 3, 20), At(Day(2004, 2, 15), 5400), open},
      {"month and year given", "150203d", nullptr, Day(2004, 3, 20), At(Day(2003, 2, 15), 0), open},
      {"finish alone", nullptr, "1606", Day(2004, 3, 10), open, At(Day(2004, 3, 16), 6 * 3600, 999)},
  };
  for (const WindowCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ConversionOptions options;
    options.startGiven = c.start != nullptr;
    options.startText = c.start != nullptr ? c.start : "";
    options.finishGiven = c.finish != nullptr;
    options.finishText = c.finish != nullptr ? c.finish : "";
    LogBuilder log;
    log.LineBreak();
    ConverterBench bench(log, options);
    TQZRFile& f = bench.file();
    ASSERT_EQ(f.Outcome(), Status::Ok);
    ASSERT_TRUE(f.Window().windowPending);
    EXPECT_EQ(ApplyFirstDate(f.Clock(), f.Window(), f.ErrorDetail(), c.firstDay), Status::Ok);
    EXPECT_FALSE(f.Window().windowPending);
    EXPECT_EQ(f.Clock().epochDay, c.firstDay);
    EXPECT_EQ(f.Window().windowStart, c.windowStart);
    EXPECT_EQ(f.Window().windowFinish, c.windowFinish);
  }
}

TEST(ApplyFirstDate, DayMissingFromItsMonthStopsTheConversion) {
  // Placed on day 0 the window would start and end in January 1980.
  ConversionOptions options;
  options.startGiven = true;
  options.startText = "31";
  LogBuilder log;
  log.Add(Date(2004, 9, 30));
  ConverterBench bench(log, options);
  TQZRFile& f = bench.file();
  ListSatellites(f, 1);
  EXPECT_EQ(bench.Walk(), Status::BadTimeTag);
  EXPECT_EQ(f.Clock().epochDay, Day(2004, 9, 30));
  EXPECT_EQ(f.ErrorDetail(),
            "Start time: there is no day 31 in month 9 of 2004\n"
            "Finish time: there is no day 31 in month 9 of 2004\n");
}

TEST(ApplyFirstDate, WindowIsCompletedOnlyOnce) {
  ConversionOptions options;
  options.startGiven = true;
  options.startText = "15";
  LogBuilder log;
  log.Add(Date(2004, 3, 10)).Add(Date(2004, 3, 20));
  ConverterBench bench(log, options);
  TQZRFile& f = bench.file();
  ListSatellites(f, 1);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(f.Clock().epochDay, Day(2004, 3, 20));
  EXPECT_EQ(f.Window().windowStart, At(Day(2004, 3, 15), 0));
}

TEST(ApplyFirstDate, ReferenceEpochCompletesTheWindow) {
  ConversionOptions options;
  options.startGiven = true;
  options.startText = "25";
  LogBuilder log;
  log.Add(ReferenceEpoch(Packed(100, 0), 2 * 86'400'000));  // 2001-07-24
  ConverterBench bench(log, options);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.file().Window().windowStart, At(Day(2001, 7, 25), 0));
}

TEST(ResolveDayOfMonth, EarlierDayMeansNextMonth) {
  struct Case {
    unsigned dayOfMonth, year, month, today;
    std::uint32_t day;
  };
  const Case kCases[] = {
      {15, 2004, 3, 20, Day(2004, 4, 15)},
      {15, 2004, 3, 15, Day(2004, 3, 15)},
      {14, 2004, 12, 15, Day(2005, 1, 14)},
      {29, 2004, 1, 30, Day(2004, 2, 29)},
      {29, 2003, 1, 30, 0},
      {31, 2004, 4, 10, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::to_string(c.dayOfMonth) + " on " + std::to_string(c.today) + "." +
                 std::to_string(c.month));
    EXPECT_EQ(ResolveDayOfMonth(c.dayOfMonth, c.year, c.month, c.today), c.day);
  }
}

}  // namespace
}  // namespace qzr2rin
