// The data section: epoch records, external events, occupation changes and
// lost-epoch records.

#include <cmath>
#include <cstring>
#include <string_view>

#include "base/time_units.h"
#include "output/calendar_parts.h"
#include "output/observation_values.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/layouts.h"
#include "output/rinex2/rinex.h"

namespace qzr2rin {
namespace {

constexpr std::uint16_t kLossOfLockMask = 0x07;
constexpr std::uint16_t kStatus1Digit = 0x20;

// Signal-strength digit of a carrier phase: 1 below 20 dB-Hz, then one step
// per 5 dB-Hz, 9 from 55 dB-Hz up.
char StrengthDigit(const SignalSlot& set) {
  const unsigned cn0 = (set.signalFlags & kFlagCn0QuarterUnits) != 0 ? (set.status2 + 2u) / 4 : set.status2;
  constexpr unsigned kWeakest = 20;    // dB-Hz of digit 2
  constexpr unsigned kStrongest = 60;  // dB-Hz of digit 9 and up
  constexpr unsigned kStep = 5;
  if (cn0 < kWeakest) return '1';
  if (cn0 >= kStrongest) return '9';
  return static_cast<char>('0' + (cn0 - kWeakest) / kStep + 2);
}

void AppendEntry(std::string& line, std::uint8_t satelliteId) {
  const int n = NumberOf(satelliteId);
  line += SystemLetter(satelliteId);
  line += n < 10 ? ' ' : static_cast<char>('0' + n / 10);
  line += static_cast<char>('0' + n % 10);
}

void AppendTimeFields(std::string& line, const char* layout, std::uint32_t seconds, std::uint32_t nanoseconds,
                      int flag, int count) {
  const CalendarParts p = SplitTime(seconds, nanoseconds);
  AppendFormat(line, layout, TwoDigitYear(p.year), p.month, p.day, p.hour, p.minute, p.seconds, flag, count);
}

}  // namespace

std::size_t TRinex::FillEpochTable(const DataEpoch& epoch) {
  epochIds_.fill(0);
  std::size_t satellites = 0;
  for (std::uint32_t k = 0; k < epoch.satelliteCount; ++k) {
    const EpochSatellite* sat = &set_.SatelliteOf(epoch, k);
    const int index = SatelliteIndex(sat->satelliteId);
    if (index < 0) continue;  // id 0, or no room in the table
    const auto i = static_cast<std::size_t>(index);
    // A satellite listed twice is written once: the count must match the list.
    if (epochIds_[i] == 0) ++satellites;
    epochIds_[i] = sat->satelliteId;
    auto& sets = epochSets_[i];
    for (SignalSlot& set : sets) set.signalFlags = 0;
    for (const SignalSlot& set : sat->sets) {
      const std::uint16_t flags = set.signalFlags;
      const int position = (flags & kFlagCaSet) != 0 ? kSetCa : ((flags & kFlagL2Set) != 0 ? kSetL2 : kSetP1);
      sets[static_cast<std::size_t>(position - 1)] = set;
      if ((flags & kFlagAnotherSetFollows) == 0) break;
    }
  }
  return satellites;
}

void TRinex::WriteEpoch(const DataEpoch& epoch, std::size_t satellites) {
  const std::uint64_t missing = gaps_.MissingBefore(epoch);
  if (statisticsEnabled_ && missing > 0) WriteLostEpochs(missing);

  const int flag =
      (epoch.epochFlags & kEpochCycleSlip) != 0
          ? layout::kFlagCycleSlips
          : ((epoch.epochFlags & kEpochPowerFailure) != 0 ? layout::kFlagPowerFailure : layout::kFlagOk);
  const bool withClock = (epoch.epochFlags & kEpochClockOffset) != 0;
  // The layout of layout::kEpochLine, without printf.
  const CalendarParts p = SplitTime(epoch.seconds, epoch.nanoseconds);
  AppendEpochFields(lineBuffer_, TwoDigitYear(p.year), p.month, p.day, p.hour, p.minute, p.seconds, flag,
                    static_cast<int>(satellites));
  std::size_t onLine = 0;
  bool firstLine = true;
  for (const std::uint8_t id : epochIds_) {
    if (id == 0) continue;
    AppendEntry(lineBuffer_, id);
    if (++onLine == layout::kEntriesPerLine) {
      if (firstLine && withClock) AppendFormat(lineBuffer_, layout::kClockOffset, epoch.clockOffset);
      lineBuffer_ += '\n';
      Emit();
      lineBuffer_ += layout::kContinuationIndent;
      onLine = 0;
      firstLine = false;
    }
  }
  if (onLine > 0) {
    for (; onLine < layout::kEntriesPerLine; ++onLine) lineBuffer_ += layout::kMissingEntry;
    if (firstLine && withClock) AppendFormat(lineBuffer_, layout::kClockOffset, epoch.clockOffset);
    lineBuffer_ += '\n';
    Emit();
  }
  lineBuffer_.clear();

  for (std::size_t i = 0; i < kSatelliteIndexCount; ++i) {
    if (epochIds_[i] != 0) WriteObservations(static_cast<int>(i));
  }
}

void TRinex::WriteLostEpochs(std::uint64_t missing) {
  AppendFormat(lineBuffer_, layout::kSpecialRecordLine, layout::kFlagHeaderInfo, 1);
  Emit();
  AppendFormat(lineBuffer_, layout::kLostEpochsComment, static_cast<long long>(missing));
  EmitLabelled(layout::kLabelComment);
}

TRinex::Field TRinex::FieldOf(const PresentType& type, const SignalSlot& set) const {
  const std::uint16_t flags = set.signalFlags;
  switch (type.kind) {
    case Kind::Pseudorange: {
      if ((flags & kFlagPseudorange) == 0) return {};
      double range = set.pseudorange;
      if (smoothing_ && (flags & kFlagSmoothing) != 0) range += set.smoothingCorrection;
      return {true, ReducedObservation(range), (flags & kFlagAntiSpoofing) != 0 ? '4' : ' ',
              (flags & kStatus1Digit) != 0 ? DigitOrBlank(set.status1) : ' '};
    }
    case Kind::Phase: {
      if ((flags & kFlagCarrierPhase) == 0) return {};
      const unsigned lossOfLock = flags & kLossOfLockMask;
      return {true, ReducedObservation(set.carrierPhase), lossOfLock != 0 ? DigitOrBlank(lossOfLock) : ' ',
              (flags & kFlagCn0InStatus2) != 0 ? StrengthDigit(set) : ' '};
    }
    case Kind::Doppler:
      // Stored as the receiver gives it; RINEX counts approach as positive.
      if ((flags & kFlagDoppler) == 0) return {};
      return {true, -ReducedObservation(set.doppler), ' ', ' '};
    case Kind::Strength:
      if ((flags & kFlagCn0InStatus2) == 0) return {};
      return {true, Cn0DbHz(set), ' ', ' '};
  }
  return {};
}

void TRinex::WriteObservations(int index) {
  const auto& sets = epochSets_[static_cast<std::size_t>(index)];
  // Composed in place, a whole field at a time; a line with a value too
  // wide for its columns is composed in the line buffer instead.
  char text[layout::kFieldsPerLine * kObservationFieldWidth + 1];
  std::size_t used = 0;
  bool wide = false;
  const auto put = [&](double value, char lossOfLock, char strength) {
    if (!wide && PutObservation(text + used, value, lossOfLock, strength)) {
      used += kObservationFieldWidth;
      return;
    }
    if (!wide) {
      lineBuffer_.assign(text, used);
      wide = true;
    }
    AppendObservation(lineBuffer_, value, lossOfLock, strength);
  };
  const auto missing = [&] {
    if (wide) {
      AppendMissingObservation(lineBuffer_);
    } else {
      std::memset(text + used, ' ', kObservationFieldWidth);
      used += kObservationFieldWidth;
    }
  };
  const auto endLine = [&] {
    if (wide) {
      lineBuffer_ += '\n';
      Emit();
      wide = false;
    } else {
      text[used++] = '\n';
      EmitText(std::string_view(text, used));
    }
    used = 0;
  };

  std::size_t onLine = 0;
  for (int t = 0; t < typeCount_; ++t) {
    const PresentType& type = types_[static_cast<std::size_t>(t)];
    const Field field = FieldOf(type, sets[type.set - 1u]);
    if (field.present) {
      put(field.value, field.lossOfLock, field.strength);
    } else {
      missing();
    }
    if (++onLine == layout::kFieldsPerLine) {
      endLine();
      onLine = 0;
    }
  }
  if (onLine > 0) endLine();
}

void TRinex::WriteEvent(const DataEvent& event) {
  constexpr std::uint16_t kTimeBaseMask = 0x0F;
  constexpr unsigned kUnknownPhrase = 4;
  const unsigned base = event.timeBase & kTimeBaseMask;
  const unsigned letter = base <= kTimeBaseUtcSu ? base : kUnknownPhrase;
  const unsigned phrase = event.converted ? kTimeBaseGps : letter;

  AppendFormat(lineBuffer_, layout::kSpecialRecordLine, layout::kFlagHeaderInfo, 2);
  Emit();
  lineBuffer_ = event.port == kPortA ? layout::kEventXa : layout::kEventXb;
  lineBuffer_ += layout::kTimeBasePhrases[phrase];
  EmitLabelled(layout::kLabelComment);
  const CalendarParts out = SplitTime(event.outSeconds, event.outNanoseconds);
  const CalendarParts recorded = SplitTime(event.seconds, event.nanoseconds);
  AppendFormat(lineBuffer_, layout::kEventTimes, TwoDigitYear(out.year), out.month, out.day, out.hour,
               out.minute, out.seconds, layout::kTimeBaseLetters[letter], TwoDigitYear(recorded.year),
               recorded.month, recorded.day, recorded.hour, recorded.minute, recorded.seconds);
  EmitLabelled(layout::kLabelComment);
  if (phrase == kTimeBaseGps) {
    AppendTimeFields(lineBuffer_, layout::kEventEpochLine, event.outSeconds, event.outNanoseconds,
                     layout::kFlagExternalEvent, 0);
    Emit();
  }
}

void TRinex::WriteOccupationChange(const DataOccup* occupation, const DataEpoch& first) {
  // The count is the number of lines that follow the record's own line.
  constexpr int kHeaderRecords = 5;
  const AntennaDeltas deltas = DeltasOf(occupation);
  const int count = kHeaderRecords + (deltas.slant ? 1 : 0);
  const bool kinematic = (first.epochFlags & kEpochDynamic) != 0;
  if (kinematic) {
    AppendTimeFields(lineBuffer_, layout::kEventEpochLine, first.seconds, first.nanoseconds,
                     layout::kFlagMovingAntenna, 0);
    Emit();
    AppendFormat(lineBuffer_, layout::kSpecialRecordLine, layout::kFlagHeaderInfo, count);
    Emit();
  } else {
    const CalendarParts p = SplitTime(first.seconds, first.nanoseconds);
    AppendFormat(lineBuffer_, layout::kNewSiteLine, TwoDigitYear(p.year), p.month, p.day, p.hour, p.minute,
                 p.seconds, count);
    Emit();
  }
  WriteMarkerName(occupation);
  WriteMarkerNumber(occupation);
  WriteAntennaDelta(deltas);
  WriteSignature(&first);
  EmitText(kinematic ? layout::kKinematicComment : layout::kNewSiteComment);
}

}  // namespace qzr2rin
