// The observation header and the header records that occupations repeat.

#include <iostream>
#include <span>
#include <string>

#include "base/gps_week.h"
#include "base/messages.h"
#include "output/calendar_parts.h"
#include "output/rinex2/fields.h"
#include "output/rinex3/layouts.h"
#include "output/rinex3/rinex3.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

constexpr std::array<char, Rinex3Observations::kSystems> kSystemLetters = {'G', 'R', 'S'};

}  // namespace

void Rinex3Observations::WriteHeader() {
  WriteVersion();
  WriteProgramLine();
  WriteComments();
  WriteMarker();
  WriteObserverReceiverAntenna();
  WritePosition();
  WriteAntennaDelta(AntennaDeltasOf(set_, set_.Profile(), nullptr, &std::cerr));
  WriteTypes();
  WriteTimesAndInterval();
  WritePhaseShifts();
  WriteGlonassRecords();
  WriteLeapSeconds();
  WriteSatelliteCounts();
  WriteLabelled("", layout3::kLabelEnd);
}

// One letter when the file holds one system's satellites, M otherwise; a
// file without epochs goes by the systems the log showed.
char ObservationSystemLetter(const ObservationSet& set, const SatellitesSeen& seen, bool anyEpoch) {
  using System = Rinex3Observations::SystemIndex;
  std::array<bool, Rinex3Observations::kSystems> present{};
  for (std::size_t i = 0; i < kSatelliteIndexCount; ++i) {
    if (seen[i]) present[Rinex3Observations::SystemAt(i)] = true;
  }
  if (!anyEpoch) {
    const HeaderFacts& f = set.Header();
    present = {f.gps, f.glonass, f.geo};
  }
  int systems = 0;
  char letter = 'M';
  for (std::size_t s = 0; s < Rinex3Observations::kSystems; ++s) {
    if (!present[s]) continue;
    ++systems;
    letter = kSystemLetters[static_cast<System>(s)];
  }
  return systems == 1 ? letter : 'M';
}

void Rinex3Observations::WriteVersion() {
  AppendFormat(lineBuffer_, layout3::kVersionValue, settings_.version.c_str(),
               ObservationSystemLetter(set_, seen_, epochCount_ != 0));
  EmitLabelled(layout3::kLabelVersion);
}

void Rinex3Observations::WriteProgramLine() {
  platform::CalendarTime now;
  if (!platform::ToUtc(platform::NowUnixSeconds(), now)) now = platform::CalendarTime{};
  AppendFormat(lineBuffer_, layout3::kProgramValue, std::string(MessageText(kMsgProgramName)).c_str(),
               set_.Profile().GetString(MessageText(kMsgRunBy), MessageText(kMsgRunBy)).c_str(), now.year,
               now.month, now.day, now.hour, now.minute, now.second);
  EmitLabelled(layout3::kLabelProgram);
}

// The 2.10 file's comments: build, the profile's comment, the input's name,
// the epoch statistics (-e), smoothing (-~) and the data signature.
void Rinex3Observations::WriteComments() {
  AppendFormat(lineBuffer_, layout3::kBuildValue, std::string(MessageText(kMsgBuild)).c_str(),
               std::string(MessageText(kMsgNotice)).c_str());
  EmitLabelled(layout3::kLabelComment);
  for (const std::string& line : ProfileCommentLines(set_.Profile()))
    WriteLabelled(line, layout3::kLabelComment);
  AppendFormat(lineBuffer_, layout3::kInputNameValue, set_.Header().inputName.c_str());
  EmitLabelled(layout3::kLabelComment);
  const HeaderFacts& f = set_.Header();
  if (settings_.statistics && f.intervalMs != 0) {
    const long long expected = WholeMsBetween(f.firstTime, f.lastTime) / f.intervalMs + 1;
    AppendFormat(lineBuffer_, layout3::kStatisticsValue, expected, static_cast<long long>(epochCount_),
                 expected - epochCount_);
    EmitLabelled(layout3::kLabelComment);
  }
  if (smoothing_) WriteLabelled(layout3::kSmoothedComment, layout3::kLabelComment);
  const std::span<const DataEpoch> epochs = set_.Epochs();
  WriteSignature(epochs.empty() ? nullptr : &epochs.front());
}

