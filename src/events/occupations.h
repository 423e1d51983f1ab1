#pragma once

#include "driver/status.h"

namespace qzr2rin {

class TQZRFile;

// Arms the hand-off to a new occupation and stores the epoch in progress.
Status CloseOccupation(TQZRFile& f);

}  // namespace qzr2rin
