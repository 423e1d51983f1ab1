#pragma once

#include <cstdint>

#include "base/window_text.h"
#include "decoders/hypothesis.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// The -s/-f window as written on the command line; the absolute window is
// fixed at the first receiver date.
struct TimeWindow {
  bool windowGiven = false;
  bool windowPending = false;
  WindowEnd windowStartText;
  WindowEnd windowFinishText;

  TGPSTimeNS windowStart;   // 0 seconds: open
  TGPSTimeNS windowFinish;  // 0 seconds: open
};

// Which closed epochs are stored: the interval asked for, the log's own
// interval, and the order of what was stored so far.
struct EpochSelection {
  std::uint32_t requestedIntervalMs = 0;
  std::int32_t fileIntervalMs = 0;  // the log's data interval, from the first run
  std::uint32_t selectIntervalMs = 0;
  bool selectByInterval = false;
  THypothesis intervalHypothesis;

  bool nextEpochIsFirst = true;
  bool storedAnyEpoch = false;  // the next closed epoch restarts the input statistics
  // The last stored epoch; later epochs must come after it. Never reset,
  // not even by a cancelled occupation.
  std::uint32_t lastStoredDay = 0;
  std::uint32_t lastStoredMs = 0;
};

}  // namespace qzr2rin
