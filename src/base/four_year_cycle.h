#pragma once

#include <cstdint>

namespace qzr2rin {

// Days of a four-year cycle count from 1 on 1 January of its leap year.
inline constexpr int kDaysInFourYears = 1461;

// GPS day of 1 January of the cycle that holds day `dayOfCycle` (1..1461)
// nearest to `today`: today's cycle or, near its ends, the one next to it.
// 0 when that year cannot be represented.
std::uint32_t FourYearCycleStart(std::uint32_t today, unsigned dayOfCycle);

}  // namespace qzr2rin
