#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// GLONASS broadcast ephemeris.
Status OnGlonassEphemeris(TQZRFile& f, Body body);  // [NE]

}  // namespace qzr2rin
