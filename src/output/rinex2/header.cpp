// The observation header and the header records that occupations repeat.

#include <iostream>
#include <string>

#include "base/messages.h"
#include "base/process_flags.h"
#include "base/time_units.h"
#include "input/profile.h"
#include "output/calendar_parts.h"
#include "output/header_texts.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/layouts.h"
#include "output/rinex2/rinex.h"
#include "platform/clock.h"

namespace qzr2rin {

void TRinex::WriteHeader() {
  WriteVersion();
  WriteProgramLine();
  WriteBuildComment();
  WriteComments();
  WriteMarkerName(nullptr);
  WriteMarkerNumber(nullptr);
  WriteObserver();
  WriteReceiver();
  WriteAntenna();
  WritePosition();
  WriteAntennaDelta(nullptr);
  WriteWavelengths();
  WriteObservationTime(set_.Header().firstObservation, layout::kLabelFirstObs);
  WriteObservationTime(set_.Header().lastObservation, layout::kLabelLastObs);
  WriteInterval();
  WriteStatisticsComment();
  WriteLeapSeconds();
  WriteSatelliteCount();
  WriteTypes();
  WritePrnCounts();
  WriteCorrectionNotes();
  const std::span<const DataEpoch> epochs = set_.Epochs();
  WriteSignature(epochs.empty() ? nullptr : &epochs.front());
  WriteEndOfHeader();
}

void TRinex::WriteVersion() {
  const HeaderFacts& f = set_.Header();
  EmitText(f.gps && f.glonass ? layout::kVersionMixed
                              : (f.gps ? layout::kVersionGps : layout::kVersionGlonass));
}

// The profile's comment in pieces of a line each, then the input's name.
void TRinex::WriteComments() {
  for (const std::string& line : ProfileCommentLines(set_.Profile()))
    WriteLabelled(line, layout::kLabelComment);
  AppendFormat(lineBuffer_, layout::kInputNameValue, set_.Header().inputName.c_str());
  EmitLabelled(layout::kLabelComment);
}

void TRinex::WriteObserver() {
  AppendFormat(lineBuffer_, layout::kObserverValue,
               set_.Profile().GetString(MessageText(kMsgObserver), MessageText(kMsgObserver)).c_str(),
               set_.Profile().GetString(MessageText(kMsgAgency), MessageText(kMsgAgency)).c_str());
  EmitLabelled(layout::kLabelObserver);
}

void TRinex::WriteReceiver() {
  const HeaderFacts& f = set_.Header();
  AppendFormat(lineBuffer_, layout::kReceiverValue, f.receiverNumber.c_str(), f.receiverType.c_str(),
               f.receiverVersion.c_str());
  EmitLabelled(layout::kLabelReceiver);
}

void TRinex::WriteAntenna() {
  const AntennaTexts antenna = AntennaTextsOf(set_, set_.Profile());
  AppendFormat(lineBuffer_, layout::kAntennaValue, antenna.number.c_str(), antenna.type.c_str());
  EmitLabelled(layout::kLabelAntenna);
}

void TRinex::WritePosition() {
  AppendFormat(lineBuffer_, layout::kThreeMetresValue, approxPosition_[0], approxPosition_[1],
               approxPosition_[2]);
  EmitLabelled(layout::kLabelPosition);
}

// L2 has a factor only with P2, L2 or D2; S2 alone does not give one.
void TRinex::WriteWavelengths() {
  AppendFormat(lineBuffer_, layout::kWavelengthValue, 1, (setP2_ != 0 || setL2_ != 0 || setD2_ != 0) ? 1 : 0);
  EmitLabelled(layout::kLabelWavelength);
}

void TRinex::WriteObservationTime(const TGPSTimeNS& t, std::string_view label) {
  const CalendarParts p = SplitTime(t.seconds, t.nanoseconds);
  const std::string timeSystem(set_.Header().timeSystem);
  AppendFormat(lineBuffer_, layout::kObsTimeValue, p.year, p.month, p.day, p.hour, p.minute, p.seconds,
               timeSystem.c_str());
  EmitLabelled(label);
}

void TRinex::WriteInterval() {
  // Held in single precision, as the interval always was.
  const float interval = static_cast<float>(set_.Header().intervalMs * 0.001);
  AppendFormat(lineBuffer_, layout::kIntervalValue, static_cast<double>(interval));
  EmitLabelled(layout::kLabelInterval);
}

// The epochs the interval promises between the first and last written epoch,
// against those written.
void TRinex::WriteStatisticsComment() {
  const HeaderFacts& f = set_.Header();
  if (!statisticsEnabled_ || f.intervalMs == 0) return;
  const long long expected = WholeMsBetween(f.firstTime, f.lastTime) / f.intervalMs + 1;
  AppendFormat(lineBuffer_, layout::kStatisticsValue, expected, static_cast<long long>(epochCount_),
               expected - epochCount_);
  EmitLabelled(layout::kLabelComment);
}

void TRinex::WriteLeapSeconds() {
  const int leapSeconds = set_.Header().leapSeconds;
  if (leapSeconds == 0) return;
  AppendFormat(lineBuffer_, layout::kCountValue, leapSeconds);
  EmitLabelled(layout::kLabelLeapSeconds);
}

void TRinex::WriteSatelliteCount() {
  int satellites = 0;
  for (const bool seen : seen_) satellites += seen ? 1 : 0;
  AppendFormat(lineBuffer_, layout::kCountValue, satellites);
  EmitLabelled(layout::kLabelSatellites);
}

void TRinex::WriteTypes() {
  AppendFormat(lineBuffer_, layout::kCountValue, typeCount_);
  for (int t = 0; t < typeCount_; ++t)
    lineBuffer_ += layout::kTypeNames[types_[static_cast<std::size_t>(t)].name];
  EmitLabelled(layout::kLabelTypes);
}

void TRinex::WritePrnCounts() {
  for (int index = 0; index < static_cast<int>(kSatelliteIndexCount); ++index) {
    if (!seen_[static_cast<std::size_t>(index)]) continue;
    AppendFormat(lineBuffer_, layout::kPrnValue, IndexLetter(index), IndexNumber(index));
    for (int t = 0; t < typeCount_; ++t) {
      AppendFormat(lineBuffer_, layout::kCountValue,
                   obsCount_[static_cast<std::size_t>(index)][types_[static_cast<std::size_t>(t)].count]);
    }
    EmitLabelled(layout::kLabelPrnObs);
  }
}

// The clock offset the epoch lines carry is not applied to the values (0);
// smoothed pseudoranges are.
void TRinex::WriteCorrectionNotes() {
  if (Flags().clockOffset) EmitText(layout::kClockOffsetApplied);
  if (smoothing_) EmitText(layout::kSmoothedComment);
}

void TRinex::WriteEndOfHeader() { EmitText(layout::kEndOfHeader); }

void TRinex::WriteProgramLine() {
  const platform::CalendarTime now = platform::WallClockNow();
  AppendFormat(lineBuffer_, layout::kProgramValue, std::string(MessageText(kMsgProgramName)).c_str(),
               set_.Profile().GetString(MessageText(kMsgRunBy), MessageText(kMsgRunBy)).c_str(), now.day,
               std::string(MonthAbbreviation(now.month)).c_str(), TwoDigitYear(now.year), now.hour,
               now.minute);
  EmitLabelled(layout::kLabelProgram);
}

void TRinex::WriteBuildComment() {
  AppendFormat(lineBuffer_, layout::kBuildValue, std::string(MessageText(kMsgBuild)).c_str(),
               std::string(MessageText(kMsgNotice)).c_str());
  EmitLabelled(layout::kLabelComment);
}

void TRinex::WriteMarkerName(const DataOccup* occupation) {
  WriteLabelled(set_.MarkerNameOf(occupation), layout::kLabelMarkerName);
}

void TRinex::WriteMarkerNumber(const DataOccup* occupation) {
  WriteLabelled(set_.MarkerNumberOf(occupation), layout::kLabelMarkerNumber);
}

AntennaDeltas TRinex::DeltasOf(const DataOccup* occupation) const {
  // Said once, with the file's own header; a new site's repeat of the record
  // ignores the value silently.
  return AntennaDeltasOf(set_, set_.Profile(), occupation, occupation == nullptr ? &std::cerr : nullptr);
}

void TRinex::WriteAntennaDelta(const DataOccup* occupation) { WriteAntennaDelta(DeltasOf(occupation)); }

void TRinex::WriteAntennaDelta(const AntennaDeltas& deltas) {
  AppendFormat(lineBuffer_, layout::kThreeMetresValue, deltas.h, deltas.e, deltas.n);
  EmitLabelled(layout::kLabelAntennaDelta);
  if (deltas.slant) WriteLabelled(layout::kSlantComment, layout::kLabelComment);
}

void TRinex::WriteSignature(const DataEpoch* epoch) {
  AppendFormat(lineBuffer_, layout::kSignatureValue, SignatureOf(set_, epoch));
  EmitLabelled(layout::kLabelComment);
}

}  // namespace qzr2rin
