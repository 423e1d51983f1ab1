#include "base/day_time.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qzr2rin {
namespace {

struct Case {
  const char* what;
  std::uint32_t value;
  std::uint32_t hours, minutes, seconds, milliseconds;
};

void ExpectParts(const DayTime& t, const Case& c) {
  EXPECT_EQ(t.hours, c.hours);
  EXPECT_EQ(t.minutes, c.minutes);
  EXPECT_EQ(t.seconds, c.seconds);
  EXPECT_EQ(t.milliseconds, c.milliseconds);
}

TEST(DayTime, MillisecondsOfDaySplitIntoPrintedParts) {
  const Case kCases[] = {
      {"midnight", 0, 0, 0, 0, 0},
      {"one of each part", 3'661'001, 1, 1, 1, 1},
      {"last millisecond of the day", 86'399'999, 23, 59, 59, 999},
      // A receiver time past its day is dumped as given before it is refused.
      {"end of the day is not wrapped", 86'400'000, 24, 0, 0, 0},
      {"largest receiver time", 0xFFFFFFFF, 1193, 2, 47, 295},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ExpectParts(SplitMsOfDay(c.value), c);
  }
}

TEST(DayTime, SecondsOfDaySplitIntoPrintedParts) {
  const Case kCases[] = {
      {"midnight", 0, 0, 0, 0, 0},
      {"one of each part", 3661, 1, 1, 1, 0},
      {"last second of the day", 86'399, 23, 59, 59, 0},
      // GEO reference times of day are shown as received, even past the day.
      {"a day and an hour", 90'000, 25, 0, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ExpectParts(SplitSecondOfDay(c.value), c);
  }
}

}  // namespace
}  // namespace qzr2rin
