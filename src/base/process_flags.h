#pragma once

namespace qzr2rin {

// The three process-wide switches. Set once at start-up, before the
// converter is built, and only read afterwards.
struct ProcessFlags {
  bool clockOffset = false;    // -O: receiver clock offset in epoch lines
  bool signalToNoise = false;  // -S: S1/S2 observation types
  bool smoothing = false;      // -~: smoothing correction on pseudoranges
};

const ProcessFlags& Flags();
void SetFlags(const ProcessFlags& flags);

}  // namespace qzr2rin
