#pragma once

#include <cstdint>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// GPS time has no leap seconds: every day is 86 400 s long. Unsigned, as the
// times they divide; signed arithmetic converts them explicitly.
inline constexpr std::uint32_t kSecondsPerMinute = 60;
inline constexpr std::uint32_t kSecondsPerHour = 60 * kSecondsPerMinute;
inline constexpr std::uint32_t kSecondsPerDay = TGPSTime::kSecondsPerDay;
static_assert(kSecondsPerDay == 24 * kSecondsPerHour);
inline constexpr std::uint32_t kSecondsPerWeek = 7 * kSecondsPerDay;
inline constexpr std::uint32_t kMsPerSecond = 1000;
inline constexpr std::uint32_t kMsPerMinute = kSecondsPerMinute * kMsPerSecond;
inline constexpr std::uint32_t kMsPerHour = kSecondsPerHour * kMsPerSecond;
inline constexpr std::uint32_t kMsPerDay = kSecondsPerDay * kMsPerSecond;
inline constexpr std::uint32_t kNsPerMs = 1'000'000;
inline constexpr std::uint32_t kNsPerSecond = 1'000'000'000;

}  // namespace qzr2rin
