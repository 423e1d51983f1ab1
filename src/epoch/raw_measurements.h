#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// The compact raw-measurement message.
Status OnRawMeasurements(TQZRFile& f, Body body);  // [rM]

}  // namespace qzr2rin
