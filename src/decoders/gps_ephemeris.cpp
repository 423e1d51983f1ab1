#include "decoders/gps_ephemeris.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/constants.h"
#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "decoders/qzr_file.h"
#include "decoders/receiver_time.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

// [GE] layout.
constexpr std::size_t kSvOffset = 0;
constexpr std::size_t kTowOffset = 1;
constexpr std::size_t kFlagsOffset = 5;
constexpr std::size_t kIodcOffset = 6;
constexpr std::size_t kTocOffset = 8;
constexpr std::size_t kUraOffset = 12;
constexpr std::size_t kHealthOffset = 13;
constexpr std::size_t kWeekOffset = 14;
constexpr std::size_t kTgdOffset = 16;
constexpr std::size_t kAf2Offset = 20;
constexpr std::size_t kAf1Offset = 24;
constexpr std::size_t kAf0Offset = 28;
constexpr std::size_t kToeOffset = 32;
constexpr std::size_t kIodeOffset = 36;
constexpr std::size_t kSqrtAOffset = 38;
constexpr std::size_t kEccentricityOffset = 46;
constexpr std::size_t kM0Offset = 54;
constexpr std::size_t kOmega0Offset = 62;
constexpr std::size_t kInclinationOffset = 70;
constexpr std::size_t kPerigeeOffset = 78;
constexpr std::size_t kDeltaNOffset = 86;
constexpr std::size_t kOmegaDotOffset = 90;
constexpr std::size_t kInclinationRateOffset = 94;
constexpr std::size_t kCrcOffset = 98;
constexpr std::size_t kCrsOffset = 102;
constexpr std::size_t kCucOffset = 106;
constexpr std::size_t kCusOffset = 110;
constexpr std::size_t kCicOffset = 114;
constexpr std::size_t kCisOffset = 118;

constexpr std::uint8_t kFitFlag = 0x01;
constexpr std::uint8_t kL2PFlag = 0x02;
constexpr unsigned kL2CodesShift = 2;
constexpr std::uint8_t kL2CodesMask = 0x03;
// The IODE is the low byte of the IODC; a year goes into a date in two bytes.
constexpr unsigned kLowByteMask = 0xFF;
constexpr unsigned kHighByteShift = 8;
constexpr std::uint8_t kNoDateFlag = 0x40;
constexpr std::uint8_t kNavFitInterval = 4;
constexpr std::uint8_t kNavL2PData = 8;

constexpr std::int64_t kDateAlignLimit = 72000;  // s: further apart than this is the neighbouring day

// Fit-interval blocks of the day and the offset of the reference time in
// them; the 2-hour case lands one second before the block's middle.
constexpr std::uint32_t kLongBlock = 14400;
constexpr std::uint32_t kLongOffset = 10800;
constexpr std::uint32_t kShortBlock = 7200;
constexpr std::uint32_t kShortOffset = 7199;

// Largest differences two copies of one ephemeris may show.
constexpr double kAf1Tolerance = 5e-17;
constexpr double kAf0Tolerance = 5e-13;
constexpr double kEccentricityTolerance = 5e-13;
constexpr double kSqrtATolerance = 5e-8;

constexpr char kClockLayout[] = "sv=%u wn=%d tow=%u toc=%d( Year=%u Month=%u Day=%u %uh%um%u.0s ) toe=%d";
constexpr char kIssueLayout[] = "iodc= 0X%X iode= 0X%X";
constexpr char kMiddleLayout[] = " MiddleTow =%u; Year=%u Month=%u Day=%u %uh%um%u.0s";
constexpr std::string_view kOutsideWindowText = "Time has not got in  interval";
constexpr std::string_view kBadPrnText = "Errors N Satellite ";
constexpr std::string_view kTocToeText = "ToC != ToE, data ignored";
constexpr std::string_view kIssueText = "LsB(IODC) != IODE, data ignored";
constexpr std::string_view kAlreadyText = "   Already";

// GPS seconds kept to 32 bits, as every second count of the converter.
std::uint32_t GpsSeconds(std::int64_t seconds) { return static_cast<std::uint32_t>(seconds); }

