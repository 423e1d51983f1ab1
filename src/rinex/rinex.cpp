#include "rinex/rinex.h"

#include <utility>

#include "driver/process_flags.h"
#include "input/qzr_file.h"
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

TRinex::TRinex(TQZRFile& converter, std::string profilePath, bool verbose, bool statistics)
    : converter_(converter),
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
  StoredRecords& r = converter_.records;
  r.FirstEpoch();
  for (const DataEpoch* epoch = r.CurrentEpoch(); epoch != nullptr; r.NextEpoch(), epoch = r.CurrentEpoch()) {
    if (epoch->position[0] != 0) {
      for (std::size_t axis = 0; axis < sum.size(); ++axis) sum[axis] += epoch->position[axis];
      ++positions;
    }
    r.FirstSatellite();
    for (const EpochSatellite* sat = r.CurrentSatellite(); sat != nullptr;
         r.NextSatellite(), sat = r.CurrentSatellite()) {
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
  StoredRecords& r = converter_.records;
  r.FirstEpoch();
  const DataEpoch* epoch = r.CurrentEpoch();
  if (epoch != nullptr) {
    const DataOccup* occupation = epoch->occupation;
    if ((epoch->epochFlags & kEpochDynamic) != 0) WriteOccupationChange(occupation, *epoch);
    r.FirstEventOf(kPortA, occupation);
    r.FirstEventOf(kPortB, occupation);
    std::size_t written = 0;
    while (true) {
      const DataEvent* a = r.CurrentEventOf(kPortA, occupation);
      const DataEvent* b = r.CurrentEventOf(kPortB, occupation);
      epoch = r.CurrentEpoch();
      // The earliest wins; on equal times XA, then XB, then the epoch.
      const DataEvent* event = a;
      if (b != nullptr && (event == nullptr || Earlier(b->outSeconds, b->outNanoseconds, event->outSeconds,
                                                       event->outNanoseconds))) {
        event = b;
      }
      if (epoch != nullptr && (event == nullptr || Earlier(epoch->seconds, epoch->nanoseconds,
                                                           event->outSeconds, event->outNanoseconds))) {
        event = nullptr;
      } else if (event == nullptr) {
        break;
      }
      if (event != nullptr) {
        WriteEvent(*event);
        r.NextEvent(event == a ? kPortA : kPortB);
        continue;
      }
      const std::size_t satellites = FillEpochTable();
      if (satellites > 0) {
        if (!previousEpochSet_) {
          previousEpochTime_ = TGPSTimeNS(epoch->seconds, epoch->nanoseconds);
          previousEpochSet_ = true;
        }
        WriteEpoch(*epoch, satellites);
      }
      ShowProgress(++written);
      r.NextEpoch();
      const DataEpoch* next = r.CurrentEpoch();
      if (next != nullptr && next->occupation != occupation) {
        WriteRemainingEvents(occupation);
        occupation = next->occupation;
        r.FirstEventOf(kPortB, occupation);
        r.FirstEventOf(kPortA, occupation);
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

void TRinex::WriteRemainingEvents(const DataOccup* occupation) {
  StoredRecords& r = converter_.records;
  while (true) {
    const DataEvent* a = r.CurrentEventOf(kPortA, occupation);
    const DataEvent* b = r.CurrentEventOf(kPortB, occupation);
    if (a == nullptr && b == nullptr) return;
    if (a != nullptr &&
        (b == nullptr || !Earlier(b->outSeconds, b->outNanoseconds, a->outSeconds, a->outNanoseconds))) {
      WriteEvent(*a);
      r.NextEvent(kPortA);
    } else {
      WriteEvent(*b);
      r.NextEvent(kPortB);
    }
  }
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
