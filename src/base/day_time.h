#pragma once

#include <cstdint>

#include "base/time_units.h"

namespace qzr2rin {

// A time of day in its printed parts. Hours are not wrapped: a time the
// receiver gave past the end of its day shows as 24 hours or more, which is
// what the dump must show to explain why it was refused.
struct DayTime {
  std::uint32_t hours = 0;
  std::uint32_t minutes = 0;
  std::uint32_t seconds = 0;
  std::uint32_t milliseconds = 0;
};

constexpr DayTime SplitMsOfDay(std::uint32_t ms) {
  return {ms / kMsPerHour, ms % kMsPerHour / kMsPerMinute, ms % kMsPerMinute / kMsPerSecond,
          ms % kMsPerSecond};
}

constexpr DayTime SplitSecondOfDay(std::uint32_t seconds) {
  return {seconds / kSecondsPerHour, seconds % kSecondsPerHour / kSecondsPerMinute,
          seconds % kSecondsPerMinute, 0};
}

}  // namespace qzr2rin