void DumpDateTime(DumpLog& log, const char* layout, std::uint32_t first, std::uint32_t seconds) {
  const TGPSTime t(seconds);
  const DayTime s = SplitSecondOfDay(t.SecondOfDay());
  log.Printf(layout, first, t.Year(0), static_cast<unsigned>(t.Month(0)), t.Day(0), s.hours, s.minutes,
             s.seconds);
}

bool Close(double a, double b, double tolerance) {
  return a == b || std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         std::fabs(a - b) <= tolerance;
}

bool SameEphemeris(const GpsEphemeris& a, const GpsEphemeris& b) {
  return a.middleTime == b.middleTime && Close(a.af1, b.af1, kAf1Tolerance) &&
         Close(a.af0, b.af0, kAf0Tolerance) &&
         Close(a.eccentricity, b.eccentricity, kEccentricityTolerance) &&
         Close(a.sqrtA, b.sqrtA, kSqrtATolerance) && a.iode == b.iode && a.iodc == b.iodc && a.ura == b.ura &&
         a.health == b.health && a.navFlags == b.navFlags;
}

Status Reject(MessageDump dump, std::string_view text) {
  dump.Line(text);
  return Status::Ok;
}

// Offers the message's date to a receiver that has none yet.
Status SupplyDate(TQZRFile& f, std::int32_t week, std::uint32_t tow) {
  std::uint32_t d = GpsSeconds(GpsWeekSeconds(week, tow));
  if (!f.Clock().firstTimeAfterId) {
    const std::int64_t r = f.Clock().epochMsOfDay / kMsPerSecond;
    const std::int64_t s = d % kSecondsPerDay;
    if (s - r > kDateAlignLimit) {
      d += kSecondsPerDay;
    } else if (r - s > kDateAlignLimit) {
      d -= kSecondsPerDay;
    }
  }
  const TGPSTime t(d);
  const unsigned year = t.Year(0);
  const std::array<std::uint8_t, kReceiverDateLength> date = {
      static_cast<std::uint8_t>(year & kLowByteMask),
      static_cast<std::uint8_t>(year >> kHighByteShift),
      static_cast<std::uint8_t>(t.Month(0)),
      static_cast<std::uint8_t>(t.Day(0)),
      0,
      0};
  return OnDerivedDate(f, Body(date));
}

}  // namespace

GpsEphemeris::Time GpsMiddleTime(std::int32_t week, std::uint32_t tow, std::uint8_t flags) {
  const bool longFit = (flags & kFitFlag) != 0;
  const std::uint32_t block = longFit ? kLongBlock : kShortBlock;
  const std::uint32_t offset = longFit ? kLongOffset : kShortOffset;
  const std::uint32_t t = GpsSeconds(GpsWeekSeconds(week, tow));
  const std::uint32_t s = t % kSecondsPerDay;
  const std::uint32_t reference = t - s % block + offset;
  return {.msOfDay = reference % kSecondsPerDay * kMsPerSecond, .day = reference / kSecondsPerDay};
}

