#include "decoders/events.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/time_units.h"
#include "decoders/epoch_completion.h"
#include "decoders/occupations.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

// [==]: time, type, a five-character tag, the value text, the checksum.
constexpr std::size_t kEventTimeOffset = 0;
constexpr std::size_t kEventTypeOffset = 4;
constexpr std::size_t kTagOffset = 5;
constexpr std::size_t kTagLength = 5;
constexpr std::size_t kValueOffset = kTagOffset + kTagLength;
constexpr std::size_t kChecksumLength = 1;
constexpr std::size_t kUserEventLength = 6;  // time and type
constexpr std::size_t kUserTextLength = 12;  // and a tag with at least one value character
constexpr std::uint8_t kUserTextType = 0;
// The mode words decide only on bodies long enough to hold them; a shorter
// value is taken as static.
constexpr std::size_t kDynamicBodyLength = 18;
constexpr std::size_t kStaticBodyLength = 17;

constexpr std::string_view kSiteTag = "_SIT=";
constexpr std::string_view kModeTag = "_DYM=";
constexpr std::string_view kHeightTag = "_ANH=";
constexpr std::string_view kAntennaTag = "_ANT=";
constexpr std::string_view kSaveTag = "_SAV=";
constexpr std::string_view kCancelTag = "_CAN=";
constexpr std::string_view kFeatureTag = "_FEA=";
constexpr std::string_view kDescriptionTag = "_DSC=";
constexpr std::string_view kDynamicWord = "DYNAMIC";
constexpr std::string_view kStaticWord = "STATIC";

constexpr std::size_t kSiteNameLength = 60;
constexpr std::size_t kAntennaTextLength = 20;
constexpr std::string_view kUnknownAntennaText = "-Unknown-";
constexpr float kResetAntennaFactor = 20.0f;
// Two heights this close are the same height.
constexpr double kSameHeight = 1e-6;

// [XA] and [XB]: milliseconds of day, nanoseconds, time base, checksum; a
// 9-byte body has no time base.
constexpr std::size_t kExternalMsOffset = 0;
constexpr std::size_t kExternalNsOffset = 4;
constexpr std::size_t kExternalBaseOffset = 8;
constexpr std::size_t kExternalEventLength = 9;
constexpr std::size_t kExternalWithBaseLength = 10;

constexpr std::uint16_t kTimeBaseMask = 0x0F;
// GPS-UTC is tens of seconds; a larger result comes from damaged parameters.
constexpr double kLargestTimeDifference = kSecondsPerDay;
// The leap-second window of IS-GPS-200: from six hours before to six hours
// after the end of day DN, in days from the start of week WN_LSF.
constexpr double kWindowOpens = 0.75;
constexpr double kWindowCloses = 1.25;

constexpr char kTimeLayout[] = "Time (ms) = %u = %uh%um%u.%us";
constexpr std::string_view kUserEventText = "User event = ";
constexpr std::string_view kIgnoreEventText = "Ignore Event";
constexpr std::string_view kDeleteOccupationText = "Delete  Occupation";
constexpr char kHeightLayout[] = "flags = %d; offset = %f";
constexpr std::string_view kNoDayText = "No day";
constexpr char kExternalLayout[] = "ms = %u; ns = %u";
constexpr std::string_view kUnknownBaseText = "; base = Unknown";
constexpr char kBaseLayout[] = "; base = %u";

void DumpLine(DumpLog& log, std::string_view text) {
  if (!log.Enabled()) return;
  log.Write(text);
  log.EndLine();
}

