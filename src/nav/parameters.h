#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Ionosphere, UTC and receiver clock parameters.
Status OnIonosphere(TQZRFile& f, Body body);  // [IO]
Status OnGpsUtc(TQZRFile& f, Body body);  // [UO]
Status OnGeoUtc(TQZRFile& f, Body body);  // [WO]
Status OnClockOffset(TQZRFile& f, Body body);  // [TO]
Status OnClockDrift(TQZRFile& f, Body body);  // [DO]

}  // namespace qzr2rin
