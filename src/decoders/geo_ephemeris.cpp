#include "decoders/geo_ephemeris.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include "base/constants.h"
#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "decoders/qzr_file.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

// [WE]
constexpr std::size_t kPrnOffset = 0;
constexpr std::size_t kGpsNumberOffset = 1;
constexpr std::size_t kIodOffset = 2;
constexpr std::size_t kAccuracyOffset = 3;
constexpr std::size_t kToaOffset = 4;
constexpr std::size_t kXOffset = 8;
constexpr std::size_t kYOffset = 16;
constexpr std::size_t kZOffset = 24;
constexpr std::size_t kVxOffset = 32;
constexpr std::size_t kVyOffset = 36;
constexpr std::size_t kVzOffset = 40;
constexpr std::size_t kAxOffset = 44;
constexpr std::size_t kAyOffset = 48;
constexpr std::size_t kAzOffset = 52;
constexpr std::size_t kGf0Offset = 56;
constexpr std::size_t kGf1Offset = 60;
constexpr std::size_t kTowOffset = 64;
constexpr std::size_t kWnOffset = 68;

constexpr std::int64_t kHalfDay = kSecondsPerDay / 2;

// Repeats are told apart by their clock terms within these tolerances.
constexpr double kGf0Tolerance = 5e-17;
constexpr double kGf1Tolerance = 5e-13;

constexpr std::string_view kPrnText = "Erorr WASS ephemeris. Missing SV number ";
constexpr std::string_view kWindowText = "Time has not got in interval";
constexpr std::string_view kAlreadyText = "   Already";

constexpr char kWeekLayout[] = " sv=%u Week =%u( Year=%u Month=%u Day=%u ) ";
constexpr char kTowLayout[] = " tow %u ( Number of day per weeks = %u  Year=%u Month=%u Day=%u  %uh%um%us )";
constexpr char kToaLayout[] = " TimeOfDay= %u( %uh%um%us )";
constexpr char kMiddleLayout[] = " MiddleTow =%u; Year=%u Month=%u Day=%u %uh%um%u.0s";
constexpr char kIssueLayout[] = " IOD=%u( 0X%X ) Accuracy= %u ( 0X%X )";

struct Message {
  std::uint8_t prn = 0;
  std::uint8_t gpsNumber = 0;
  std::uint8_t iod = 0;
  std::uint8_t accuracy = 0;
  std::uint32_t toa = 0;
  double x = 0, y = 0, z = 0;
  float vx = 0, vy = 0, vz = 0;
  float ax = 0, ay = 0, az = 0;
  float gf0 = 0, gf1 = 0;
  std::uint32_t tow = 0;
  std::uint16_t wn = 0;
};

Message Read(const BodyReader& r) {
  Message m;
  m.prn = r.U8(kPrnOffset);
  m.gpsNumber = r.U8(kGpsNumberOffset);
  m.iod = r.U8(kIodOffset);
  m.accuracy = r.U8(kAccuracyOffset);
  m.toa = r.U32(kToaOffset);
  m.x = r.F64(kXOffset);
  m.y = r.F64(kYOffset);
  m.z = r.F64(kZOffset);
  m.vx = r.F32(kVxOffset);
  m.vy = r.F32(kVyOffset);
  m.vz = r.F32(kVzOffset);
  m.ax = r.F32(kAxOffset);
  m.ay = r.F32(kAyOffset);
  m.az = r.F32(kAzOffset);
  m.gf0 = r.F32(kGf0Offset);
  m.gf1 = r.F32(kGf1Offset);
  m.tow = r.U32(kTowOffset);
  m.wn = r.U16(kWnOffset);
  return m;
}

void DumpFields(DumpLog& d, const Message& m) {
  const auto line = [&d](const char* layout, auto... values) {
    d.Printf(layout, values...);
    d.EndLine();
  };
  line("waasnum= %u", static_cast<unsigned>(m.prn));
  line("gpsnum= %u", static_cast<unsigned>(m.gpsNumber));
  line("IOD= %u( 0X%X )", static_cast<unsigned>(m.iod), static_cast<unsigned>(m.iod));
  line("Accuracy=%u( 0X%X )", static_cast<unsigned>(m.accuracy), static_cast<unsigned>(m.accuracy));
  line("TimeOfDay(toa)= %u", m.toa);
  line("Xg= %g", m.x);
  line("Yg= %g", m.y);
  line("Zg= %g", m.z);
  line("XgRateOfChange= %g", static_cast<double>(m.vx));
  line("YgRateOfChange= %g", static_cast<double>(m.vy));
  line("Zg=RateOfChange %g", static_cast<double>(m.vz));
  line("XgAccel= %g", static_cast<double>(m.ax));
  line("YgAccel= %g", static_cast<double>(m.ay));
  line("ZgAccel= %g", static_cast<double>(m.az));
  line("Gf0= %g", static_cast<double>(m.gf0));
  line("Gf1= %g", static_cast<double>(m.gf1));
  line("tow= %u", m.tow);
  line("wn= %u", static_cast<unsigned>(m.wn));
}

