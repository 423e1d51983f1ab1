#pragma once

#include <cstdint>
#include <string>

// The system clock, local time and the temporary directory. Nothing outside
// this folder calls the C library's time or environment functions.
namespace qzr2rin::platform {

struct CalendarTime {
  int year = 0;   // four digits
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};

// Seconds since 1970-01-01 UTC. When SOURCE_DATE_EPOCH holds a valid number
// it replaces the clock, so that runs can be reproduced byte for byte.
std::int64_t NowUnixSeconds();

// True when SOURCE_DATE_EPOCH replaces the clock.
bool ClockIsFixed();

// Empty, or the line (with its end) that refuses a SOURCE_DATE_EPOCH whose
// time the two-digit years of a RINEX header cannot show: before 1980 or
// after 2079, in UTC. A value that is no plain number is not refused; it
// leaves the clock alone.
std::string FixedClockProblem();

// Calendar form of a Unix time, in UTC or in the local time zone.
bool ToUtc(std::int64_t unixSeconds, CalendarTime& out);
bool ToLocal(std::int64_t unixSeconds, CalendarTime& out);

// The current time as the user's wall clock shows it: local time, or UTC
// when the clock is fixed by SOURCE_DATE_EPOCH.
CalendarTime WallClockNow();

// $TMPDIR, or /tmp when it is unset or empty; always ends in "/".
std::string TemporaryDirectory();

}  // namespace qzr2rin::platform