namespace {

// The fields of a message that passed the body check.
GpsEphemeris ReadGpsEphemeris(const BodyReader& r, std::int32_t week, std::uint32_t tow, std::uint8_t flags) {
  GpsEphemeris e;
  e.prn = r.U8(kSvOffset);
  e.middleTime = GpsMiddleTime(week, tow, flags);
  e.toc = r.I32(kTocOffset);
  e.toe = r.I32(kToeOffset);
  e.tgd = r.F32(kTgdOffset);
  e.af2 = r.F32(kAf2Offset);
  e.af1 = r.F32(kAf1Offset);
  e.af0 = r.F32(kAf0Offset);
  e.deltaN = r.F32(kDeltaNOffset);
  e.m0 = r.F64(kM0Offset);
  e.eccentricity = r.F64(kEccentricityOffset);
  e.sqrtA = r.F64(kSqrtAOffset);
  e.cic = r.F32(kCicOffset);
  e.cis = r.F32(kCisOffset);
  e.crc = r.F32(kCrcOffset);
  e.crs = r.F32(kCrsOffset);
  e.cuc = r.F32(kCucOffset);
  e.cus = r.F32(kCusOffset);
  e.argumentOfPerigee = r.F64(kPerigeeOffset);
  e.omega0 = r.F64(kOmega0Offset);
  e.omegaDot = r.F32(kOmegaDotOffset);
  e.inclination = r.F64(kInclinationOffset);
  e.inclinationRate = r.F32(kInclinationRateOffset);
  e.iode = static_cast<std::uint8_t>(r.I16(kIodeOffset) & kLowByteMask);
  e.iodc = r.U16(kIodcOffset);
  e.ura = r.I8(kUraOffset);
  e.health = r.U8(kHealthOffset);
  e.navFlags = static_cast<std::uint8_t>(((flags & kFitFlag) ? kNavFitInterval : 0) |
                                         ((flags & kL2PFlag) ? kNavL2PData : 0) |
                                         ((flags >> kL2CodesShift) & kL2CodesMask));
  return e;
}

// The clock reference, the issues and the middle time, as received.
void DumpGpsEphemeris(DumpLog& log, const GpsEphemeris& e, std::int16_t rawWeek, std::int16_t rawIode,
                      std::uint32_t tow) {
  // The clock reference time in the week nearest the message's, the raw
  // week moved before it is widened.
  const auto sinceClock = static_cast<std::int32_t>(tow - static_cast<std::uint32_t>(e.toc));
  const std::int64_t clockWeek = WidenReceiverWeek(WeekOfNearbyReference(rawWeek, sinceClock));
  const TGPSTime clock(GpsSeconds(GpsWeekSeconds(clockWeek, e.toc)));
  const DayTime s = SplitSecondOfDay(clock.SecondOfDay());
  log.Printf(kClockLayout, static_cast<unsigned>(e.prn), rawWeek, tow, e.toc, clock.Year(0),
             static_cast<unsigned>(clock.Month(0)), clock.Day(0), s.hours, s.minutes, s.seconds, e.toe);
  log.EndLine();
  log.Printf(kIssueLayout, e.iodc, static_cast<unsigned>(static_cast<std::uint16_t>(rawIode)));
  log.EndLine();
  const std::uint32_t middleSeconds = e.middleTime.Seconds();
  DumpDateTime(log, kMiddleLayout, static_cast<std::uint32_t>(middleSeconds % kSecondsPerWeek),
               middleSeconds);
  log.EndLine();
}

// Why the ephemeris is not kept; empty when it is stored.
std::string_view Refusal(const TimeWindow& window, const GpsEphemeris& e,
                         const std::vector<GpsEphemeris>* list) {
  if (window.windowGiven &&
      !InsideEphemerisBlocks(window.windowStart, window.windowFinish, e.middleTime.Seconds()))
    return kOutsideWindowText;
  if (list == nullptr) return kBadPrnText;
  if (e.toe != e.toc) return kTocToeText;
  if ((e.iodc & kLowByteMask) != e.iode) return kIssueText;
  if (!list->empty() && SameEphemeris(list->back(), e)) return kAlreadyText;
  return {};
}

}  // namespace

Status OnGpsEphemeris(TQZRFile& f, Body body) {
  switch (f.CheckBody(body, kGpsEphemerisLength)) {
    case TQZRFile::BodyCheck::Damaged: return Status::BadChecksum;
    case TQZRFile::BodyCheck::Short: return Status::Ok;
    case TQZRFile::BodyCheck::Pass: break;
  }
  const BodyReader r(body);
  const std::uint32_t tow = r.U32(kTowOffset);
  const std::uint8_t flags = r.U8(kFlagsOffset);
  const std::int16_t rawWeek = r.I16(kWeekOffset);
  const auto week = static_cast<std::int32_t>(WidenReceiverWeek(rawWeek));
  const GpsEphemeris e = ReadGpsEphemeris(r, week, tow, flags);

  if (f.Clock().epochDay == 0 && (flags & kNoDateFlag) == 0) {
    const Status dated = SupplyDate(f, week, tow);
    if (dated != Status::Ok) return dated;
  }
  if (f.Messages().Enabled()) DumpGpsEphemeris(f.Log(), e, rawWeek, r.I16(kIodeOffset), tow);

  const bool validPrn = e.prn >= 1 && e.prn <= kGpsSatellites;
  auto* list = validPrn ? &f.Collected().ephemerides.gps[e.prn - 1u] : nullptr;
  if (const std::string_view refusal = Refusal(f.Window(), e, list); !refusal.empty())
    return Reject(f.Messages(), refusal);
  list->push_back(e);
  return Status::Ok;
}

}  // namespace qzr2rin
