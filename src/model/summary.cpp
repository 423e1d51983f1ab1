#include "model/summary.h"

namespace qzr2rin {
namespace {

SignalSet SetOf(std::uint16_t flags) {
  if ((flags & kFlagCaSet) != 0) return SignalSet::L1Ca;
  return (flags & kFlagL2Set) != 0 ? SignalSet::L2P : SignalSet::L1P;
}

}  // namespace

bool ObservationSummary::Present(SignalSet set, Observable what) const {
  for (std::size_t id = 0; id < counts.size(); ++id) {
    if (Count(static_cast<std::uint8_t>(id), set, what) != 0) return true;
  }
  return false;
}

ObservationSummary Summarize(const ObservationSet& set) {
  ObservationSummary s;
  std::array<double, 3> sum{};
  std::int32_t positions = 0;
  for (const DataEpoch& epoch : set.Epochs()) {
    if (epoch.position[0] != 0) {
      for (std::size_t axis = 0; axis < sum.size(); ++axis) sum[axis] += epoch.position[axis];
      ++positions;
    }
    for (std::uint32_t k = 0; k < epoch.satelliteCount; ++k) {
      const EpochSatellite& satellite = set.SatelliteOf(epoch, k);
      s.seen[satellite.satelliteId] = true;
      ObservationSummary::Counts& counts = s.counts[satellite.satelliteId];
      for (const SignalSlot& slot : satellite.sets) {
        const std::uint16_t flags = slot.signalFlags;
        auto& count = counts[static_cast<std::size_t>(SetOf(flags))];
        const auto add = [&](Observable what, bool present) {
          if (present) ++count[static_cast<std::size_t>(what)];
        };
        add(Observable::Code, (flags & kFlagPseudorange) != 0 && slot.pseudorange != 0);
        add(Observable::Phase, (flags & kFlagCarrierPhase) != 0 && slot.carrierPhase != 0);
        add(Observable::Doppler, (flags & kFlagDoppler) != 0 && slot.doppler != 0);
        add(Observable::Strength, (flags & kFlagCn0InStatus2) != 0 && slot.status2 != 0);
        if ((flags & kFlagAnotherSetFollows) == 0) break;
      }
    }
    ++s.epochs;
  }
  if (positions > 0) {
    for (std::size_t axis = 0; axis < sum.size(); ++axis) s.approxPosition[axis] = sum[axis] / positions;
  }
  return s;
}

}  // namespace qzr2rin
