#include "qzr2rin/gps_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace qzr2rin {
namespace {

using M = TGPSTime::TMonth;
using W = TGPSTime::TDayOfWeek;

constexpr std::uint32_t kDay = 86400;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
    tzset();
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
    tzset();
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TGPSTime At(unsigned year, M month, unsigned day, unsigned hour = 0, unsigned minute = 0,
            unsigned second = 0) {
  TGPSTime t;
  t.Set(year, month, day, hour, minute, second);
  return t;
}

TEST(GpsTimeSet, CalendarDatesAndRejections) {
  struct Case {
    unsigned year;
    unsigned month;
    unsigned day, hour, minute, second;
    std::uint32_t seconds;
  };
  const Case kCases[] = {
      {1980, 1, 6, 0, 0, 0, 0},  // the origin reads back as unset
      {1980, 1, 6, 0, 0, 1, 1},
      {1980, 1, 7, 0, 0, 0, 86400},
      {1980, 1, 31, 0, 0, 0, 25 * kDay},
      {1980, 2, 1, 0, 0, 0, 26 * kDay},
      {1980, 12, 31, 23, 59, 59, 361 * kDay - 1},
      {1981, 1, 1, 0, 0, 0, 31190400},
      {2004, 2, 1, 0, 0, 0, 759628800},
      {2000, 2, 29, 0, 0, 0, 635817600},
      {2116, 2, 12, 6, 28, 15, 0xFFFFFFFFu},  // last representable second
      // Rejected: stored as 0.
      {2116, 2, 12, 6, 28, 16, 0},
      {2116, 2, 13, 0, 0, 0, 0},
      {2116, 12, 31, 23, 59, 59, 0},
      {2117, 1, 1, 0, 0, 0, 0},
      {1980, 1, 5, 23, 59, 59, 0},
      {1980, 1, 1, 0, 0, 0, 0},
      {1979, 12, 31, 0, 0, 0, 0},
      {2100, 2, 29, 0, 0, 0, 0},
      {2001, 2, 29, 0, 0, 0, 0},
      {2004, 4, 31, 0, 0, 0, 0},
      {2004, 0, 1, 0, 0, 0, 0},
      {2004, 13, 1, 0, 0, 0, 0},
      {2004, 0xFFFFFFFFu, 1, 0, 0, 0, 0},
      {2004, 1, 0, 0, 0, 0, 0},
      {2004, 1, 32, 0, 0, 0, 0},
      {2004, 1, 1, 24, 0, 0, 0},
      {2004, 1, 1, 0, 60, 0, 0},
      {2004, 1, 1, 0, 0, 60, 0},
      {0xFFFFFFFFu, 1, 1, 0, 0, 0, 0},
      {2004, 1, 0xFFFFFFFFu, 0, 0, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day) + " " +
                 std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" + std::to_string(c.second));
    TGPSTime t(123456u);  // a rejected Set must not leave the old value
    t.Set(c.year, static_cast<M>(c.month), c.day, c.hour, c.minute, c.second);
    EXPECT_EQ(t.seconds, c.seconds);
  }
}

TEST(GpsTimeSet, KnownDayNumberWeekAndWeekday) {
  const TGPSTime t = At(2004, TGPSTime::February, 1);
  EXPECT_EQ(t.GPSDay(), 8792u);
  EXPECT_EQ(t.GPSWeek(), 1256u);
  EXPECT_EQ(t.DayOfWeek(), TGPSTime::Sunday);
  const TGPSTime origin = At(1980, TGPSTime::January, 6);
  EXPECT_FALSE(origin.IsSet());
  EXPECT_EQ(origin.GPSDay(), 0u);
  EXPECT_EQ(origin.AsString(), "");
}

// Every day the count covers, against the standard library's civil calendar.
TEST(GpsTimeSet, EveryDayRoundTripsThroughTheCivilCalendar) {
  using namespace std::chrono;
  const sys_days origin = 1980y / January / 6;
  const sys_days last = 2116y / February / 12;
  unsigned previousYear = 0;
  unsigned dayOfYear = 0;
  for (sys_days d = origin; d <= last; d += days{1}) {
    const year_month_day ymd(d);
    const auto year = static_cast<unsigned>(static_cast<int>(ymd.year()));
    const auto month = static_cast<M>(static_cast<unsigned>(ymd.month()));
    const auto day = static_cast<unsigned>(ymd.day());
    const auto expected = static_cast<std::uint32_t>((d - origin).count()) * kDay;
    dayOfYear = year == previousYear ? dayOfYear + 1 : (year == 1980 ? 0 : 1);
    previousYear = year;

    // The count ends at 06:28:15 of its last day.
    const std::uint32_t lastSecond = d == last ? 6 * 3600 + 28 * 60 + 15 : kDay - 1;
    TGPSTime t = At(year, month, day, lastSecond / 3600, lastSecond % 3600 / 60, lastSecond % 60);
    ASSERT_EQ(t.seconds, expected + lastSecond) << year << "-" << month << "-" << day;
    t.Set(year, month, day, 0, 0, 0);
    ASSERT_EQ(t.seconds, expected) << year << "-" << month << "-" << day;

    for (const std::uint32_t s : {expected, expected + lastSecond}) {
      unsigned y = 0, dd = 0;
      M m = TGPSTime::January;
      W w = TGPSTime::Sunday;
      TGPSTime(s).GetDate(y, m, dd, w);
      ASSERT_EQ(y, year) << s;
      ASSERT_EQ(m, month) << s;
      ASSERT_EQ(dd, day) << s;
      ASSERT_EQ(static_cast<unsigned>(w), weekday(d).c_encoding()) << s;
    }
    if (dayOfYear > 0) {
      ASSERT_EQ(TGPSTime(year, dayOfYear).seconds, expected) << year << " day " << dayOfYear;
    }
  }
}

TEST(GpsTimeDayOfYear, StartOfDayAndRange) {
  struct Case {
    unsigned year, dayOfYear;
    std::uint32_t seconds;
  };
  const Case kCases[] = {
      {1980, 1, 86400},  // 7 January: the first day after the origin
      {1980, 25, 25 * kDay},
      {1980, 360, 360 * kDay},
      {1981, 1, 361 * kDay},
      {2000, 366, 630720000 + 365 * kDay},    // 2000-01-01 is 630720000
      {2116, 43, 0xFFFFFFFFu / kDay * kDay},  // 2116-02-12
      {1980, 0, 0},
      {1980, 361, 0},
      {2001, 366, 0},
      {2100, 366, 0},
      {1979, 1, 0},
      {2116, 44, 0},
      {2117, 1, 0},
      {2004, 0xFFFFFFFFu, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.year) + " day " + std::to_string(c.dayOfYear));
    EXPECT_EQ(TGPSTime(c.year, c.dayOfYear).seconds, c.seconds);
  }
}

