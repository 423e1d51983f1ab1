#pragma once

#include <concepts>
#include <cstdint>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// GPS time has no leap seconds: every day is 86 400 s long. Unsigned, as the
// times they divide; signed arithmetic converts them explicitly.
inline constexpr std::uint32_t kSecondsPerMinute = 60;
inline constexpr std::uint32_t kMinutesPerHour = 60;
inline constexpr std::uint32_t kHoursPerDay = 24;
inline constexpr std::uint32_t kDaysPerWeek = 7;
inline constexpr std::uint32_t kSecondsPerHour = kMinutesPerHour * kSecondsPerMinute;
inline constexpr std::uint32_t kSecondsPerDay = TGPSTime::kSecondsPerDay;
static_assert(kSecondsPerDay == kHoursPerDay * kSecondsPerHour);
inline constexpr std::uint32_t kSecondsPerWeek = kDaysPerWeek * kSecondsPerDay;
inline constexpr std::uint32_t kMsPerSecond = 1000;
inline constexpr std::uint32_t kMsPerMinute = kSecondsPerMinute * kMsPerSecond;
inline constexpr std::uint32_t kMsPerHour = kSecondsPerHour * kMsPerSecond;
inline constexpr std::uint32_t kMsPerDay = kSecondsPerDay * kMsPerSecond;
inline constexpr std::uint32_t kHundredthsPerSecond = 100;
inline constexpr std::uint32_t kNsPerMs = 1'000'000;
inline constexpr std::uint32_t kNsPerSecond = 1'000'000'000;
// Multipliers, not divisors: a product with them rounds as the stored files
// were written.
inline constexpr double kSecondsPerMs = 1.0 / kMsPerSecond;
inline constexpr double kSecondsPerNs = 1.0 / kNsPerSecond;

// The proleptic Gregorian calendar of the time classes.
inline constexpr unsigned kMonthsPerYear = 12;
inline constexpr unsigned kDaysPerYear = 365;
inline constexpr unsigned kDaysPerLeapYear = kDaysPerYear + 1;
inline constexpr unsigned kLongestMonthDays = 31;
inline constexpr unsigned kLeapFebruaryDays = 29;
inline constexpr unsigned kYearsPerCentury = 100;
inline constexpr unsigned kYearsPerLeapCycle = 4;
inline constexpr unsigned kYearsPerGregorianCycle = 400;

constexpr bool IsLeapYear(unsigned year) {
  return (year % kYearsPerLeapCycle == 0 && year % kYearsPerCentury != 0) ||
         year % kYearsPerGregorianCycle == 0;
}

// The year as two-digit fields show it.
template <std::integral Year>
constexpr Year TwoDigitYear(Year year) {
  return year % static_cast<Year>(kYearsPerCentury);
}

// Day 0 of the GPS count is 6 January 1980; days 1..5 of that January do
// not exist.
inline constexpr unsigned kGpsOriginYear = 1980;
inline constexpr unsigned kGpsOriginDayOfJanuary = 6;

}  // namespace qzr2rin
