// The observation header and the header records that occupations repeat.

#include <iostream>
#include <string>

#include "base/messages.h"
#include "base/process_flags.h"
#include "base/time_units.h"
#include "decoders/identification.h"
#include "output/rinex2/calendar_parts.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/layouts.h"
#include "output/rinex2/rinex.h"
#include "output/rinex2/signature.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kKeyDeltaH = "ANT DELTA H";
constexpr std::string_view kKeyDeltaE = "ANT DELTA E";
constexpr std::string_view kKeyDeltaN = "ANT DELTA N";
// The F14.4 of each delta in layout::kThreeMetresValue.
constexpr int kDeltaWidth = 14;
constexpr int kDeltaPrecision = 4;

constexpr std::string_view kDefaultComment =
    "Use -p (profile) switch to override ANTENNA TYPE and DELTA and other fields";

// A profile number replaces a value only when it is not 0, and only when it
// fits the header's F14.4 field: a wider one would shift every column after
// it, so it counts as not given, and `warnings` hears of it.
double Override(const TProfile& profile, std::string_view key, double own, std::ostream* warnings) {
  const std::string text = profile.GetString(key, "");
  const double value = ProfileNumber(text);
  if (value == 0) return own;
  std::string field;
  AppendFixed(field, value, kDeltaWidth, kDeltaPrecision);
  if (field.size() > static_cast<std::size_t>(kDeltaWidth)) {
    if (warnings != nullptr) {
      *warnings << "Profile value " << key << " = " << text << " does not fit its field; ignored\n"
                << std::flush;
    }
    return own;
  }
  return value;
}

}  // namespace

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
  std::string comment = profile_.GetString(MessageText(kMsgComment), kDefaultComment);
  if (comment.size() > layout::kCommentLimit) comment.resize(layout::kCommentLimit);
  for (std::size_t at = 0; at < comment.size(); at += layout::kCommentPiece) {
    WriteLabelled(std::string_view(comment).substr(at, layout::kCommentPiece), layout::kLabelComment);
  }
  AppendFormat(lineBuffer_, layout::kInputNameValue, set_.Header().inputName.c_str());
  EmitLabelled(layout::kLabelComment);
}

void TRinex::WriteObserver() {
  AppendFormat(lineBuffer_, layout::kObserverValue,
               profile_.GetString(MessageText(kMsgObserver), MessageText(kMsgObserver)).c_str(),
               profile_.GetString(MessageText(kMsgAgency), MessageText(kMsgAgency)).c_str());
  EmitLabelled(layout::kLabelObserver);
}

void TRinex::WriteReceiver() {
  const HeaderFacts& f = set_.Header();
  AppendFormat(lineBuffer_, layout::kReceiverValue, f.receiverNumber.c_str(), f.receiverType.c_str(),
               f.receiverVersion.c_str());
  EmitLabelled(layout::kLabelReceiver);
}

// A profile's antenna number and type replace the log's when not empty.
void TRinex::WriteAntenna() {
  const HeaderFacts& f = set_.Header();
  std::string antennaNumber = profile_.GetString(MessageText(kMsgAntennaNumber), "");
  if (antennaNumber.empty()) antennaNumber = f.antennaNumber;
  std::string antennaType = profile_.GetString(MessageText(kMsgAntennaType), "");
  if (antennaType.empty()) antennaType = f.antennaType;
  AppendFormat(lineBuffer_, layout::kAntennaValue, antennaNumber.c_str(), antennaType.c_str());
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
               profile_.GetString(MessageText(kMsgRunBy), MessageText(kMsgRunBy)).c_str(), now.day,
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

TRinex::AntennaDeltas TRinex::DeltasOf(const DataOccup* occupation) const {
  const AntennaBlock block = set_.AntennaBlockOf(occupation);
  AntennaDeltas d;
  // Said once, with the file's own header; a new site's repeat of the record
  // ignores the value silently.
  std::ostream* warnings = occupation == nullptr ? &std::cerr : nullptr;
  d.h = Override(profile_, kKeyDeltaH, block.deltaH, warnings);
  d.e = Override(profile_, kKeyDeltaE, block.deltaE, warnings);
  d.n = Override(profile_, kKeyDeltaN, block.deltaN, warnings);
  d.slant = (block.heightFlags & kHeightSlant) != 0 && d.h != 0;
  return d;
}

void TRinex::WriteAntennaDelta(const DataOccup* occupation) { WriteAntennaDelta(DeltasOf(occupation)); }

void TRinex::WriteAntennaDelta(const AntennaDeltas& deltas) {
  AppendFormat(lineBuffer_, layout::kThreeMetresValue, deltas.h, deltas.e, deltas.n);
  EmitLabelled(layout::kLabelAntennaDelta);
  if (deltas.slant) WriteLabelled(layout::kSlantComment, layout::kLabelComment);
}

void TRinex::WriteSignature(const DataEpoch* epoch) {
  const DataOccup* occupation = epoch != nullptr ? epoch->occupation : set_.EndOccupation();
  std::uint32_t signature = 0;
  if (occupation != nullptr && (occupation->occupationFlags & kOccupationAuthenticated) != 0) {
    signature =
        DataSignature(ReceiverIdHash(set_.Header().receiverNumber), epoch != nullptr ? epoch->seconds : 0,
                      epoch != nullptr ? epoch->nanoseconds : 0);
  }
  AppendFormat(lineBuffer_, layout::kSignatureValue, signature);
  EmitLabelled(layout::kLabelComment);
}

}  // namespace qzr2rin