std::string_view Chars(Body bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// A value as a stored text: it ends at a zero byte, as a receiver's text
// does, and is cut to the field's length.
std::string StoredText(std::string_view value, std::size_t length) {
  return std::string(value.substr(0, std::min(value.find('\0'), length)));
}

// The decimal number at the start of the text (after blanks), and the
// position after it. False when there is none or it is not finite.
bool ParseHeight(std::string_view text, float& value, std::size_t& end) {
  std::size_t at = text.find_first_not_of(' ');
  if (at == std::string_view::npos) return false;
  bool negative = false;
  if (text[at] == '+' || text[at] == '-') {
    negative = text[at] == '-';
    ++at;
  }
  // from_chars takes no sign of its own here: "--1" is not a number.
  if (at >= text.size() || text[at] == '+' || text[at] == '-') return false;
  const char* first = text.data() + at;
  const char* last = text.data() + text.size();
  float parsed = 0;
  const auto [stop, error] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (error != std::errc{} || !std::isfinite(parsed)) return false;
  value = negative ? -parsed : parsed;
  end = static_cast<std::size_t>(stop - text.data());
  return true;
}

// The site's occupation is asked for; it takes the name as its marker
// unless the user gave one.
void TakeSiteName(OccupationState& o, ReceiverIdentity& identity, const std::string& name) {
  o.handOff.AskForOccupation();
  o.lastSiteName = name;
  o.siteNamed = true;
  if (!identity.markerOverridden) {
    identity.markerName = name;
    o.userNamed = true;
  }
}

// Closing the epoch in progress needs the whole converter.
Status OnSiteName(TQZRFile& f, std::string_view value) {
  OccupationState& o = f.Occupation();
  // A mode change still waiting for its occupation becomes part of the
  // site's occupation instead of starting one of its own.
  Status closed = Status::Ok;
  if (o.dynamicsChanged) {
    o.handOff.Withdraw();
    closed = CloseEpoch(f, EpochSource::Observables);
  } else {
    closed = CloseOccupation(f);
    // Armed again: the close may have recorded a pending occupation, and
    // the next stored epoch is the site's first.
    o.handOff.Arm();
  }
  if (closed != Status::Ok) return closed;
  TakeSiteName(o, f.Identity(), StoredText(value, kSiteNameLength));
  return Status::Ok;
}

void OnMode(OccupationState& o, const StoredRecords& records, std::string_view value,
            std::size_t bodyLength) {
  std::int16_t mode = 0;
  if (value.starts_with(kDynamicWord) && bodyLength >= kDynamicBodyLength) {
    mode = kDynamicMode;
  } else if (!value.starts_with(kStaticWord) && bodyLength >= kStaticBodyLength) {
    return;
  }
  const bool wasDynamic = (o.dynamicMode & kDynamicMode) != 0;
  // Epochs stored until the new occupation is recorded keep the old mode.
  o.epochFlagByte =
      static_cast<std::uint8_t>((o.epochFlagByte & ~kDynamicMode) | (o.dynamicMode & kDynamicMode));
  o.dynamicMode = mode;
  // Stopping without a new name: the epoch in progress was still taken on
  // the move, so the static occupation starts one stored epoch later. With
  // no occupation recorded at all, there is nothing to leave it in.
  const bool stopWithoutName = wasDynamic && mode == 0 && !o.userNamed && !o.firstOccupation &&
                               !o.siteNamed && records.HasOccupations();
  if (stopWithoutName) {
    o.handOff.AskAfterNextEpoch();
  } else {
    o.handOff.AskForOccupation();
    o.handOff.Arm();
  }
  o.dynamicsChanged = true;
}

void OnAntennaHeight(OccupationState& o, DumpLog& log, std::string_view value) {
  float height = 0;
  std::size_t end = 0;
  if (!ParseHeight(value, height, end)) return;
  std::int16_t flags = kHeightGiven;
  if (end < value.size() && (value[end] == 's' || value[end] == 'S')) flags |= kHeightSlant;
  if (o.antenna.heightFlags == flags && std::fabs(double{height} - double{o.antenna.deltaH}) <= kSameHeight)
    return;
  if (log.Enabled()) {
    log.Printf(kHeightLayout, flags, double{height});
    log.EndLine();
  }
  o.antenna.heightFlags = flags;
  o.antenna.deltaH = height;
  o.antenna.deltaE = 0;
  o.antenna.deltaN = 0;
  o.antennaHeightChanged = true;
  o.handOff.AskForOccupation();
}

void OnAntennaType(OccupationState& o, ReceiverIdentity& identity, std::string_view value) {
  const std::string type = StoredText(value, kAntennaTextLength);
  if (type == identity.antennaType) return;
  identity.antennaType = type;
  identity.antennaNumber = std::string(kUnknownAntennaText);
  o.secondAntennaText = std::string(kUnknownAntennaText);
  o.antennaValue = 0;
  o.antennaFactors.fill(kResetAntennaFactor);
  o.antennaTypeChanged = true;
  o.handOff.AskForOccupation();
}

// Save and cancel name the last site; before any site name there is none
// to name, not even an empty one.
bool IsLastSiteName(const OccupationState& o, std::string_view value) {
  return !o.lastSiteName.empty() && StoredText(value, kSiteNameLength) == o.lastSiteName;
}

Status OnSave(TQZRFile& f, std::string_view value) {
  if (!IsLastSiteName(f.Occupation(), value)) {
    DumpLine(f.Log(), kIgnoreEventText);
    return Status::Ok;
  }
  const Status closed = CloseOccupation(f);
  if (closed != Status::Ok) return closed;
  f.Occupation().handOff.AskForOccupation();
  f.Occupation().handOff.Arm();
  return Status::Ok;
}

Status OnCancel(TQZRFile& f, std::string_view value) {
  OccupationState& o = f.Occupation();
  if (!IsLastSiteName(o, value)) {
    DumpLine(f.Log(), kIgnoreEventText);
    return Status::Ok;
  }
  DumpLine(f.Log(), kDeleteOccupationText);
  const Status closed = CloseOccupation(f);
  if (closed != Status::Ok) return closed;
  // While the site's own occupation waits for its first epoch, the current
  // one is the site before it, which is not to be cancelled.
  if (!o.siteNamed) {
    const Status deleted =
        DeleteOccupation(f.Collected().records, f.Statistics(), f.Selection(), f.Log(), o.occupationNumber);
    if (deleted != Status::Ok) return deleted;
  }
  o.handOff.AskForOccupation();
  // The next stored epoch starts the next occupation; left unarmed after the
  // only occupation went, it would belong to none.
  o.handOff.Arm();
  return Status::Ok;
}

// GPS - UTC at a time of week `msOfWeek` (ms) of the 10-bit week `week`.
double GpsMinusUtc(const UtcRelation& p, std::int64_t week, std::int64_t msOfWeek) {
  double leap = p.dtls;
  const double day =
      static_cast<double>(WeeksApart(week, p.wnlsf) * 7) + static_cast<double>(msOfWeek) / kMsPerDay;
  const double dn = p.dn;
  if (day < dn - 1 + kWindowOpens) {
    leap = p.dtls;
  } else if (day > dn - 1 + kWindowCloses) {
    leap = p.dtlsf;
  } else {
    std::int64_t instant = std::int64_t{p.dn} * kSecondsPerDay + p.dtls;
    if (p.dtls >= p.dtlsf) instant -= 1;
    if (instant >= kSecondsPerWeek) instant -= kSecondsPerWeek;
    const std::int64_t m = msOfWeek - instant * kMsPerSecond;
    const std::int64_t dayMs = kMsPerDay;  // signed: it is negated below
    leap = ((m >= 0 && m < dayMs) || m < -dayMs) ? p.dtlsf : p.dtls;
  }
  const double sinceReference = static_cast<double>(msOfWeek) * 0.001 - p.tot +
                                static_cast<double>(kSecondsPerWeek * WeeksApart(week, p.wnt));
  return leap + p.a0 + double{p.a1} * sinceReference;
}

}  // namespace

