#include "decoders/parameters.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/time_units.h"
#include "decoders/qzr_file.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

// [IO]
constexpr std::size_t kIonoTotOffset = 0;
constexpr std::size_t kIonoWeekOffset = 4;
constexpr std::size_t kAlphaOffset = 6;
constexpr std::size_t kBetaOffset = 22;
constexpr std::size_t kCoefficientWidth = 4;

// [UO] and [WO]
constexpr std::size_t kA0Offset = 0;
constexpr std::size_t kA1Offset = 8;
constexpr std::size_t kUtcTotOffset = 12;
constexpr std::size_t kWntOffset = 16;
constexpr std::size_t kDtlsOffset = 18;
constexpr std::size_t kDnOffset = 19;
constexpr std::size_t kWnlsfOffset = 20;
constexpr std::size_t kDtlsfOffset = 22;
// [WO] only
constexpr std::size_t kUtcsiOffset = 23;
constexpr std::size_t kTowOffset = 24;
constexpr std::size_t kGeoWeekOffset = 28;

// Values that mark a field as not available.
constexpr std::int32_t kNoTime = -1;
constexpr std::uint16_t kNoWeek = 0xFFFF;
constexpr std::int8_t kNoLeapSeconds = 127;
constexpr std::uint8_t kNoDay = 255;
constexpr std::int8_t kNoIdentifier = 127;

// [TO] and [DO]
constexpr std::size_t kClockValueOffset = 0;

constexpr char kIonoTimeLayout[] = " wn=%u tot=%u Year=%u Month=%u Day=%u %uh%um%u.0s";
constexpr char kCoefficientsLayout[] = "%g %g %g %g";
constexpr char kGpsUtcLayout[] = "a0 = %g;a1 = %g;tot = %d;wnt = %u;dtls = %d;dn = %u;wnlsf = %u;dtlsf = %d";
constexpr char kGeoUtcTailLayout[] = ";utcsi = %d;tow = %d;wn = %u";
constexpr std::string_view kLostText = "Lost time, skipping";
constexpr std::string_view kNaNText = "NaN";
constexpr char kClockLayout[] = "%g";

using Gate = TQZRFile::BodyCheck;

UtcRelation ReadRelation(const BodyReader& r) {
  UtcRelation u;
  u.a0 = r.F64(kA0Offset);
  u.a1 = r.F32(kA1Offset);
  u.tot = r.I32(kUtcTotOffset);
  u.wnt = r.U16(kWntOffset);
  u.dtls = r.I8(kDtlsOffset);
  u.dn = r.U8(kDnOffset);
  u.wnlsf = r.U16(kWnlsfOffset);
  u.dtlsf = r.I8(kDtlsfOffset);
  return u;
}

// The dump text of the first field marked not available; empty when every
// field holds a value.
std::string_view MissingField(const UtcRelation& u) {
  if (std::isnan(u.a0)) return "a0 = NaN";
  if (std::isnan(static_cast<double>(u.a1))) return "a1 = NaN";
  if (u.tot == kNoTime) return "tot = NaN";
  if (u.wnt == kNoWeek) return "wnt = NaN";
  if (u.dtls == kNoLeapSeconds) return "dtls = NaN";
  if (u.dn == kNoDay) return "dn = NaN";
  if (u.wnlsf == kNoWeek) return "wnlsf = NaN";
  if (u.dtlsf == kNoLeapSeconds) return "dtlsf = NaN";
  return {};
}

void DumpCoefficients(DumpLog& log, const float (&c)[4]) {
  log.Printf(kCoefficientsLayout, static_cast<double>(c[0]), static_cast<double>(c[1]),
             static_cast<double>(c[2]), static_cast<double>(c[3]));
  log.EndLine();
}

void DumpRelation(DumpLog& log, const UtcRelation& u) {
  log.Printf(kGpsUtcLayout, u.a0, static_cast<double>(u.a1), u.tot, static_cast<unsigned>(u.wnt),
             static_cast<int>(u.dtls), static_cast<unsigned>(u.dn), static_cast<unsigned>(u.wnlsf),
             static_cast<int>(u.dtlsf));
}

// The set is ignored as a whole; the text stays on the message's line.
Status RefuseMissingField(MessageDump dump, std::string_view text) {
  if (dump.Enabled()) dump.Log().Write(text);
  return Status::Ok;
}

// Reasons a clock value of [TO] or [DO] is not taken; the text follows.
bool ClockValueRefused(const MessageScanner& s, MessageDump dump, double value, std::string_view afterNaN) {
  if (s.timeLost || s.satelliteListLost || s.glonassNumbersLost) {
    dump.Line(kLostText);
    return true;
  }
  if (std::isnan(value)) {
    dump.Line(kNaNText);
    if (dump.Enabled()) dump.Log().Write(afterNaN);
    return true;
  }
  return false;
}

void DumpClockValue(MessageDump dump, double value) {
  if (!dump.Enabled()) return;
  dump.Log().Printf(kClockLayout, value);
  dump.Log().EndLine();
}

