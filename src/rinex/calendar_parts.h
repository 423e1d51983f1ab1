#pragma once

#include <cstdint>

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
  CalendarParts parts;
  parts.year = static_cast<int>(year);
  parts.month = static_cast<int>(month);
  parts.day = static_cast<int>(day);
  parts.hour = static_cast<int>(seconds % TGPSTime::kSecondsPerDay / 3600);
  parts.minute = static_cast<int>(seconds % 3600 / 60);
  parts.seconds = static_cast<double>(seconds % 60) + nanoseconds * 1e-9;
  return parts;
}

}  // namespace qzr2rin
