#pragma once

#include <cstdint>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// An end of the -s/-f window is open while it is all zero. A completed end
// always lies on a day after the origin, so the two tests below agree on
// every end the command line yields; they part only on an end of nanoseconds
// alone, which the ephemerides take as set and epochs and events as open.
constexpr bool WindowEndSet(const TGPSTimeNS& end) { return end.seconds != 0 || end.nanoseconds != 0; }
constexpr bool WindowEndDated(const TGPSTimeNS& end) { return end.seconds != 0; }

// Epochs and external events: both ends belong to the window; an end that
// is not dated is open.
bool InsideWindow(const TGPSTimeNS& start, const TGPSTimeNS& finish, const TGPSTimeNS& t);

// GPS and GEO ephemerides, by whole seconds: the window widened to two-hour
// blocks, from one block before the start's block to two blocks after the
// finish's, so the ephemerides that serve its edges are kept.
bool InsideEphemerisBlocks(const TGPSTimeNS& start, const TGPSTimeNS& finish, std::int64_t seconds);

// GLONASS ephemerides, by whole seconds: the window widened by `margin`
// seconds on either side.
bool InsideWindowWithMargin(const TGPSTimeNS& start, const TGPSTimeNS& finish, std::int64_t seconds,
                            std::int64_t margin);

}  // namespace qzr2rin
