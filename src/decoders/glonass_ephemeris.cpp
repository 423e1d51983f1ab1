#include "decoders/glonass_ephemeris.h"

#include <cstdint>
#include <string_view>

#include "base/constants.h"
#include "base/four_year_cycle.h"
#include "base/time_window.h"
#include "decoders/qzr_file.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

// [NE]
constexpr std::size_t kSvOffset = 0;
constexpr std::size_t kFrequencyNumberOffset = 1;
constexpr std::size_t kDneOffset = 2;
constexpr std::size_t kTkOffset = 4;
constexpr std::size_t kTbOffset = 8;
constexpr std::size_t kHealthOffset = 12;
constexpr std::size_t kAgeOfDataOffset = 13;
constexpr std::size_t kReservedOffset = 14;
constexpr std::size_t kXOffset = 15;
constexpr std::size_t kYOffset = 23;
constexpr std::size_t kZOffset = 31;
constexpr std::size_t kVxOffset = 39;
constexpr std::size_t kVyOffset = 43;
constexpr std::size_t kVzOffset = 47;
constexpr std::size_t kAxOffset = 51;
constexpr std::size_t kAyOffset = 55;
constexpr std::size_t kAzOffset = 59;
constexpr std::size_t kTauCOffset = 63;
constexpr std::size_t kTauNOffset = 71;
constexpr std::size_t kGammaNOffset = 75;

constexpr std::uint8_t kNoSv = 255;
constexpr std::int16_t kNoDay = 0x7FFF;
constexpr std::uint8_t kHealthBits = 0x07;
constexpr unsigned kFirstSlot = 1;
constexpr unsigned kLastSlot = kGlonassSatellites;

// Signed: the frame arithmetic below runs across day boundaries.
constexpr std::int64_t kSignedSecondsPerDay = kSecondsPerDay;
// Moscow time runs three hours ahead of UTC.
constexpr std::int32_t kMoscowOffset = 10800;
// Ephemerides up to an hour outside the output window still serve it.
constexpr std::int64_t kWindowMargin = 3600;

constexpr std::string_view kBadText = "    Bad GLONASS ephemeris. Missing SV number or day.";
constexpr std::string_view kNoDateText = "No date. Skipping.";
constexpr std::string_view kWindowText = "Time is not in output window";
constexpr std::string_view kSatelliteText = "Errors N Satellite ";
constexpr std::string_view kAlreadyText = "   Already";
constexpr char kDumpLayout[] = "%u dne=%d  tb=%d";

}  // namespace

Status OnGlonassEphemeris(TQZRFile& f, Body body) {
  switch (f.CheckBody(body, kGlonassEphemerisLength)) {
    case TQZRFile::BodyCheck::Damaged: return Status::BadChecksum;
    case TQZRFile::BodyCheck::Short: return Status::Ok;
    case TQZRFile::BodyCheck::Pass: break;
  }

  const BodyReader r(body);
  const std::uint8_t sv = r.U8(kSvOffset);
  const std::int16_t dne = r.I16(kDneOffset);
  std::int32_t tk = r.I32(kTkOffset);
  std::int32_t tb = r.I32(kTbOffset);
  // A day outside the cycle or a time outside the Moscow day cannot be dated.
  if (sv == kNoSv || dne == kNoDay || dne < 1 || dne > kDaysInFourYears || tb < 0 ||
      tb >= kSignedSecondsPerDay) {
    return f.RefuseMessage(kBadText);
  }
  if (f.Clock().epochDay == 0) return f.RefuseMessage(kNoDateText);

  const std::uint32_t first = FourYearCycleStart(f.Clock().epochDay, static_cast<unsigned>(dne));
  if (first == 0) return f.RefuseMessage(kBadText);
  std::uint32_t day = first + static_cast<std::uint32_t>(dne) - 1;
  // Before 03:00 Moscow time it is still the previous day in UTC.
  std::int64_t frame = tk;
  if (tb < kMoscowOffset) {
    day -= 1;
    tb += static_cast<std::int32_t>(kSignedSecondsPerDay);
    frame += kSignedSecondsPerDay;
  }
  const std::int32_t utcTb = tb - kMoscowOffset;
  tk = static_cast<std::int32_t>(frame - kMoscowOffset);
  const std::int64_t t = static_cast<std::int64_t>(day) * kSignedSecondsPerDay + utcTb;

  if (f.Dumping()) {
    f.Log().Printf(kDumpLayout, static_cast<unsigned>(sv), static_cast<int>(dne), static_cast<int>(tb));
    f.Log().EndLine();
  }
  if (f.Window().windowGiven &&
      !InsideWindowWithMargin(f.Window().windowStart, f.Window().windowFinish, t, kWindowMargin)) {
    return f.RefuseMessage(kWindowText);
  }
  if (sv < kFirstSlot || sv > kLastSlot) return f.RefuseMessage(kSatelliteText);

  GlonassEphemeris e;
  e.sv = sv;
  e.referenceMsOfDay = static_cast<std::uint32_t>(utcTb) * kMsPerSecond;
  e.referenceDay = day;
  e.tk = tk;
  e.tauN = r.F32(kTauNOffset);
  e.gammaN = r.F32(kGammaNOffset);
  e.x = r.F64(kXOffset);
  e.y = r.F64(kYOffset);
  e.z = r.F64(kZOffset);
  e.vx = r.F32(kVxOffset);
  e.vy = r.F32(kVyOffset);
  e.vz = r.F32(kVzOffset);
  e.ax = r.F32(kAxOffset);
  e.ay = r.F32(kAyOffset);
  e.az = r.F32(kAzOffset);
  e.tauC = r.F64(kTauCOffset);
  e.ageOfData = r.U8(kAgeOfDataOffset);
  e.reserved = r.U8(kReservedOffset);
  e.healthBit = (r.U8(kHealthOffset) & kHealthBits) != 0 ? 1 : 0;
  e.frequencyNumber = r.U8(kFrequencyNumberOffset);

  auto& list = f.Collected().ephemerides.glonass[sv - kFirstSlot];
  // Only the last record of the slot is compared: a repeat of an older one
  // after another ephemeris is stored again.
  if (!list.empty()) {
    const GlonassEphemeris& last = list.back();
    if (last.referenceMsOfDay == e.referenceMsOfDay && last.referenceDay == e.referenceDay &&
        last.frequencyNumber == e.frequencyNumber) {
      return f.RefuseMessage(kAlreadyText);
    }
  }
  list.push_back(e);
  return Status::Ok;
}

}  // namespace qzr2rin
