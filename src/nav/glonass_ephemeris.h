#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// One accepted GLONASS ephemeris, as the navigation file writer reads it.
struct GlonassEphemeris {
};

// GLONASS broadcast ephemeris.
Status OnGlonassEphemeris(TQZRFile& f, Body body);  // [NE]

}  // namespace qzr2rin
