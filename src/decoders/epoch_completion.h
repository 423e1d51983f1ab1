#pragma once

#include <cstdint>

#include "base/status.h"
#include "decoders/conversion_options.h"

namespace qzr2rin {

class TQZRFile;

// Which in-progress epoch a time message closes.
enum class EpochSource {
  Observables,  // filled by the per-signal messages, closed by [~~]
  Raw,          // filled and closed by [rM]
};

// Completes the epoch in progress: selection of satellites and signals, the
// time window, interval selection, the order test, storage, and the
// clearing of the in-progress state. Non-zero only when recording the
// occupation failed.
Status CloseEpoch(TQZRFile& f, EpochSource source);

// True when the satellite is not to be converted (-G -R -W, -g -r -w).
bool IsExcluded(const ConversionOptions& options, std::uint8_t satelliteId);

}  // namespace qzr2rin
