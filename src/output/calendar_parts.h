#pragma once

#include <cstdint>

#include "base/day_time.h"
#include "base/time_units.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// A GPS time split the way every header and record line shows it.
struct CalendarParts {
  int year = 0;  // four digits
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  double seconds = 0;  // with the nanoseconds as fraction
};

inline CalendarParts SplitTime(std::uint32_t seconds, std::uint32_t nanoseconds) {
  unsigned year = 0;
  TGPSTime::TMonth month = TGPSTime::January;
  unsigned day = 0;
  TGPSTime::TDayOfWeek dayOfWeek = TGPSTime::Sunday;
  TGPSTime(seconds).GetDate(year, month, day, dayOfWeek);
  const DayTime time = SplitSecondOfDay(seconds % kSecondsPerDay);
  CalendarParts parts;
  parts.year = static_cast<int>(year);
  parts.month = static_cast<int>(month);
  parts.day = static_cast<int>(day);
  parts.hour = static_cast<int>(time.hours);
  parts.minute = static_cast<int>(time.minutes);
  parts.seconds = static_cast<double>(time.seconds) + nanoseconds * kSecondsPerNs;
  return parts;
}

// The interval was measured between whole milliseconds, so each time drops
// its fraction of a millisecond before the two are compared.
inline std::int64_t WholeMsBetween(const TGPSTimeNS& from, const TGPSTimeNS& to) {
  return (static_cast<std::int64_t>(to.seconds) - from.seconds) * kMsPerSecond + to.nanoseconds / kNsPerMs -
         from.nanoseconds / kNsPerMs;
}

}  // namespace qzr2rin
