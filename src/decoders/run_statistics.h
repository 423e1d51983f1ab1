#pragma once

#include <cstdint>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// What the run counted: the span and number of input and output epochs,
// and the systems that occur in the stored observations.
struct RunStatistics {
  TGPSTimeNS firstInputTime;
  TGPSTimeNS lastInputTime;
  TGPSTimeNS firstOutputTime;
  TGPSTimeNS lastOutputTime;
  std::int32_t outputIntervalMs = 0;

  std::uint32_t inputEpochCount = 0;
  std::uint32_t outputEpochCount = 0;

  bool seenGps = false;
  bool seenGlonass = false;
  bool seenWaas = false;
};

}  // namespace qzr2rin