Status OnUserEvent(TQZRFile& f, Body body) {
  switch (f.CheckBody(body, kUserEventLength)) {
    case TQZRFile::BodyCheck::Damaged: return Status::BadChecksum;
    case TQZRFile::BodyCheck::Short: return Status::Ok;
    case TQZRFile::BodyCheck::Pass: break;
  }
  const BodyReader r(body);
  const std::uint32_t t = r.U32(kEventTimeOffset);
  if (f.Log().Enabled()) {
    const DayTime parts = SplitMsOfDay(t);
    f.Log().Printf(kTimeLayout, t, parts.hours, parts.minutes, parts.seconds, parts.milliseconds);
    f.Log().EndLine();
  }
  if (r.U8(kEventTypeOffset) != kUserTextType) return Status::Ok;
  if (body.size() < kUserTextLength) return f.RefuseShortBody(kUserTextLength, body.size());

  const std::string_view text = Chars(body.subspan(kTagOffset, body.size() - kTagOffset - kChecksumLength));
  if (f.Log().Enabled()) {
    f.Log().Write(kUserEventText);
    f.Log().Write("\"");
    f.Log().Write(text);
    f.Log().Write("\"");
    f.Log().EndLine();
  }
  const std::string_view tag = text.substr(0, kTagLength);
  const std::string_view value = text.substr(kValueOffset - kTagOffset);
  if (tag == kSiteTag) return OnSiteName(f, value);
  if (tag == kModeTag) {
    OnMode(f.Occupation(), f.Collected().records, value, body.size());
  } else if (tag == kHeightTag) {
    OnAntennaHeight(f.Occupation(), f.Log(), value);
  } else if (tag == kAntennaTag) {
    OnAntennaType(f.Occupation(), f.Identity(), value);
  } else if (tag == kSaveTag) {
    return OnSave(f, value);
  } else if (tag == kCancelTag) {
    return OnCancel(f, value);
  } else if (tag == kFeatureTag || tag == kDescriptionTag) {
    // Accepted; written nowhere.
  }
  return Status::Ok;
}

