#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Data authentication.
Status OnSignature(TQZRFile& f, Body body);  // [SE]
// Messages accepted on their checksum and otherwise skipped.
Status OnIgnoredMessage(TQZRFile& f, Body body);

}  // namespace qzr2rin
