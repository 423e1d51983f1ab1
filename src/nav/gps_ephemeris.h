#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// GPS broadcast ephemeris.
Status OnGpsEphemeris(TQZRFile& f, Body body);  // [GE]

}  // namespace qzr2rin
