#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// One accepted GPS ephemeris, as the navigation file writer reads it.
struct GpsEphemeris {
};

// GPS broadcast ephemeris.
Status OnGpsEphemeris(TQZRFile& f, Body body);  // [GE]

}  // namespace qzr2rin
