#include "rinex/rinex.h"

#include <utility>

#include "driver/process_flags.h"
#include "rinex/fields.h"

namespace qzr2rin {
namespace {

// Longer than any line of the file; appending past it only costs an
// allocation.
constexpr std::size_t kLineCapacity = 128;

bool Earlier(std::uint32_t s1, std::uint32_t ns1, std::uint32_t s2, std::uint32_t ns2) {
  return s1 < s2 || (s1 == s2 && ns1 < ns2);
}

}  // namespace

TRinex::TRinex(const ObservationSet& set, std::string profilePath, bool verbose, bool statistics)
    : set_(set),
      profile_(std::string(kProfileSection), std::move(profilePath)),
      progressEnabled_(verbose),
      statisticsEnabled_(statistics) {
  lineBuffer_.reserve(kLineCapacity);
}

void TRinex::Scan() {
  seen_.fill(false);
  for (auto& counts : obsCount_) counts.fill(0);
  setC1_ = setP1_ = setP2_ = setL2_ = setD2_ = setS1_ = setS2_ = 0;
  totalL1_ = totalD1_ = 0;
  approxPosition_ = {};
  epochCount_ = 0;

  const bool signalToNoise = Flags().signalToNoise;
  std::array<double, 3> sum{};
  std::int32_t positions = 0;
  for (const DataEpoch& epoch : set_.Epochs()) {
    if (epoch.position[0] != 0) {
      for (std::size_t axis = 0; axis < sum.size(); ++axis) sum[axis] += epoch.position[axis];
      ++positions;
    }
    for (std::uint32_t k = 0; k < epoch.satelliteCount; ++k) {
      const EpochSatellite* sat = &set_.SatelliteOf(epoch, k);
      const int index = SatelliteIndex(sat->satelliteId);
      if (index < 0) continue;
      seen_[index] = true;
      auto& count = obsCount_[index];
      for (const SignalSlot& set : sat->sets) {
        const std::uint16_t flags = set.signalFlags;
        const bool range = (flags & kFlagPseudorange) != 0 && set.pseudorange != 0;
        const bool phase = (flags & kFlagCarrierPhase) != 0 && set.carrierPhase != 0;
        const bool doppler = (flags & kFlagDoppler) != 0 && set.doppler != 0;
        const bool strength = (flags & kFlagCn0InStatus2) != 0 && set.status2 != 0 && signalToNoise;
        if ((flags & kFlagCaSet) != 0) {
          if (range) ++count[kCountC1], setC1_ = kSetCa;
          if (phase) ++count[kCountL1Ca];
          if (doppler) ++count[kCountD1Ca];
          if (strength) ++count[kCountS1], setS1_ = kSetCa;
        } else if ((flags & kFlagL2Set) != 0) {
          if (range) ++count[kCountP2], setP2_ = kSetL2;
          if (phase) ++count[kCountL2], setL2_ = kSetL2;
          if (doppler) ++count[kCountD2], setD2_ = kSetL2;
          if (strength) ++count[kCountS2], setS2_ = kSetL2;
        } else {
          if (range) ++count[kCountP1], setP1_ = kSetP1;
          if (phase) ++count[kCountL1P];
          if (doppler) ++count[kCountD1P];
        }
        if ((flags & kFlagAnotherSetFollows) == 0) break;
      }
    }
    ++epochCount_;
  }
  if (positions > 0) {
    for (std::size_t axis = 0; axis < sum.size(); ++axis) approxPosition_[axis] = sum[axis] / positions;
  }
}

void TRinex::SelectTypes() {
  // Phase and Doppler on L1 always come from the C/A set; the P-set counts
  // of L1 and D1 are not used.
  for (const auto& count : obsCount_) {
    totalL1_ += count[kCountL1Ca];
    totalD1_ += count[kCountD1Ca];
  }
  const struct {
    bool present;
    PresentType type;
  } kCandidates[kTypeCount] = {
      {setC1_ != 0, {Kind::Pseudorange, kSetCa, kCountC1, kC1}},
      {setP1_ != 0, {Kind::Pseudorange, kSetP1, kCountP1, kP1}},
      {setP2_ != 0, {Kind::Pseudorange, kSetL2, kCountP2, kP2}},
      {totalL1_ != 0, {Kind::Phase, kSetCa, kCountL1Ca, kL1}},
      {setL2_ != 0, {Kind::Phase, kSetL2, kCountL2, kL2}},
      {totalD1_ != 0, {Kind::Doppler, kSetCa, kCountD1Ca, kD1}},
      {setD2_ != 0, {Kind::Doppler, kSetL2, kCountD2, kD2}},
      {setS1_ != 0, {Kind::Strength, kSetCa, kCountS1, kS1}},
      {setS2_ != 0, {Kind::Strength, kSetL2, kCountS2, kS2}},
  };
  typeCount_ = 0;
  for (const auto& candidate : kCandidates) {
    if (candidate.present) types_[static_cast<std::size_t>(typeCount_++)] = candidate.type;
  }
}

Status TRinex::WriteObservationFile(ByteSink& out, std::ostream* console) {
  out_ = &out;
  console_ = progressEnabled_ ? console : nullptr;
  smoothing_ = Flags().smoothing;
  Scan();
  SelectTypes();
  WriteHeader();

  previousEpochTime_ = TGPSTimeNS();
  previousEpochSet_ = false;
  progressStep_ = 0;
  const std::span<const DataEpoch> epochs = set_.Epochs();
  if (!epochs.empty()) {
    EventCursor a{set_.Events(kPortA)};
    EventCursor b{set_.Events(kPortB)};
    std::size_t at = 0;
    const DataOccup* occupation = epochs[0].occupation;
    if ((epochs[0].epochFlags & kEpochDynamic) != 0) WriteOccupationChange(occupation, epochs[0]);
    a.First(occupation);
    b.First(occupation);
    while (true) {
      const DataEvent* eventA = a.Current(occupation);
      const DataEvent* eventB = b.Current(occupation);
      const DataEpoch* epoch = at < epochs.size() ? &epochs[at] : nullptr;
      // The earliest wins; on equal times XA, then XB, then the epoch.
      const DataEvent* event = eventA;
      if (eventB != nullptr && (event == nullptr || Earlier(eventB->outSeconds, eventB->outNanoseconds,
                                                            event->outSeconds, event->outNanoseconds))) {
        event = eventB;
      }
      if (epoch != nullptr && (event == nullptr || Earlier(epoch->seconds, epoch->nanoseconds,
                                                           event->outSeconds, event->outNanoseconds))) {
        event = nullptr;
      } else if (event == nullptr) {
        break;
      }
      if (event != nullptr) {
        WriteEvent(*event);
        (event == eventA ? a : b).Next();
        continue;
      }
      const std::size_t satellites = FillEpochTable(*epoch);
      if (satellites > 0) {
        if (!previousEpochSet_) {
          previousEpochTime_ = TGPSTimeNS(epoch->seconds, epoch->nanoseconds);
          previousEpochSet_ = true;
        }
        WriteEpoch(*epoch, satellites);
      }
      ShowProgress(++at);
      const DataEpoch* next = at < epochs.size() ? &epochs[at] : nullptr;
      if (next != nullptr && next->occupation != occupation) {
        WriteRemainingEvents(occupation, a, b);
        occupation = next->occupation;
        b.First(occupation);
        a.First(occupation);
        WriteOccupationChange(occupation, *next);
      }
    }
  }
  if (console_ != nullptr) {
    *console_ << '\n';
    console_->flush();
  }
  out_ = nullptr;
  return out.Flush() ? Status::Ok : Status::OutputOpenFailed;
}

void TRinex::WriteRemainingEvents(const DataOccup* occupation, EventCursor& a, EventCursor& b) {
  while (true) {
    const DataEvent* eventA = a.Current(occupation);
    const DataEvent* eventB = b.Current(occupation);
    if (eventA == nullptr && eventB == nullptr) return;
    if (eventA != nullptr && (eventB == nullptr || !Earlier(eventB->outSeconds, eventB->outNanoseconds,
                                                            eventA->outSeconds, eventA->outNanoseconds))) {
      WriteEvent(*eventA);
      a.Next();
    } else {
      WriteEvent(*eventB);
      b.Next();
    }
  }
}

void TRinex::EventCursor::First(const DataOccup* occupation) {
  at = 0;
  while (at < events.size() && events[at].occupation != occupation) ++at;
}

const DataEvent* TRinex::EventCursor::Current(const DataOccup* occupation) const {
  return at < events.size() && events[at].occupation == occupation ? &events[at] : nullptr;
}

void TRinex::ShowProgress(std::size_t written) {
  constexpr std::uint64_t kPercentPerMark = 5;
  if (console_ == nullptr || epochCount_ <= 0) return;
  const int due = static_cast<int>(std::uint64_t{written} * 100 / static_cast<std::uint64_t>(epochCount_) /
                                   kPercentPerMark);
  for (; progressStep_ < due; ++progressStep_) {
    console_->put(':');
    console_->flush();
  }
}

void TRinex::Emit() {
  if (out_ != nullptr) out_->Write(lineBuffer_);
  lineBuffer_.clear();
}

void TRinex::EmitLabelled(std::string_view label) {
  FinishLabelled(lineBuffer_, label);
  Emit();
}

void TRinex::EmitText(std::string_view text) {
  if (out_ != nullptr) out_->Write(text);
}

void TRinex::WriteLabelled(std::string_view value, std::string_view label) {
  lineBuffer_.assign(value);
  EmitLabelled(label);
}

}  // namespace qzr2rin
