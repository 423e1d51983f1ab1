#include "output/rinex3/rinex3.h"

#include "base/process_flags.h"
#include "output/rinex2/fields.h"

namespace qzr2rin {
namespace {

// Longer than most lines of the file; appending past it only costs an
// allocation.
constexpr std::size_t kLineCapacity = 256;

using Type = Rinex3Observations::Type;

// Every type a system can list, grouped by signal. SBAS has no P code, and
// the semi-codeless GPS P tracking is W.
constexpr std::array<Type, 12> kGpsTypes = {{
    {SignalSet::L1Ca, Observable::Code, "C1C"},
    {SignalSet::L1Ca, Observable::Phase, "L1C"},
    {SignalSet::L1Ca, Observable::Doppler, "D1C"},
    {SignalSet::L1Ca, Observable::Strength, "S1C"},
    {SignalSet::L1P, Observable::Code, "C1W"},
    {SignalSet::L1P, Observable::Phase, "L1W"},
    {SignalSet::L1P, Observable::Doppler, "D1W"},
    {SignalSet::L1P, Observable::Strength, "S1W"},
    {SignalSet::L2P, Observable::Code, "C2W"},
    {SignalSet::L2P, Observable::Phase, "L2W"},
    {SignalSet::L2P, Observable::Doppler, "D2W"},
    {SignalSet::L2P, Observable::Strength, "S2W"},
}};
constexpr std::array<Type, 12> kGlonassTypes = {{
    {SignalSet::L1Ca, Observable::Code, "C1C"},
    {SignalSet::L1Ca, Observable::Phase, "L1C"},
    {SignalSet::L1Ca, Observable::Doppler, "D1C"},
    {SignalSet::L1Ca, Observable::Strength, "S1C"},
    {SignalSet::L1P, Observable::Code, "C1P"},
    {SignalSet::L1P, Observable::Phase, "L1P"},
    {SignalSet::L1P, Observable::Doppler, "D1P"},
    {SignalSet::L1P, Observable::Strength, "S1P"},
    {SignalSet::L2P, Observable::Code, "C2P"},
    {SignalSet::L2P, Observable::Phase, "L2P"},
    {SignalSet::L2P, Observable::Doppler, "D2P"},
    {SignalSet::L2P, Observable::Strength, "S2P"},
}};
constexpr std::size_t kSbasTypeCount = 4;

SignalSet PositionOf(std::uint16_t flags) {
  if ((flags & kFlagCaSet) != 0) return SignalSet::L1Ca;
  return (flags & kFlagL2Set) != 0 ? SignalSet::L2P : SignalSet::L1P;
}

std::size_t At(SignalSet set) { return static_cast<std::size_t>(set); }
std::size_t At(Observable what) { return static_cast<std::size_t>(what); }

}  // namespace

std::vector<std::pair<int, int>> GlonassSlotChannels(const ObservationSet& set) {
  const GlonassChannelTable table = set.GlonassChannels();
  std::vector<std::pair<int, int>> channels;
  for (std::size_t slot = 1; slot < table.size(); ++slot) {
    if (table[slot] != kNoChannel) channels.emplace_back(static_cast<int>(slot), table[slot]);
  }
  return channels;
}

Rinex3Observations::SystemIndex Rinex3Observations::SystemAt(std::size_t index) {
  const char letter = IndexLetter(static_cast<int>(index));
  return letter == 'G' ? kGps : (letter == 'R' ? kGlonass : kSbas);
}

Rinex3Observations::Rinex3Observations(const ObservationSet& set, Rinex3Settings settings)
    : set_(set), settings_(std::move(settings)) {
  lineBuffer_.reserve(kLineCapacity);
}

void Rinex3Observations::Scan() {
  const ObservationSummary summary = Summarize(set_);
  epochCount_ = summary.epochs;
  approxPosition_ = summary.approxPosition;
  seen_.fill(false);
  for (Counts& counts : counts_) counts = Counts{};
  for (std::size_t id = 0; id < summary.seen.size(); ++id) {
    const int index = SatelliteIndex(static_cast<std::uint8_t>(id));
    if (index < 0 || !summary.seen[id]) continue;
    const auto i = static_cast<std::size_t>(index);
    seen_[i] = true;
    for (std::size_t s = 0; s < kSignalSets; ++s) {
      for (std::size_t w = 0; w < kObservables; ++w) counts_[i][s][w] += summary.counts[id][s][w];
    }
  }
  // A Doppler copied into the L1 P set was not measured there: not counted.
  for (const EpochSatellite& satellite : set_.Satellites()) {
    const int index = SatelliteIndex(satellite.satelliteId);
    if (index < 0) continue;
    for (const SignalSlot& slot : satellite.sets) {
      const std::uint16_t flags = slot.signalFlags;
      if (PositionOf(flags) == SignalSet::L1P && (flags & kFlagDopplerCopied) != 0 &&
          (flags & kFlagDoppler) != 0 && slot.doppler != 0)
        --counts_[static_cast<std::size_t>(index)][At(SignalSet::L1P)][At(Observable::Doppler)];
      if ((flags & kFlagAnotherSetFollows) == 0) break;
    }
  }
  std::array<Counts, kSystems> bySystem{};
  for (std::size_t i = 0; i < kSatelliteIndexCount; ++i) {
    Counts& into = bySystem[SystemAt(i)];
    for (std::size_t s = 0; s < kSignalSets; ++s) {
      for (std::size_t w = 0; w < kObservables; ++w) into[s][w] += counts_[i][s][w];
    }
  }
  const auto select = [&](SystemIndex system, const auto& candidates, std::size_t count) {
    types_[system].clear();
    for (std::size_t t = 0; t < count; ++t) {
      const Type& type = candidates[t];
      if (bySystem[system][At(type.set)][At(type.what)] != 0) types_[system].push_back(type);
    }
  };
  select(kGps, kGpsTypes, kGpsTypes.size());
  select(kGlonass, kGlonassTypes, kGlonassTypes.size());
  select(kSbas, kGpsTypes, kSbasTypeCount);
}

Status Rinex3Observations::Write(ByteSink& out, std::ostream* console) {
  out_ = &out;
  console_ = settings_.verbose ? console : nullptr;
  smoothing_ = Flags().smoothing;
  clockOffset_ = Flags().clockOffset;
  Scan();
  WriteHeader();

  gaps_.Start(set_.Header().intervalMs);
  marks_.Start(console_, epochCount_);
  SequenceRecords(set_, *this);
  marks_.Finish();
  out_ = nullptr;
  return out.Flush() ? Status::Ok : Status::OutputOpenFailed;
}

void Rinex3Observations::EmitTrimmed() {
  const std::size_t end = lineBuffer_.find_last_not_of(' ');
  lineBuffer_.resize(end == std::string::npos ? 0 : end + 1);
  lineBuffer_ += '\n';
  if (out_ != nullptr) out_->Write(lineBuffer_);
  lineBuffer_.clear();
}

void Rinex3Observations::EmitLabelled(std::string_view label) {
  FinishLabelled(lineBuffer_, label);
  if (out_ != nullptr) out_->Write(lineBuffer_);
  lineBuffer_.clear();
}

void Rinex3Observations::WriteLabelled(std::string_view value, std::string_view label) {
  lineBuffer_.assign(value);
  EmitLabelled(label);
}

}  // namespace qzr2rin