TEST(GpsTimeDate, BreaksSecondsIntoDates) {
  struct Case {
    std::uint32_t seconds;
    unsigned year;
    M month;
    unsigned day;
    W dayOfWeek;
  };
  const Case kCases[] = {
      {0, 1980, TGPSTime::January, 6, TGPSTime::Sunday},
      {25 * kDay, 1980, TGPSTime::January, 31, TGPSTime::Thursday},
      {26 * kDay, 1980, TGPSTime::February, 1, TGPSTime::Friday},
      {360 * kDay, 1980, TGPSTime::December, 31, TGPSTime::Wednesday},
      {361 * kDay, 1981, TGPSTime::January, 1, TGPSTime::Thursday},
      {759628800, 2004, TGPSTime::February, 1, TGPSTime::Sunday},
      {0xFFFFFFFFu, 2116, TGPSTime::February, 12, TGPSTime::Wednesday},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.seconds);
    const TGPSTime t(c.seconds);
    unsigned year = 0, day = 0;
    M month = TGPSTime::December;
    W dayOfWeek = TGPSTime::Saturday;
    t.GetDate(year, month, day, dayOfWeek);
    EXPECT_EQ(year, c.year);
    EXPECT_EQ(month, c.month);
    EXPECT_EQ(day, c.day);
    EXPECT_EQ(dayOfWeek, c.dayOfWeek);
    EXPECT_EQ(t.Year(), c.year);
    EXPECT_EQ(t.Month(), c.month);
    EXPECT_EQ(t.Day(), c.day);
    EXPECT_EQ(t.DayOfWeek(), c.dayOfWeek);
  }
}