Status GateResult(Gate gate) { return gate == Gate::Damaged ? Status::BadChecksum : Status::Ok; }

}  // namespace

Status OnIonosphere(TQZRFile& f, Body body) {
  const Gate gate = f.CheckBody(body, kIonosphereLength);
  if (gate != Gate::Pass) return GateResult(gate);

  const BodyReader r(body);
  IonoParameters& p = f.Collected().iono;
  p.tot = r.U32(kIonoTotOffset);
  p.wn = r.U16(kIonoWeekOffset);
  for (std::size_t i = 0; i < 4; ++i) {
    p.alpha[i] = r.F32(kAlphaOffset + i * kCoefficientWidth);
    p.beta[i] = r.F32(kBetaOffset + i * kCoefficientWidth);
  }
  p.present = true;

  if (f.Dumping()) {
    const auto seconds = static_cast<std::uint64_t>(GpsWeekSeconds(WidenReceiverWeek(p.wn), p.tot));
    // Only a week past 2116 leaves the time's range; the dump then shows a
    // wrapped date, nothing is stored from it.
    const TGPSTime t(static_cast<std::uint32_t>(seconds));
    const DayTime ofDay = SplitSecondOfDay(static_cast<std::uint32_t>(seconds % kSecondsPerDay));
    f.Log().Printf(kIonoTimeLayout, static_cast<unsigned>(p.wn), p.tot, t.Year(),
                   static_cast<unsigned>(t.Month()), t.Day(), ofDay.hours, ofDay.minutes, ofDay.seconds);
    f.Log().EndLine();
    DumpCoefficients(f.Log(), p.alpha);
    DumpCoefficients(f.Log(), p.beta);
  }
  return Status::Ok;
}

Status OnGpsUtc(TQZRFile& f, Body body) {
  const Gate gate = f.CheckBody(body, kGpsUtcLength);
  if (gate != Gate::Pass) return GateResult(gate);

  const UtcRelation u = ReadRelation(BodyReader(body));
  if (const std::string_view missing = MissingField(u); !missing.empty())
    return RefuseMissingField(f.Messages(), missing);

  GpsUtcParameters& p = f.Collected().gpsUtc;
  p.utc = u;
  p.present = true;

  if (f.Dumping()) {
    DumpRelation(f.Log(), u);
    f.Log().EndLine();
  }
  return Status::Ok;
}

Status OnGeoUtc(TQZRFile& f, Body body) {
  const Gate gate = f.CheckBody(body, kGeoUtcLength);
  if (gate != Gate::Pass) return GateResult(gate);

  const BodyReader r(body);
  const UtcRelation u = ReadRelation(r);
  if (const std::string_view missing = MissingField(u); !missing.empty())
    return RefuseMissingField(f.Messages(), missing);
  const std::int8_t utcsi = r.I8(kUtcsiOffset);
  if (utcsi == kNoIdentifier) return RefuseMissingField(f.Messages(), "utcsi= NaN");
  const std::int32_t tow = r.I32(kTowOffset);
  if (tow == kNoTime) return RefuseMissingField(f.Messages(), "tow = NaN");
  const std::uint16_t wn = r.U16(kGeoWeekOffset);
  if (wn == kNoWeek) return RefuseMissingField(f.Messages(), "wn = NaN");

  GeoUtcParameters& p = f.Collected().geoUtc;
  p.utc = u;
  p.utcsi = utcsi;
  p.tow = tow;
  p.wn = wn;
  p.present = true;

  if (f.Dumping()) {
    DumpRelation(f.Log(), u);
    f.Log().Printf(kGeoUtcTailLayout, static_cast<int>(utcsi), tow, static_cast<unsigned>(wn));
    f.Log().EndLine();
  }
  return Status::Ok;
}

Status OnClockOffset(TQZRFile& f, Body body) {
  const Gate gate = f.CheckBody(body, kClockOffsetLength);
  if (gate != Gate::Pass) return GateResult(gate);

  const double offset = BodyReader(body).F64(kClockValueOffset);
  if (ClockValueRefused(f.Scanner(), f.Messages(), offset, " ")) return Status::Ok;
  f.Assembly().epochExtras.clockOffset = offset;
  f.Assembly().epochExtras.extrasFlags |= kExtrasClockOffset;
  DumpClockValue(f.Messages(), offset);
  return Status::Ok;
}

Status OnClockDrift(TQZRFile& f, Body body) {
  const Gate gate = f.CheckBody(body, kClockDriftLength);
  if (gate != Gate::Pass) return GateResult(gate);

  const float drift = BodyReader(body).F32(kClockValueOffset);
  if (ClockValueRefused(f.Scanner(), f.Messages(), static_cast<double>(drift), "")) return Status::Ok;
  f.Assembly().epochExtras.clockDrift = drift;
  f.Assembly().epochExtras.extrasFlags |= kExtrasClockDrift;
  DumpClockValue(f.Messages(), static_cast<double>(drift));
  return Status::Ok;
}

}  // namespace qzr2rin
