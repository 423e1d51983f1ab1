#include "output/broadcast_values.h"

#include <cmath>

#include "base/gps_week.h"
#include "base/time_units.h"

namespace qzr2rin {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kKilometres = 0.001;
// GLONASS frame times before the start of the reference day are shown as
// times of the day before.
constexpr auto kFrameDay = static_cast<std::int32_t>(kSecondsPerDay);

// GPS nav flags: the codes on L2, and the L2 P data flag.
constexpr std::uint8_t kL2CodesMask = 0x03;
constexpr std::uint8_t kL2PDataFlag = 0x08;

// Accuracy index to metres: from 15 on the index says "no accuracy".
constexpr std::int8_t kNoAccuracyIndex = 15;
constexpr double kNoAccuracyMetres = 10000.0;
constexpr std::int8_t kFirstPowerIndex = 7;

double AccuracyMetres(std::int8_t index) {
  if (index >= kNoAccuracyIndex) return kNoAccuracyMetres;
  if (index >= kFirstPowerIndex) return std::ldexp(1.0, index - 2);
  return std::ldexp(1.0, index / 2 + 1);
}

}  // namespace

std::uint32_t ClockReference(const GpsEphemeris& e) {
  const std::int64_t m = e.middleTime.Seconds();
  const std::int64_t week =
      WeekOfNearbyReference(WidenReceiverWeek(m / kSecondsPerWeek), m % kSecondsPerWeek - e.toc);
  return static_cast<std::uint32_t>(GpsWeekSeconds(WidenReceiverWeek(week), e.toc));
}

BroadcastValues GpsBroadcastValues(const GpsEphemeris& e) {
  const std::uint32_t m = e.middleTime.Seconds();
  return {e.prn,
          ClockReference(e),
          {e.af0,
           e.af1,
           e.af2,
           static_cast<double>(e.iode),
           e.crs,
           e.deltaN * kPi,
           e.m0 * kPi,
           e.cuc,
           e.eccentricity,
           e.cus,
           e.sqrtA,
           static_cast<double>(e.toe),
           e.cic,
           e.omega0 * kPi,
           e.cis,
           e.inclination * kPi,
           e.crc,
           e.argumentOfPerigee * kPi,
           e.omegaDot * kPi,
           e.inclinationRate * kPi,
           static_cast<double>(e.navFlags & kL2CodesMask),
           static_cast<double>(WidenReceiverWeek(m / kSecondsPerWeek)),
           (e.navFlags & kL2PDataFlag) != 0 ? 1.0 : 0.0,
           AccuracyMetres(e.ura),
           static_cast<double>(e.health),
           e.tgd,
           static_cast<double>(e.iodc),
           static_cast<double>(m % kSecondsPerWeek)}};
}

BroadcastValues GlonassBroadcastValues(const GlonassEphemeris& e) {
  const std::int32_t frameTime = e.tk < 0 ? e.tk + kFrameDay : e.tk;
  // The channel byte is signed: -7..+13.
  const auto channel = static_cast<std::int8_t>(e.frequencyNumber);
  return {e.sv,
          e.ReferenceSeconds(),
          {-static_cast<double>(e.tauN), e.gammaN, static_cast<double>(frameTime), e.x, e.vx, e.ax,
           static_cast<double>(e.healthBit), e.y, e.vy, e.ay, static_cast<double>(channel), e.z, e.vz, e.az,
           static_cast<double>(e.ageOfData)}};
}

BroadcastValues GeoBroadcastValues(const GeoEphemeris& e) {
  return {e.number,
          e.ReferenceSeconds(),
          {e.gf0, e.gf1, static_cast<double>(e.tow), e.x * kKilometres, e.vx * kKilometres,
           e.ax * kKilometres, 0.0, e.y * kKilometres, e.vy * kKilometres, e.ay * kKilometres,
           AccuracyMetres(static_cast<std::int8_t>(e.accuracy)), e.z * kKilometres, e.vz * kKilometres,
           e.az * kKilometres}};
}

}  // namespace qzr2rin
