#include "base/time_window.h"

namespace qzr2rin {
namespace {

constexpr std::int64_t kEphemerisBlock = 7200;

}  // namespace

bool InsideWindow(const TGPSTimeNS& start, const TGPSTimeNS& finish, const TGPSTimeNS& t) {
  if (WindowEndDated(start) && t < start) return false;
  return !(WindowEndDated(finish) && t > finish);
}

bool InsideEphemerisBlocks(const TGPSTimeNS& start, const TGPSTimeNS& finish, std::int64_t seconds) {
  if (WindowEndSet(start) && seconds < (start.seconds / kEphemerisBlock - 1) * kEphemerisBlock) return false;
  return !(WindowEndSet(finish) && seconds > (finish.seconds / kEphemerisBlock + 2) * kEphemerisBlock);
}

bool InsideWindowWithMargin(const TGPSTimeNS& start, const TGPSTimeNS& finish, std::int64_t seconds,
                            std::int64_t margin) {
  if (WindowEndSet(start) && seconds < std::int64_t{start.seconds} - margin) return false;
  return !(WindowEndSet(finish) && seconds > std::int64_t{finish.seconds} + margin);
}

}  // namespace qzr2rin
