#include "output/rinex2/rinex.h"

#include "base/process_flags.h"
#include "model/summary.h"
#include "output/rinex2/fields.h"

namespace qzr2rin {
namespace {

// Longer than any line of the file; appending past it only costs an
// allocation.
constexpr std::size_t kLineCapacity = 128;

}  // namespace

TRinex::TRinex(const ObservationSet& set, bool verbose, bool statistics)
    : set_(set), progressEnabled_(verbose), statisticsEnabled_(statistics) {
  lineBuffer_.reserve(kLineCapacity);
}

void TRinex::Scan() {
  seen_.fill(false);
  for (auto& counts : obsCount_) counts.fill(0);
  setC1_ = setP1_ = setP2_ = setL2_ = setD2_ = setS1_ = setS2_ = 0;
  totalL1_ = totalD1_ = 0;

  const ObservationSummary summary = Summarize(set_);
  epochCount_ = summary.epochs;
  approxPosition_ = summary.approxPosition;
  // Signal-to-noise types only under -S; phase and Doppler of the L1 P set
  // are counted but never written.
  const bool signalToNoise = Flags().signalToNoise;
  for (std::size_t id = 0; id < summary.seen.size(); ++id) {
    const auto satellite = static_cast<std::uint8_t>(id);
    const int index = SatelliteIndex(satellite);
    if (index < 0 || !summary.seen[id]) continue;
    seen_[static_cast<std::size_t>(index)] = true;
    auto& count = obsCount_[static_cast<std::size_t>(index)];
    const auto take = [&](CountIndex into, SignalSet set, Observable what) {
      count[into] += summary.Count(satellite, set, what);
    };
    take(kCountC1, SignalSet::L1Ca, Observable::Code);
    take(kCountL1Ca, SignalSet::L1Ca, Observable::Phase);
    take(kCountD1Ca, SignalSet::L1Ca, Observable::Doppler);
    take(kCountP1, SignalSet::L1P, Observable::Code);
    take(kCountL1P, SignalSet::L1P, Observable::Phase);
    take(kCountD1P, SignalSet::L1P, Observable::Doppler);
    take(kCountP2, SignalSet::L2P, Observable::Code);
    take(kCountL2, SignalSet::L2P, Observable::Phase);
    take(kCountD2, SignalSet::L2P, Observable::Doppler);
    if (signalToNoise) {
      take(kCountS1, SignalSet::L1Ca, Observable::Strength);
      take(kCountS2, SignalSet::L2P, Observable::Strength);
    }
    if (count[kCountC1] != 0) setC1_ = kSetCa;
    if (count[kCountS1] != 0) setS1_ = kSetCa;
    if (count[kCountP1] != 0) setP1_ = kSetP1;
    if (count[kCountP2] != 0) setP2_ = kSetL2;
    if (count[kCountL2] != 0) setL2_ = kSetL2;
    if (count[kCountD2] != 0) setD2_ = kSetL2;
    if (count[kCountS2] != 0) setS2_ = kSetL2;
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

  gaps_.Start(set_.Header().intervalMs);
  marks_.Start(console_, epochCount_);
  SequenceRecords(set_, *this);
  marks_.Finish();
  out_ = nullptr;
  return out.Flush() ? Status::Ok : Status::OutputOpenFailed;
}

void TRinex::Epoch(const DataEpoch& epoch) {
  const std::size_t satellites = FillEpochTable(epoch);
  if (satellites == 0) return;
  WriteEpoch(epoch, satellites);
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
