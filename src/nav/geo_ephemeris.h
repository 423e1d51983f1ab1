#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// One accepted Geo ephemeris, as the navigation file writer reads it.
struct GeoEphemeris {
};

// GEO broadcast ephemeris.
Status OnGeoEphemeris(TQZRFile& f, Body body);  // [WE]

}  // namespace qzr2rin