void Rinex3Observations::WriteMarker() {
  WriteMarkerName(nullptr);
  WriteMarkerNumber(nullptr);
  WriteLabelled(settings_.markerType, layout3::kLabelMarkerType);
}

void Rinex3Observations::WriteObserverReceiverAntenna() {
  const TProfile& profile = set_.Profile();
  AppendFormat(lineBuffer_, layout3::kObserverValue,
               profile.GetString(MessageText(kMsgObserver), MessageText(kMsgObserver)).c_str(),
               profile.GetString(MessageText(kMsgAgency), MessageText(kMsgAgency)).c_str());
  EmitLabelled(layout3::kLabelObserver);
  const HeaderFacts& f = set_.Header();
  AppendFormat(lineBuffer_, layout3::kReceiverValue, f.receiverNumber.c_str(), f.receiverType.c_str(),
               f.receiverVersion.c_str());
  EmitLabelled(layout3::kLabelReceiver);
  const AntennaTexts antenna = AntennaTextsOf(set_, profile);
  AppendFormat(lineBuffer_, layout3::kAntennaValue, antenna.number.c_str(), antenna.type.c_str());
  EmitLabelled(layout3::kLabelAntenna);
}

void Rinex3Observations::WritePosition() {
  AppendFormat(lineBuffer_, layout3::kThreeMetresValue, approxPosition_[0], approxPosition_[1],
               approxPosition_[2]);
  EmitLabelled(layout3::kLabelPosition);
}

void Rinex3Observations::WriteTypes() {
  bool strength = false;
  for (std::size_t s = 0; s < kSystems; ++s) {
    const std::vector<Type>& types = types_[s];
    if (types.empty()) continue;
    AppendFormat(lineBuffer_, layout3::kTypesValue, kSystemLetters[s], static_cast<int>(types.size()));
    for (std::size_t t = 0; t < types.size(); ++t) {
      if (t != 0 && t % layout3::kTypesPerLine == 0) {
        EmitLabelled(layout3::kLabelTypes);
        lineBuffer_ = layout3::kTypesIndent;
      }
      lineBuffer_ += ' ';
      lineBuffer_ += types[t].code;
      strength = strength || types[t].what == Observable::Strength;
    }
    EmitLabelled(layout3::kLabelTypes);
  }
  if (strength) WriteLabelled(layout3::kStrengthUnit, layout3::kLabelStrengthUnit);
}

void Rinex3Observations::WriteTimesAndInterval() {
  const HeaderFacts& f = set_.Header();
  if (f.intervalMs != 0) {
    // Held in single precision, as the 2.10 header holds it.
    const float interval = static_cast<float>(f.intervalMs * 0.001);
    AppendFormat(lineBuffer_, layout3::kIntervalValue, static_cast<double>(interval));
    EmitLabelled(layout3::kLabelInterval);
  }
  const std::string timeSystem(f.timeSystem);
  const auto time = [&](const TGPSTimeNS& t, std::string_view label) {
    const CalendarParts p = SplitTime(t.seconds, t.nanoseconds);
    AppendFormat(lineBuffer_, layout3::kObsTimeValue, p.year, p.month, p.day, p.hour, p.minute, p.seconds,
                 timeSystem.c_str());
    EmitLabelled(label);
  };
  time(f.firstObservation, layout3::kLabelFirstObs);
  time(f.lastObservation, layout3::kLabelLastObs);
  // The clock offset the epoch lines carry is not applied to the values.
  if (clockOffset_) {
    AppendFormat(lineBuffer_, layout3::kCountValue, 0);
    EmitLabelled(layout3::kLabelClockApplied);
  }
}

// Whether the phases of one signal are aligned with another's is not known:
// every phase type is listed without a correction.
void Rinex3Observations::WritePhaseShifts() {
  for (std::size_t s = 0; s < kSystems; ++s) {
    for (const Type& type : types_[s]) {
      if (type.what != Observable::Phase) continue;
      AppendFormat(lineBuffer_, layout3::kPhaseShiftValue, kSystemLetters[s], std::string(type.code).c_str());
      EmitLabelled(layout3::kLabelPhaseShift);
    }
  }
}

