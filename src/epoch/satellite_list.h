#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Satellite list messages.
Status OnSatelliteIndex(TQZRFile& f, Body body);  // [SI]
Status OnGlonassNumbers(TQZRFile& f, Body body);  // [NN]
Status OnSatelliteStatus(TQZRFile& f, Body body);  // [SS]

}  // namespace qzr2rin
