#pragma once

#include <cmath>
#include <cstdint>

#include "decoders/epoch_data.h"

namespace qzr2rin {

// Ranges, phases and Dopplers are reduced by this remainder (sign kept) so
// that they fit the 14-column field of every observation format.
inline constexpr double kObservationModulus = 999999999.0;

inline double ReducedObservation(double value) {
  // fmod leaves a smaller value unchanged; skip it for the common case.
  return std::fabs(value) < kObservationModulus ? value : std::fmod(value, kObservationModulus);
}

// Bits of DataEpoch::epochFlags that choose the record flag.
inline constexpr std::int32_t kEpochCycleSlip = 0x01;
inline constexpr std::int32_t kEpochPowerFailure = 0x20;

// C/N0 in dB-Hz of a set that carries one (kFlagCn0InStatus2).
inline constexpr double kDbHzPerQuarterUnit = 0.25;
inline double Cn0DbHz(const SignalSlot& set) {
  return (set.signalFlags & kFlagCn0QuarterUnits) != 0 ? set.status2 * kDbHzPerQuarterUnit : set.status2;
}

}  // namespace qzr2rin
