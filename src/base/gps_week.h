#pragma once

#include <cstdint>

#include "base/time_units.h"

namespace qzr2rin {

// Broadcast GPS weeks are 10-bit counts: they repeat every 1024 weeks.
inline constexpr std::int64_t kWeekRollover = 1024;
inline constexpr std::int64_t kHalfRollover = kWeekRollover / 2;
inline constexpr std::int64_t kHalfWeekSeconds = kSecondsPerWeek / 2;

// Week fields the receiver fills with the broadcast count or with the full
// week: [GE], [WE] and [IO] weeks and the UTC reference weeks. A count below
// 512 has rolled over once (weeks 1024..1535, 1999 to 2009); anything else is
// taken as the full week. A week taken from a full time passes unchanged.
constexpr std::int64_t WidenReceiverWeek(std::int64_t week) {
  return week < kHalfRollover ? week + kWeekRollover : week;
}

// Whole GPS seconds of a time of week in a week. 64-bit: a week past 2116
// leaves the 32-bit range of a GPS time, which each caller treats its own way.
constexpr std::int64_t GpsWeekSeconds(std::int64_t week, std::int64_t secondOfWeek) {
  return week * kSecondsPerWeek + secondOfWeek;
}

// The week of a reference epoch ([rE], [rM], scale 0): without a known date
// widened as above; once a date is known, a widened week more than half a
// cycle from it would date the data years off, so the week of the same count
// nearest to that date is meant. `knownDay` 0: no date yet.
unsigned ResolveReferenceWeek(unsigned value, std::uint32_t knownDay);

// A reference time of week (an ephemeris clock time) given without its week
// lies within half a week of the time of week it came with: `week` is the
// latter's, `secondsAfterReference` their difference.
constexpr std::int64_t WeekOfNearbyReference(std::int64_t week, std::int64_t secondsAfterReference) {
  if (secondsAfterReference > kHalfWeekSeconds) return week + 1;
  if (secondsAfterReference < -kHalfWeekSeconds) return week - 1;
  return week;
}

// The 10-bit week count of a GPS time, as the UTC parameters count weeks.
constexpr std::int64_t BroadcastWeekOf(std::uint32_t seconds) {
  return seconds / kSecondsPerWeek % kWeekRollover;
}

// The week of a leap second (WN_LSF): the broadcast gives its low 8 bits, a
// receiver may give 10 bits or the full week. A count is the week of that
// count nearest to `fullWeek` (the UTC reference week, widened).
constexpr std::int64_t WidenLeapSecondWeek(std::int64_t week, std::int64_t fullWeek) {
  constexpr std::int64_t kEightBitWeeks = 256;
  std::int64_t cycle = 0;
  if (week < kEightBitWeeks) {
    cycle = kEightBitWeeks;
  } else if (week < kWeekRollover) {
    cycle = kWeekRollover;
  } else {
    return week;
  }
  std::int64_t widened = fullWeek - (fullWeek % cycle) + week;
  if (widened - fullWeek > cycle / 2) widened -= cycle;
  if (fullWeek - widened > cycle / 2) widened += cycle;
  return widened;
}

// Weeks from `b` to `a` where either may be a 10-bit count: the difference
// modulo 1024, brought into -512..512.
constexpr std::int64_t WeeksApart(std::int64_t a, std::int64_t b) {
  std::int64_t d = (a - b) % kWeekRollover;
  if (d > kHalfRollover) d -= kWeekRollover;
  if (d < -kHalfRollover) d += kWeekRollover;
  return d;
}

}  // namespace qzr2rin
