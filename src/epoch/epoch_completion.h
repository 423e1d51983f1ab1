#pragma once

#include "driver/status.h"

namespace qzr2rin {

class TQZRFile;

// Which in-progress epoch a time message closes.
enum class EpochSource {
  Observables,  // filled by the per-signal messages, closed by [~~]
  Raw,          // filled and closed by [rM]
};

// Completes the epoch in progress: selection, filters, storage, and the
// clearing of the in-progress state.
Status CloseEpoch(TQZRFile& f, EpochSource source);

}  // namespace qzr2rin