Status OnExternalEvent(TQZRFile& f, Body body, int variant) {
  switch (f.CheckBody(body, kExternalEventLength)) {
    case TQZRFile::BodyCheck::Damaged: return Status::BadChecksum;
    case TQZRFile::BodyCheck::Short: return Status::Ok;
    case TQZRFile::BodyCheck::Pass: break;
  }
  if (f.Clock().epochDay == 0) {
    DumpLine(f.Log(), kNoDayText);
    return Status::Ok;
  }
  const BodyReader r(body);
  const std::uint32_t ms = r.U32(kExternalMsOffset);
  const std::uint32_t ns = r.U32(kExternalNsOffset);
  const bool hasBase = body.size() >= kExternalWithBaseLength;
  const std::uint16_t base = hasBase ? r.U8(kExternalBaseOffset) : kTimeBaseUnknown;
  if (f.Log().Enabled()) {
    f.Log().Printf(kExternalLayout, ms, ns);
    if (hasBase) {
      f.Log().Printf(kBaseLayout, static_cast<unsigned>(base));
    } else {
      f.Log().Write(kUnknownBaseText);
    }
    f.Log().EndLine();
  }
  const std::uint8_t port = variant == 0 ? kPortA : kPortB;
  return StoreEvent(f.Collected().records, f.Clock(), f.Window(), port, ms, ns, base);
}

void ConvertEventTimes(CollectedRecords& collected) {
  for (const std::uint8_t port : {kPortA, kPortB}) {
    for (DataEvent& event : collected.records.Events(port)) ConvertEventTime(collected.gpsUtc, event);
  }
}

bool ConvertEventTime(const GpsUtcParameters& gpsUtc, DataEvent& e) {
  e.outSeconds = e.seconds;
  e.outNanoseconds = e.nanoseconds;
  e.converted = false;
  const std::uint16_t base = e.timeBase & kTimeBaseMask;
  if (base == kTimeBaseGps) {
    e.converted = true;
    return true;
  }
  if (base != kTimeBaseUtcUsno || !gpsUtc.present) return false;

  const std::int64_t week = BroadcastWeekOf(e.seconds);
  const std::int64_t msOfWeek =
      e.seconds % kSecondsPerWeek * std::int64_t{kMsPerSecond} + e.nanoseconds / kNsPerMs;
  const double dt = GpsMinusUtc(gpsUtc.utc, week, msOfWeek);
  if (!std::isfinite(dt) || std::fabs(dt) > kLargestTimeDifference) return false;

  const double whole = std::trunc(dt);
  std::int64_t seconds = std::int64_t{e.seconds} + static_cast<std::int64_t>(whole);
  std::int64_t nanoseconds = std::int64_t{e.nanoseconds} + std::llround((dt - whole) * kNsPerSecond);
  if (nanoseconds >= kNsPerSecond) {
    nanoseconds -= kNsPerSecond;
    ++seconds;
  } else if (nanoseconds < 0) {
    nanoseconds += kNsPerSecond;
    --seconds;
  }
  if (seconds < 0 || seconds > std::numeric_limits<std::uint32_t>::max()) return false;
  e.outSeconds = static_cast<std::uint32_t>(seconds);
  e.outNanoseconds = static_cast<std::uint32_t>(nanoseconds);
  e.converted = true;
  return true;
}

}  // namespace qzr2rin
