#include "output/rinex2/signature.h"

#include <array>
#include <bit>

#include "base/time_units.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

std::uint32_t DataSignature(std::uint32_t receiverKey, std::uint32_t seconds, std::uint32_t nanoseconds) {
  constexpr std::uint32_t kRotationModulus = 119317;
  constexpr std::uint32_t kRotationMask = 31;
  const std::uint32_t ms = seconds % kSecondsPerDay * kMsPerSecond + nanoseconds / kNsPerMs;
  const int rotation = static_cast<int>(ms % kRotationModulus & kRotationMask);
  const TGPSTime t(seconds);
  const unsigned year = t.Year(0);
  const std::array<std::uint32_t, 8> values = {ms & 0xFF,       ms >> 8 & 0xFF,
                                               ms >> 16 & 0xFF, ms >> 24 & 0xFF,
                                               t.Day(0),        static_cast<std::uint32_t>(t.Month(0)),
                                               year & 0xFF,     year >> 8 & 0xFF};
  std::uint32_t h = receiverKey;
  for (const std::uint32_t v : values) h = std::rotl(h, rotation) + v;
  return h;
}

}  // namespace qzr2rin
