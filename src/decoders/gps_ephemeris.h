#pragma once

#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "base/time_units.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// [GE] body length, checksum included.
inline constexpr std::size_t kGpsEphemerisLength = 123;

// One accepted GPS ephemeris, as the navigation file writer reads it.
// Values keep the message's units: angles in semicircles, rates in
// semicircles per second.
struct GpsEphemeris {
  // A time as milliseconds of day and GPS day number.
  struct Time {
    std::uint32_t msOfDay = 0;
    std::uint32_t day = 0;
    std::uint32_t Seconds() const { return day * kSecondsPerDay + msOfDay / kMsPerSecond; }
    friend bool operator==(const Time&, const Time&) = default;
  };

  std::uint8_t prn = 0;
  Time middleTime;  // reference time of the fit interval
  std::int32_t toc = 0;
  std::int32_t toe = 0;
  float tgd = 0;
  float af2 = 0;
  float af1 = 0;
  float af0 = 0;
  float deltaN = 0;
  double m0 = 0;
  double eccentricity = 0;
  double sqrtA = 0;
  float cic = 0;
  float cis = 0;
  float crc = 0;
  float crs = 0;
  float cuc = 0;
  float cus = 0;
  double argumentOfPerigee = 0;
  double omega0 = 0;
  float omegaDot = 0;
  double inclination = 0;
  float inclinationRate = 0;
  std::uint8_t iode = 0;
  std::uint16_t iodc = 0;
  std::int8_t ura = 0;
  std::uint16_t health = 0;
  std::uint8_t navFlags = 0;  // 4: 4-hour fit, 8: L2 P data, bits 0-1: codes on L2
};

// The reference time of the fit interval for the message's week (already
// widened past the 1024-week rollover), time of week and flags byte.
GpsEphemeris::Time GpsMiddleTime(std::int32_t week, std::uint32_t tow, std::uint8_t flags);

// GPS broadcast ephemeris: Ok whenever the checksum is good, accepted or
// not; BadChecksum for a damaged body.
Status OnGpsEphemeris(TQZRFile& f, Body body);  // [GE]

}  // namespace qzr2rin
