#pragma once

#include <cstddef>

#include "base/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Body lengths, checksum included.
inline constexpr std::size_t kIonosphereLength = 39;  // [IO]
inline constexpr std::size_t kGpsUtcLength = 24;      // [UO]
inline constexpr std::size_t kGeoUtcLength = 31;      // [WO]
inline constexpr std::size_t kClockOffsetLength = 9;  // [TO]
inline constexpr std::size_t kClockDriftLength = 5;   // [DO]

// Ionosphere, UTC and receiver clock parameters. Each returns BadChecksum
// when the body fails its checksum, else Ok; a set with a field marked not
// available, or a body shorter than its layout, is ignored. [UO] is decoded
// in the first run too, silently.
Status OnIonosphere(TQZRFile& f, Body body);   // [IO]
Status OnGpsUtc(TQZRFile& f, Body body);       // [UO]
Status OnGeoUtc(TQZRFile& f, Body body);       // [WO]
Status OnClockOffset(TQZRFile& f, Body body);  // [TO]
Status OnClockDrift(TQZRFile& f, Body body);   // [DO]

}  // namespace qzr2rin