TEST(GpsTimeDate, OffsetMinutesShiftTheFieldsAndWrapAt32Bits) {
  struct Case {
    std::uint32_t seconds;
    int offsetMinutes;
    unsigned year;
    M month;
    unsigned day;
    W dayOfWeek;
  };
  const std::uint32_t newYearsEve = 361 * kDay - 3600;  // 1980-12-31 23:00
  const Case kCases[] = {
      {newYearsEve, 0, 1980, TGPSTime::December, 31, TGPSTime::Wednesday},
      {newYearsEve, 59, 1980, TGPSTime::December, 31, TGPSTime::Wednesday},
      {newYearsEve, 60, 1981, TGPSTime::January, 1, TGPSTime::Thursday},
      {361 * kDay, -1, 1980, TGPSTime::December, 31, TGPSTime::Wednesday},
      {0, -1, 2116, TGPSTime::February, 12, TGPSTime::Wednesday},  // wraps below the origin
      {0xFFFFFFFFu, 1, 1980, TGPSTime::January, 6, TGPSTime::Sunday},
      // 60 * INT_MIN is a multiple of 2^32: no shift, and no overflow.
      {759628800, INT_MIN, 2004, TGPSTime::February, 1, TGPSTime::Sunday},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.seconds) + " + " + std::to_string(c.offsetMinutes) + " min");
    const TGPSTime t(c.seconds);
    EXPECT_EQ(t.Year(c.offsetMinutes), c.year);
    EXPECT_EQ(t.Month(c.offsetMinutes), c.month);
    EXPECT_EQ(t.Day(c.offsetMinutes), c.day);
    EXPECT_EQ(t.DayOfWeek(c.offsetMinutes), c.dayOfWeek);
  }
  // Any offset is accepted without overflow.
  for (const int offset : {INT_MAX, INT_MIN + 1, -INT_MAX}) {
    SCOPED_TRACE(offset);
    const TGPSTime t(759628800);
    EXPECT_GE(t.Year(offset), 1980u);
    EXPECT_LE(t.Day(offset), 31u);
  }
}

TEST(GpsTimeDate, DaysInMonth) {
  struct Case {
    unsigned year;
    unsigned month;
    unsigned days;
  };
  const Case kCases[] = {
      {1980, 1, 25},  {1980, 2, 29}, {1980, 12, 31}, {1981, 1, 31},          {2000, 2, 29}, {2100, 2, 28},
      {2004, 2, 29},  {2001, 2, 28}, {2004, 4, 30},  {2004, 6, 30},          {2004, 9, 30}, {2004, 11, 30},
      {2004, 12, 31}, {2004, 0, 0},  {2004, 13, 0},  {2004, 0xFFFFFFFFu, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month));
    EXPECT_EQ(TGPSTime::DaysInMonth(c.year, static_cast<M>(c.month)), c.days);
  }
}

TEST(GpsTimeJulDay, JulianDayOfTheThreeClasses) {
  struct Case {
    const char* name;
    long double julDay;
    long double expected;
  };
  const Case kCases[] = {
      {"origin", TGPSTime(0).JulDay(), 2444244.5L},
      {"origin noon", TGPSTime(43200).JulDay(), 2444245.0L},
      {"offset before the origin", TGPSTime(0).JulDay(-43200), 2444244.0L},
      {"offset", TGPSTime(0).JulDay(86400), 2444245.5L},
      {"2004-02-01", At(2004, TGPSTime::February, 1).JulDay(), 2453036.5L},
      {"last second", TGPSTime(0xFFFFFFFFu).JulDay(1), 2444244.5L + 4294967296.0L / 86400.0L},
      {"milliseconds", TGPSTimeMS(43200, 500).JulDay(), 2444245.0L + 0.5L / 86400.0L},
      {"milliseconds with offset", TGPSTimeMS(0, 250).JulDay(-1), 2444244.5L - 0.75L / 86400.0L},
      {"nanoseconds", TGPSTimeNS(43200, 500000000).JulDay(), 2444245.0L + 0.5L / 86400.0L},
      {"nanoseconds with offset", TGPSTimeNS(0, 250000000).JulDay(2), 2444244.5L + 2.25L / 86400.0L},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(static_cast<double>(c.julDay - c.expected), 0.0, 1e-11);
  }
}

