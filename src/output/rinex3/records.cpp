// The data section: epoch records, external events, occupation changes and
// lost-epoch records.

#include <algorithm>
#include <cmath>

#include "output/calendar_parts.h"
#include "output/observation_values.h"
#include "output/rinex2/fields.h"
#include "output/rinex3/canonical.h"
#include "output/rinex3/layouts.h"
#include "output/rinex3/rinex3.h"

namespace qzr2rin {
namespace {

// Loss of lock and half-cycle ambiguity; the anti-spoofing bit of the 2.10
// indicator means something else here.
constexpr std::uint16_t kLossOfLockMask = 0x03;

// Signal strength 1..9 in steps of 6 dB-Hz.
constexpr double kStrengthStep = 6;
constexpr int kWeakest = 1;
constexpr int kStrongest = 9;

// The event comments show the 2.10 file's two-digit years.
constexpr int kCentury = 100;

char StrengthIndicator(const SignalSlot& set) {
  if ((set.signalFlags & kFlagCn0InStatus2) == 0) return ' ';
  const int step = static_cast<int>(std::floor(Cn0DbHz(set) / kStrengthStep));
  return static_cast<char>('0' + std::clamp(step, kWeakest, kStrongest));
}

}  // namespace

std::size_t Rinex3Observations::FillEpochTable(const DataEpoch& epoch) {
  epochIds_.fill(0);
  std::size_t satellites = 0;
  for (std::uint32_t k = 0; k < epoch.satelliteCount; ++k) {
    const EpochSatellite& sat = set_.SatelliteOf(epoch, k);
    const int index = SatelliteIndex(sat.satelliteId);
    if (index < 0) continue;  // id 0, or no room in the table
    const auto i = static_cast<std::size_t>(index);
    // A satellite listed twice is written once: the count must match the list.
    if (epochIds_[i] == 0) ++satellites;
    epochIds_[i] = sat.satelliteId;
    auto& sets = epochSets_[i];
    for (SignalSlot& set : sets) set.signalFlags = 0;
    for (const SignalSlot& set : sat.sets) {
      const std::uint16_t flags = set.signalFlags;
      const SignalSet position = (flags & kFlagCaSet) != 0
                                     ? SignalSet::L1Ca
                                     : ((flags & kFlagL2Set) != 0 ? SignalSet::L2P : SignalSet::L1P);
      sets[static_cast<std::size_t>(position)] = set;
      if ((flags & kFlagAnotherSetFollows) == 0) break;
    }
  }
  return satellites;
}

void Rinex3Observations::Epoch(const DataEpoch& epoch) {
  const std::size_t satellites = FillEpochTable(epoch);
  if (satellites == 0) return;
  const std::uint64_t missing = gaps_.MissingBefore(epoch);
  if (settings_.statistics && missing > 0) WriteLostEpochs(missing);
  const int flag =
      (epoch.epochFlags & kEpochCycleSlip) != 0
          ? layout3::kFlagCycleSlips
          : ((epoch.epochFlags & kEpochPowerFailure) != 0 ? layout3::kFlagPowerFailure : layout3::kFlagOk);
  WriteEpochLine(epoch, flag, satellites, clockOffset_ && (epoch.epochFlags & kEpochClockOffset) != 0);
  for (std::size_t i = 0; i < kSatelliteIndexCount; ++i) {
    if (epochIds_[i] != 0) WriteSatellite(i);
  }
}

void Rinex3Observations::WriteEpochLine(const DataEpoch& epoch, int flag, std::size_t count, bool withClock) {
  constexpr int kSecondsWidth = 11;
  constexpr int kSecondsPrecision = 7;
  const CalendarParts p = SplitTime(epoch.seconds, epoch.nanoseconds);
  AppendFormat(lineBuffer_, layout3::kEpochValue, p.year, p.month, p.day, p.hour, p.minute);
  AppendFixed(lineBuffer_, p.seconds, kSecondsWidth, kSecondsPrecision);
  AppendFormat(lineBuffer_, layout3::kFlagCountValue, flag, static_cast<int>(count));
  if (withClock) {
    lineBuffer_ += layout3::kClockGap;
    AppendCanonicalClock(lineBuffer_, epoch.clockOffset);
  }
  EmitTrimmed();
}

void Rinex3Observations::WriteSpecialLine(int flag, int count) {
  AppendFormat(lineBuffer_, layout3::kSpecialRecordLine, flag, count);
  EmitTrimmed();
}

void Rinex3Observations::WriteLostEpochs(std::uint64_t missing) {
  WriteSpecialLine(layout3::kFlagHeaderInfo, 1);
  AppendFormat(lineBuffer_, layout3::kLostEpochsComment, static_cast<long long>(missing));
  EmitLabelled(layout3::kLabelComment);
}

void Rinex3Observations::WriteSatellite(std::size_t index) {
  const std::uint8_t id = epochIds_[index];
  AppendFormat(lineBuffer_, layout3::kSatelliteValue, SystemLetter(id), NumberOf(id));
  const auto& sets = epochSets_[index];
  for (const Type& type : types_[SystemAt(index)])
    AppendValue(type, sets[static_cast<std::size_t>(type.set)]);
  EmitTrimmed();
}

// One 16-column field: the value, loss of lock on phases, signal strength
// on codes and phases; blank throughout when the set has no such value.
void Rinex3Observations::AppendValue(const Type& type, const SignalSlot& set) {
  const std::uint16_t flags = set.signalFlags;
  double value = 0;
  char lossOfLock = ' ';
  char strength = ' ';
  switch (type.what) {
    case Observable::Code:
      if ((flags & kFlagPseudorange) == 0) return AppendMissingObservation(lineBuffer_);
      value = set.pseudorange;
      if (smoothing_ && (flags & kFlagSmoothing) != 0) value += set.smoothingCorrection;
      value = ReducedObservation(value);
      strength = StrengthIndicator(set);
      break;
    case Observable::Phase:
      if ((flags & kFlagCarrierPhase) == 0) return AppendMissingObservation(lineBuffer_);
      value = ReducedObservation(set.carrierPhase);
      lossOfLock = DigitOrBlank(flags & kLossOfLockMask);
      if (lossOfLock == '0') lossOfLock = ' ';
      strength = StrengthIndicator(set);
      break;
    case Observable::Doppler:
      // A copy of the C/A Doppler in the P set was not measured on P.
      if ((flags & kFlagDoppler) == 0 || (flags & kFlagDopplerCopied) != 0)
        return AppendMissingObservation(lineBuffer_);
      // Stored as the receiver gives it; RINEX counts approach as positive.
      value = -ReducedObservation(set.doppler);
      break;
    case Observable::Strength:
      if ((flags & kFlagCn0InStatus2) == 0) return AppendMissingObservation(lineBuffer_);
      value = Cn0DbHz(set);
      break;
  }
  char field[kObservationFieldWidth];
  if (PutObservation(field, value, lossOfLock, strength)) {
    MakeCanonical(field, kObservationWidth);
    lineBuffer_.append(field, kObservationFieldWidth);
    return;
  }
  AppendCanonicalObservation(lineBuffer_, value);
  lineBuffer_ += lossOfLock;
  lineBuffer_ += strength;
}

void Rinex3Observations::WriteEvent(const DataEvent& event) {
  constexpr std::uint16_t kTimeBaseMask = 0x0F;
  constexpr unsigned kUnknownPhrase = 4;
  const unsigned base = event.timeBase & kTimeBaseMask;
  const unsigned letter = base <= kTimeBaseUtcSu ? base : kUnknownPhrase;
  const unsigned phrase = event.converted ? kTimeBaseGps : letter;

  WriteSpecialLine(layout3::kFlagHeaderInfo, 2);
  lineBuffer_ = event.port == kPortA ? layout3::kEventXa : layout3::kEventXb;
  lineBuffer_ += layout3::kTimeBasePhrases[phrase];
  EmitLabelled(layout3::kLabelComment);
  const CalendarParts out = SplitTime(event.outSeconds, event.outNanoseconds);
  const CalendarParts recorded = SplitTime(event.seconds, event.nanoseconds);
  AppendFormat(lineBuffer_, layout3::kEventTimes, out.year % kCentury, out.month, out.day, out.hour,
               out.minute, out.seconds, layout3::kTimeBaseLetters[letter], recorded.year % kCentury,
               recorded.month, recorded.day, recorded.hour, recorded.minute, recorded.seconds);
  EmitLabelled(layout3::kLabelComment);
  if (phrase == kTimeBaseGps) {
    DataEpoch at;
    at.seconds = event.outSeconds;
    at.nanoseconds = event.outNanoseconds;
    WriteEpochLine(at, layout3::kFlagExternalEvent, 0, false);
  }
}

void Rinex3Observations::WriteOccupationChange(const DataOccup* occupation, const DataEpoch& first) {
  // The records that follow the event line, written first to count them.
  StringSink records;
  ByteSink* const out = out_;
  out_ = &records;
  int count = WriteMarkerName(occupation);
  count += WriteMarkerNumber(occupation);
  count += WriteAntennaDelta(AntennaDeltasOf(set_, set_.Profile(), occupation, nullptr));
  WriteSignature(&first);
  const bool kinematic = (first.epochFlags & kEpochDynamic) != 0;
  WriteLabelled(kinematic ? layout3::kKinematicComment : layout3::kNewSiteComment, layout3::kLabelComment);
  constexpr int kComments = 2;
  count += kComments;
  out_ = out;
  if (kinematic) {
    WriteEpochLine(first, layout3::kFlagMovingAntenna, 0, false);
    WriteSpecialLine(layout3::kFlagHeaderInfo, count);
  } else {
    WriteEpochLine(first, layout3::kFlagNewSite, static_cast<std::size_t>(count), false);
  }
  if (out_ != nullptr) out_->Write(records.Text());
}

}  // namespace qzr2rin
