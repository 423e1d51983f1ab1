#pragma once

#include "decoders/epoch_data.h"

namespace qzr2rin {

// The epochs being filled: by the per-signal messages and by raw
// measurements, the per-epoch values, and what outlives one epoch.
struct EpochAssembly {
  EpochInProgress epoch;
  EpochInProgress raw;
  EpochExtras epochExtras;
  PhaseUnwrapping phase;
  PresenceMarks presence;
};

}  // namespace qzr2rin
