#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/observation_set.h"

namespace qzr2rin {

// The three signal sets a satellite's record may hold.
enum class SignalSet : std::uint8_t { L1Ca, L1P, L2P };
inline constexpr std::size_t kSignalSets = 3;

// What a set holds for each signal.
enum class Observable : std::uint8_t { Code, Phase, Doppler, Strength };
inline constexpr std::size_t kObservables = 4;

// What a file header says about a whole set, taken in one walk: which
// satellites occur, how many values of each observable each has, where the
// receiver was. It knows no format: a header picks what its types need.
struct ObservationSummary {
  using Counts = std::array<std::array<std::int32_t, kObservables>, kSignalSets>;

  std::int32_t epochs = 0;
  // The mean of the positions the epochs carry; 0 when none does.
  std::array<double, 3> approxPosition{};
  // By satellite id (system bits and number): whether it occurs at all, and
  // its values by signal set and observable. A value counts when its flag
  // is set and it is not 0.
  std::array<bool, kSatelliteIdCount> seen{};
  std::array<Counts, kSatelliteIdCount> counts{};

  std::int32_t Count(std::uint8_t id, SignalSet set, Observable what) const {
    return counts[id][static_cast<std::size_t>(set)][static_cast<std::size_t>(what)];
  }
  // Whether any satellite has a value of the observable in the set.
  bool Present(SignalSet set, Observable what) const;
};

ObservationSummary Summarize(const ObservationSet& set);

}  // namespace qzr2rin