TEST(GpsTimeText, PicturesAndLayouts) {
  const TGPSTime afternoon = At(2004, TGPSTime::February, 1, 13, 5, 9);  // a Sunday
  const TGPSTime morning = At(2009, TGPSTime::July, 3, 0, 7, 8);         // a Friday
  struct Case {
    TGPSTime time;
    int layout;
    const char* date;
    const char* time_;
    const char* text;
  };
  const Case kCases[] = {
      {afternoon, 3, nullptr, nullptr, "2004-02-01 13:05:09"},
      {afternoon, 1, nullptr, nullptr, "13:05:09"},
      {afternoon, 0, nullptr, nullptr, "13:05:09"},
      {afternoon, -5, nullptr, nullptr, "13:05:09"},
      {afternoon, 2, nullptr, nullptr, "2004-02-01"},
      {afternoon, 4, nullptr, nullptr, "2004-02-0113:05:09"},
      {afternoon, 9, "yyyyMMdd", "HHmmss", "20040201130509"},
      {afternoon, 2, "d dd ddd dddd", nullptr, "1 01 Sun Sunday"},
      {afternoon, 2, "M MM MMM MMMM", nullptr, "2 02 Feb February"},
      {afternoon, 2, "y yy yyyy", nullptr, "4 04 2004"},
      {morning, 2, "dddd, MMMM d, yyyy", nullptr, "Friday, July 3, 2009"},
      {morning, 2, "y/yy", nullptr, "9/09"},
      {afternoon, 1, nullptr, "h hh H HH m mm s ss t tt", "1 01 13 13 5 05 9 09 P PM"},
      {morning, 1, nullptr, "h hh H HH m mm s ss t tt", "12 12 0 00 7 07 8 08 A AM"},
      {At(2009, TGPSTime::July, 3, 12, 0, 0), 1, nullptr, "h tt", "12 PM"},
      {At(2009, TGPSTime::July, 3, 11, 0, 0), 1, nullptr, "hh tt", "11 AM"},
      // Quoted text is literal, '' is one quote, other characters are copied.
      {afternoon, 2, "'day' d 'of' MMMM", nullptr, "day 1 of February"},
      {afternoon, 2, "'It''s' yyyy", nullptr, "It's 2004"},
      {afternoon, 2, "dd''MM", nullptr, "01'02"},
      {afternoon, 2, "yyyy 'open", nullptr, "2004 open"},
      {afternoon, 2, "d h:m [x]", nullptr, "1 h:m [x]"},
      {afternoon, 1, nullptr, "HH'h'mm d", "13h05 d"},
      {afternoon, 3, "", "", " "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.date ? c.date : "null") + " | " + (c.time_ ? c.time_ : "null"));
    EXPECT_EQ(c.time.AsString(c.layout, 0, c.date, c.time_), c.text);
  }
}

TEST(GpsTimeText, UnsetTimeIsEmptyText) {
  EXPECT_EQ(TGPSTime().AsString(3, 0, "yyyy", "HH"), "");
  EXPECT_EQ(TGPSTime().AsString(3, 800, nullptr, nullptr), "");
  EXPECT_EQ(TGPSTimeMS(0, 5).AsString(1, 0, nullptr, nullptr), "");
  EXPECT_EQ(TGPSTimeNS(0, 5).AsString(1, 0, nullptr, nullptr), "");
}

