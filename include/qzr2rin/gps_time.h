#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <type_traits>

#include "qzr2rin/export.h"

namespace qzr2rin {

// Whole seconds since 1980-01-06 00:00:00 (a Sunday), proleptic Gregorian
// calendar without leap seconds. 0 doubles as "unset": a rejected Set stores
// it, so callers test for 0. The last representable time is
// 2116-02-12 06:28:15.
class QZR2RIN_API TGPSTime {
 public:
  // Unscoped so that both TGPSTime::March and TGPSTime::TMonth::March read;
  // the unsigned base keeps any month number read from input a valid value.
  enum TMonth : unsigned {
    January = 1,
    February,
    March,
    April,
    May,
    June,
    July,
    August,
    September,
    October,
    November,
    December
  };
  enum TDayOfWeek : unsigned { Sunday = 0, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };

  static constexpr std::uint32_t kSecondsPerDay = 86400;

  constexpr TGPSTime() = default;
  constexpr explicit TGPSTime(std::uint32_t count) : seconds(count) {}
  // Start of a day of the year. For 1980, day 1 is 7 January (the first day
  // after the origin) and the year has 360 days; otherwise day 1 is 1 January.
  // Out of range, or past the last representable time: 0.
  TGPSTime(unsigned year, unsigned dayOfYear);

  // Any invalid field, a date before the origin (1980-01-06) or a time past
  // 2116-02-12 06:28:15 stores 0.
  void Set(unsigned year, TMonth month, unsigned day, unsigned hour, unsigned minute, unsigned second);

  // Calendar fields of seconds + 60 * offsetMinutes, wrapping at 32 bits.
  unsigned Year(int offsetMinutes = 0) const;
  TMonth Month(int offsetMinutes = 0) const;
  unsigned Day(int offsetMinutes = 0) const;
  TDayOfWeek DayOfWeek(int offsetMinutes = 0) const;
  void GetDate(unsigned& year, TMonth& month, unsigned& day, TDayOfWeek& dayOfWeek) const;

  // Days of the month, 25 for January 1980 (7 to 31 January); 0 for a month
  // outside 1..12.
  static std::uint8_t DaysInMonth(unsigned year, TMonth month);

  // Day 0 is 1980-01-06; the GPS week is GPSDay() / 7.
  constexpr unsigned GPSDay() const { return seconds / kSecondsPerDay; }
  constexpr unsigned GPSWeek() const { return GPSDay() / 7; }
  constexpr unsigned SecondOfDay() const { return seconds % kSecondsPerDay; }
  constexpr std::uint32_t Seconds() const { return seconds; }
  constexpr bool IsSet() const { return seconds != 0; }

  long double JulDay(int offsetSeconds = 0) const;

  // layout <= 1: time only; 2: date only; 3: date, a space, time; >= 4: date
  // and time run together. Pictures use the Windows date/time picture letters
  // (d dd ddd dddd M MM MMM MMMM y yy yyyy, h hh H HH m mm s ss t tt, quoted
  // literals); null means "yyyy-MM-dd" and "HH:mm:ss". offsetMinutes in
  // -720..720 shifts the time; 800 shows it in the local time zone; any other
  // value shifts nothing. An unset time gives "".
  std::string AsString(int layout = 3, int offsetMinutes = 0, const char* dateFormat = nullptr,
                       const char* timeFormat = nullptr) const;

  friend constexpr bool operator==(const TGPSTime&, const TGPSTime&) = default;
  friend constexpr auto operator<=>(const TGPSTime&, const TGPSTime&) = default;

  std::uint32_t seconds = 0;
};

// A time with milliseconds (0..999), as held in stored navigation records.
class QZR2RIN_API TGPSTimeMS : public TGPSTime {
 public:
  constexpr TGPSTimeMS() = default;
  constexpr TGPSTimeMS(std::uint32_t count, std::uint16_t ms) : TGPSTime(count), milliseconds(ms) {}

  long double JulDay(int offsetSeconds = 0) const;
  // As TGPSTime::AsString; the time of day is always "HH:MM:SS.sss" and
  // timeFormat is ignored.
  std::string AsString(int layout = 3, int offsetMinutes = 0, const char* dateFormat = nullptr,
                       const char* timeFormat = nullptr) const;

  friend constexpr bool operator==(const TGPSTimeMS&, const TGPSTimeMS&) = default;
  friend constexpr auto operator<=>(const TGPSTimeMS&, const TGPSTimeMS&) = default;

  std::uint16_t milliseconds = 0;
};

// A time with nanoseconds (0..999 999 999): epoch, event and window times.
class QZR2RIN_API TGPSTimeNS : public TGPSTime {
 public:
  constexpr TGPSTimeNS() = default;
  constexpr TGPSTimeNS(std::uint32_t count, std::uint32_t ns) : TGPSTime(count), nanoseconds(ns) {}

  long double JulDay(int offsetSeconds = 0) const;
  // As TGPSTime::AsString; the time of day is always "HH:MM:SS.sssssssss"
  // and timeFormat is ignored.
  std::string AsString(int layout = 3, int offsetMinutes = 0, const char* dateFormat = nullptr,
                       const char* timeFormat = nullptr) const;

  friend constexpr bool operator==(const TGPSTimeNS&, const TGPSTimeNS&) = default;
  friend constexpr auto operator<=>(const TGPSTimeNS&, const TGPSTimeNS&) = default;

  std::uint32_t nanoseconds = 0;
};

// The current UTC time in whole seconds; SOURCE_DATE_EPOCH, when set,
// replaces the clock. A clock before 1980-01-06 gives 0.
class QZR2RIN_API TCurrentTime : public TGPSTime {
 public:
  TCurrentTime();
};

static_assert(std::is_trivially_copyable_v<TGPSTime>);
static_assert(std::is_trivially_copyable_v<TGPSTimeMS>);
static_assert(std::is_trivially_copyable_v<TGPSTimeNS>);
static_assert(std::is_trivially_copyable_v<TCurrentTime>);

}  // namespace qzr2rin