void Rinex3Observations::WriteGlonassRecords() {
  if (types_[kGlonass].empty()) return;
  const std::vector<std::pair<int, int>> slots = GlonassSlotChannels(set_);
  AppendFormat(lineBuffer_, layout3::kSlotCountValue, static_cast<int>(slots.size()));
  for (std::size_t k = 0; k < slots.size(); ++k) {
    if (k != 0 && k % layout3::kSlotsPerLine == 0) {
      EmitLabelled(layout3::kLabelGlonassSlots);
      lineBuffer_ = layout3::kSlotIndent;
    }
    AppendFormat(lineBuffer_, layout3::kSlotValue, slots[k].first, slots[k].second);
  }
  EmitLabelled(layout3::kLabelGlonassSlots);
  WriteLabelled(layout3::kGlonassBiasesValue, layout3::kLabelGlonassBiases);
}

// The week of the leap second as a full week: the one nearest the UTC
// reference week.
void Rinex3Observations::WriteLeapSeconds() {
  if (!set_.Header().gpsUtc.present) return;
  const UtcRelation& u = set_.Header().gpsUtc.utc;
  const std::int64_t week = WidenLeapSecondWeek(u.wnlsf, WidenReceiverWeek(u.wnt));
  AppendFormat(lineBuffer_, layout3::kLeapSecondsValue, u.dtls, u.dtlsf, static_cast<int>(week), u.dn);
  EmitLabelled(layout3::kLabelLeapSeconds);
}

void Rinex3Observations::WriteSatelliteCounts() {
  int satellites = 0;
  for (const bool seen : seen_) satellites += seen ? 1 : 0;
  AppendFormat(lineBuffer_, layout3::kCountValue, satellites);
  EmitLabelled(layout3::kLabelSatellites);
  for (std::size_t i = 0; i < kSatelliteIndexCount; ++i) {
    if (!seen_[i]) continue;
    const int index = static_cast<int>(i);
    const std::vector<Type>& types = types_[SystemAt(i)];
    AppendFormat(lineBuffer_, layout3::kPrnValue, IndexLetter(index), IndexNumber(index));
    for (std::size_t t = 0; t < types.size(); ++t) {
      if (t != 0 && t % layout3::kCountsPerLine == 0) {
        EmitLabelled(layout3::kLabelPrnObs);
        lineBuffer_ = layout3::kPrnIndent;
      }
      AppendFormat(
          lineBuffer_, layout3::kCountValue,
          counts_[i][static_cast<std::size_t>(types[t].set)][static_cast<std::size_t>(types[t].what)]);
    }
    EmitLabelled(layout3::kLabelPrnObs);
  }
}

int Rinex3Observations::WriteMarkerName(const DataOccup* occupation) {
  WriteLabelled(set_.MarkerNameOf(occupation), layout3::kLabelMarkerName);
  return 1;
}

int Rinex3Observations::WriteMarkerNumber(const DataOccup* occupation) {
  const std::string& number = set_.MarkerNumberOf(occupation);
  if (number.empty()) return 0;
  WriteLabelled(number, layout3::kLabelMarkerNumber);
  return 1;
}

int Rinex3Observations::WriteAntennaDelta(const AntennaDeltas& deltas) {
  AppendFormat(lineBuffer_, layout3::kThreeMetresValue, deltas.h, deltas.e, deltas.n);
  EmitLabelled(layout3::kLabelAntennaDelta);
  if (!deltas.slant) return 1;
  WriteLabelled(layout3::kSlantComment, layout3::kLabelComment);
  return 2;
}

void Rinex3Observations::WriteSignature(const DataEpoch* epoch) {
  AppendFormat(lineBuffer_, layout3::kSignatureValue, SignatureOf(set_, epoch));
  EmitLabelled(layout3::kLabelComment);
}

}  // namespace qzr2rin
