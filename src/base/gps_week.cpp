#include "base/gps_week.h"

#include <cstdlib>

namespace qzr2rin {

unsigned ResolveReferenceWeek(unsigned value, std::uint32_t knownDay) {
  const auto eraWeek = static_cast<unsigned>(WidenReceiverWeek(value));
  if (knownDay == 0) return eraWeek;
  const std::int64_t known = knownDay / 7;
  if (std::llabs(static_cast<std::int64_t>(eraWeek) - known) <= kHalfRollover) return eraWeek;
  const std::int64_t base = value % kWeekRollover;
  const std::int64_t cycles = known > base ? (known - base + kHalfRollover) / kWeekRollover : 0;
  return static_cast<unsigned>(base + cycles * kWeekRollover);
}

}  // namespace qzr2rin
