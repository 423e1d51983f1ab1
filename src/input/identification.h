#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Identification, format and parameter messages.
Status OnIdentification(TQZRFile& f, Body body);  // [QZ]
Status OnMessageFormat(TQZRFile& f, Body body);  // [MF]
Status OnParameters(TQZRFile& f, Body body);  // [PM]

}  // namespace qzr2rin
