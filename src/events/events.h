#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// User and external events.
Status OnUserEvent(TQZRFile& f, Body body);  // [==]
// [XA] (variant 0) and [XB] (variant 1).
Status OnExternalEvent(TQZRFile& f, Body body, int variant);

}  // namespace qzr2rin
