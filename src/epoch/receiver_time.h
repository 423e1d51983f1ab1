#pragma once

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Receiver time and date messages.
Status OnReceiverTime(TQZRFile& f, Body body);  // [~~]
Status OnReceiverDate(TQZRFile& f, Body body);  // [RD]
Status OnReferenceEpoch(TQZRFile& f, Body body);  // [rE]

}  // namespace qzr2rin