// A week past 2116 leaves the time's range: the dump then shows a wrapped
// date, the record keeps its day numbers.
TGPSTime DumpTime(std::uint64_t seconds) { return TGPSTime(static_cast<std::uint32_t>(seconds)); }

void DumpDating(DumpLog& d, const GeoEphemeris& e, std::uint64_t t) {
  const TGPSTime weekStart = DumpTime(static_cast<std::uint64_t>(GpsWeekSeconds(e.wn, 0)));
  d.Printf(kWeekLayout, static_cast<unsigned>(e.number), static_cast<unsigned>(e.wn), weekStart.Year(),
           static_cast<unsigned>(weekStart.Month()), weekStart.Day());
  d.EndLine();
  const TGPSTime at = DumpTime(t);
  const DayTime ofDay = SplitSecondOfDay(static_cast<std::uint32_t>(t % kSecondsPerDay));
  d.Printf(kTowLayout, e.tow, e.tow / kSecondsPerDay, at.Year(), static_cast<unsigned>(at.Month()), at.Day(),
           ofDay.hours, ofDay.minutes, ofDay.seconds);
  d.EndLine();
  const DayTime toa = SplitSecondOfDay(e.toa);
  d.Printf(kToaLayout, e.toa, toa.hours, toa.minutes, toa.seconds);
  d.EndLine();
  d.Printf(kMiddleLayout, static_cast<unsigned>(t % kSecondsPerWeek), at.Year(),
           static_cast<unsigned>(at.Month()), at.Day(), ofDay.hours, ofDay.minutes, ofDay.seconds);
  d.EndLine();
  d.Printf(kIssueLayout, static_cast<unsigned>(e.iod), static_cast<unsigned>(e.iod),
           static_cast<unsigned>(e.accuracy), static_cast<unsigned>(e.accuracy));
  d.EndLine();
}

bool Near(float a, float b, double tolerance) {
  return a == b || std::fabs(static_cast<double>(a) - static_cast<double>(b)) <= tolerance;
}

bool Repeats(const GeoEphemeris& last, const GeoEphemeris& e) {
  return last.messageMsOfDay == e.messageMsOfDay && last.messageDay == e.messageDay &&
         Near(last.gf0, e.gf0, kGf0Tolerance) && Near(last.gf1, e.gf1, kGf1Tolerance) && last.iod == e.iod &&
         last.accuracy == e.accuracy;
}

}  // namespace

Status OnGeoEphemeris(TQZRFile& f, Body body) {
  switch (f.CheckBody(body, kGeoEphemerisLength)) {
    case TQZRFile::BodyCheck::Damaged: return Status::BadChecksum;
    case TQZRFile::BodyCheck::Short: return Status::Ok;
    case TQZRFile::BodyCheck::Pass: break;
  }

  const Message m = Read(BodyReader(body));
  if (f.Dumping()) DumpFields(f.Log(), m);
  if (m.prn < kFirstGeoPrn || m.prn > kLastGeoPrn) return f.RefuseMessage(kPrnText);

  const auto week = static_cast<unsigned>(WidenReceiverWeek(m.wn));
  const auto t = static_cast<std::uint64_t>(GpsWeekSeconds(week, m.tow));
  if (f.Window().windowGiven &&
      !InsideEphemerisBlocks(f.Window().windowStart, f.Window().windowFinish, static_cast<std::int64_t>(t))) {
    return f.RefuseMessage(kWindowText);
  }

  GeoEphemeris e;
  e.number = static_cast<std::uint8_t>(m.prn - kGeoNumberOffset);
  e.messageDay = static_cast<std::uint32_t>(t / kSecondsPerDay);
  e.messageMsOfDay = static_cast<std::uint32_t>(t % kSecondsPerDay * kMsPerSecond);
  e.gpsNumber = m.gpsNumber;
  e.iod = m.iod;
  e.accuracy = m.accuracy;
  // The reference time of day lies within half a day of the message.
  const std::int64_t lead = static_cast<std::int64_t>(t % kSecondsPerDay) - static_cast<std::int64_t>(m.toa);
  e.toaDay = e.messageDay;
  if (lead > kHalfDay) e.toaDay += 1;
  if (lead < -kHalfDay) e.toaDay -= 1;
  e.toa = m.toa;
  e.x = m.x;
  e.y = m.y;
  e.z = m.z;
  e.vx = m.vx;
  e.vy = m.vy;
  e.vz = m.vz;
  e.ax = m.ax;
  e.ay = m.ay;
  e.az = m.az;
  e.gf0 = m.gf0;
  e.gf1 = m.gf1;
  e.tow = m.tow;
  e.wn = static_cast<std::uint16_t>(week);

  if (f.Dumping()) DumpDating(f.Log(), e, t);

  auto& list = f.Collected().ephemerides.geo[m.prn - kFirstGeoPrn];
  // Only the last record of the satellite is compared.
  if (!list.empty() && Repeats(list.back(), e)) return f.RefuseMessage(kAlreadyText);
  list.push_back(e);
  return Status::Ok;
}

}  // namespace qzr2rin
