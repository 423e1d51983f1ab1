#include "base/four_year_cycle.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

std::uint32_t Day(unsigned year, unsigned month, unsigned day) {
  TGPSTime t;
  t.Set(year, static_cast<TGPSTime::TMonth>(month), day, 0, 0, 0);
  return t.GPSDay();
}

TEST(FourYearCycle, DayOfCycleIsPlacedInTheCycleNearestToday) {
  struct Case {
    const char* what;
    std::uint32_t today;
    unsigned dayOfCycle;
    unsigned cycleYear;  // 0: not representable
  };
  const Case kCases[] = {
      {"leap year, its own last day", Day(2024, 6, 1), 366, 2024},
      {"leap year, a later day is the previous cycle's end", Day(2024, 6, 1), 367, 2020},
      {"leap year, first day", Day(2024, 1, 1), 1, 2024},
      {"year after, an early day is the next cycle's", Day(2025, 3, 1), 363, 2028},
      {"year after, day 364 stays in this cycle", Day(2025, 3, 1), 364, 2024},
      {"last year of a cycle, its last day", Day(2027, 12, 31), 1461, 2024},
      {"last year of a cycle, New Year's Day", Day(2027, 12, 31), 1, 2028},
      {"no cycle before 1980", Day(1980, 6, 1), 400, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FourYearCycleStart(c.today, c.dayOfCycle), c.cycleYear == 0 ? 0 : Day(c.cycleYear, 1, 1));
  }
}

}  // namespace
}  // namespace qzr2rin
