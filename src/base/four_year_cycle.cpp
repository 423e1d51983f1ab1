#include "base/four_year_cycle.h"

#include "base/time_units.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

// Outside the leap year, a day this early in a cycle belongs to the next
// cycle: the third year has just turned into the new leap year.
constexpr unsigned kEarlyDaysOfCycle = 364;

}  // namespace

std::uint32_t FourYearCycleStart(std::uint32_t today, unsigned dayOfCycle) {
  const unsigned year = TGPSTime(static_cast<std::uint32_t>(std::uint64_t{today} * kSecondsPerDay)).Year();
  unsigned base = year - year % kYearsPerLeapCycle;
  if (year % kYearsPerLeapCycle == 0) {
    // In the leap year itself only its own 366 days are this cycle's; a
    // later day is the end of the previous cycle, just before New Year.
    if (dayOfCycle > kDaysPerLeapYear) base -= kYearsPerLeapCycle;
  } else if (dayOfCycle < kEarlyDaysOfCycle) {
    base += kYearsPerLeapCycle;
  }
  TGPSTime first;
  first.Set(base, TGPSTime::January, 1, 0, 0, 0);
  return first.GPSDay();
}

}  // namespace qzr2rin