TEST(GpsTimeText, FractionalTimeOfDay) {
  struct Case {
    std::string text;
    const char* expected;
  };
  const Case kCases[] = {
      {TGPSTimeMS(1234, 5).AsString(1, 0, nullptr, nullptr), "00:20:34.005"},
      {TGPSTimeMS(1234, 999).AsString(1, 0, nullptr, "hh"), "00:20:34.999"},  // picture ignored
      {TGPSTimeMS(1234, 0).AsString(3, 0, "dd MMM", nullptr), "06 Jan 00:20:34.000"},
      {TGPSTimeMS(1234, 5).AsString(2, 0, nullptr, nullptr), "1980-01-06"},
      {TGPSTimeMS(1234, 5).AsString(1, 720, nullptr, nullptr), "12:20:34.005"},
      {TGPSTimeNS(1234, 5).AsString(1, 0, nullptr, nullptr), "00:20:34.000000005"},
      {TGPSTimeNS(1234, 999999999).AsString(1, 0, nullptr, "hh"), "00:20:34.999999999"},
      {TGPSTimeNS(361 * kDay - 1, 500000000).AsString(3, 0, nullptr, nullptr),
       "1980-12-31 23:59:59.500000000"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.text, c.expected);
  }
}

TEST(GpsTimeText, OffsetsWithinTwelveHoursShiftOthersDoNot) {
  const TGPSTime t = At(2004, TGPSTime::February, 1, 13, 5, 9);
  struct Case {
    int offsetMinutes;
    const char* text;
  };
  const Case kCases[] = {
      {0, "Sun 2004-02-01 13:05:09"},       {720, "Mon 2004-02-02 01:05:09"},
      {-720, "Sun 2004-02-01 01:05:09"},    {721, "Sun 2004-02-01 13:05:09"},
      {-721, "Sun 2004-02-01 13:05:09"},    {-60, "Sun 2004-02-01 12:05:09"},
      {INT_MIN, "Sun 2004-02-01 13:05:09"}, {799, "Sun 2004-02-01 13:05:09"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.offsetMinutes);
    EXPECT_EQ(t.AsString(3, c.offsetMinutes, "ddd yyyy-MM-dd", nullptr), c.text);
  }
}

TEST(GpsTimeText, Offset800ShowsLocalTime) {
  struct Case {
    const char* zone;
    std::uint32_t seconds;
    const char* text;
  };
  const Case kCases[] = {
      {"UTC0", 759628800 + 47109, "Sun 2004-02-01 13:05:09"},
      {"JST-9", 759628800 + 47109, "Sun 2004-02-01 22:05:09"},
      {"EST5", 759628800 + 47109, "Sun 2004-02-01 08:05:09"},
      // Local time may fall before the origin of the count.
      {"EST5", 1, "Sat 1980-01-05 19:00:01"},
      {"JST-9", 0xFFFFFFFFu, "Wed 2116-02-12 15:28:15"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.seconds));
    const ScopedEnv zone("TZ", c.zone);
    EXPECT_EQ(TGPSTime(c.seconds).AsString(3, 800, "ddd yyyy-MM-dd", nullptr), c.text);
  }
  const ScopedEnv zone("TZ", "JST-9");
  EXPECT_EQ(TGPSTimeMS(1234, 5).AsString(1, 800, nullptr, nullptr), "09:20:34.005");
  EXPECT_EQ(TGPSTimeNS(1234, 5).AsString(3, 800, nullptr, nullptr), "1980-01-06 09:20:34.000000005");
}

TEST(GpsTimeCurrent, ReadsTheFixedClock) {
  struct Case {
    const char* epoch;
    std::uint32_t seconds;
  };
  const Case kCases[] = {
      {"1075593600", 759628800},  // 2004-02-01
      {"315964801", 1},
      {"315964800", 0},  // the origin itself
      {"0", 0},          // before the origin
      {"4610932095", 0xFFFFFFFFu},
      {"4610932096", 0},  // past the last representable second
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.epoch);
    const ScopedEnv epoch("SOURCE_DATE_EPOCH", c.epoch);
    EXPECT_EQ(TCurrentTime().seconds, c.seconds);
  }
}

TEST(GpsTimeOrder, SecondsThenFraction) {
  EXPECT_LT(TGPSTimeNS(10, 5), TGPSTimeNS(10, 6));
  EXPECT_LT(TGPSTimeNS(9, 999999999), TGPSTimeNS(10, 0));
  EXPECT_EQ(TGPSTimeMS(10, 5), TGPSTimeMS(10, 5));
  EXPECT_NE(TGPSTimeMS(10, 5), TGPSTimeMS(10, 6));
  EXPECT_LT(TGPSTime(1), TGPSTime(2));
}

}  // namespace
}  // namespace qzr2rin
