#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// GEO broadcast ephemeris.
Status OnGeoEphemeris(TQZRFile& f, Body body);  // [WE]

}  // namespace qzr2rin
