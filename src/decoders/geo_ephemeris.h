#pragma once

#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "base/time_units.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// One accepted GEO ephemeris, as the navigation file writer reads it. Values
// are kept as received: positions in metres, velocities in m/s,
// accelerations in m/s^2 (the file shows them in km).
struct GeoEphemeris {
  std::uint8_t number = 0;           // PRN - 100, 20..38
  std::uint32_t messageMsOfDay = 0;  // week * 604800 + tow, milliseconds of its day
  std::uint32_t messageDay = 0;      // GPS day number of that time
  std::uint8_t gpsNumber = 0;        // as received, not written
  std::uint8_t iod = 0;              // issue of data
  std::uint8_t accuracy = 0;         // accuracy index (the file shows metres)
  std::uint32_t toaDay = 0;          // GPS day number of the reference time
  std::uint32_t toa = 0;             // reference time, seconds of toaDay
  double x = 0, y = 0, z = 0;        // m
  float vx = 0, vy = 0, vz = 0;      // m/s
  float ax = 0, ay = 0, az = 0;      // m/s^2
  float gf0 = 0;                     // clock offset, s
  float gf1 = 0;                     // clock drift, s/s
  std::uint32_t tow = 0;             // transmission time, seconds of week
  std::uint16_t wn = 0;              // GPS week, already widened past 1024

  // Sort key of the navigation file: whole GPS seconds of the reference time.
  std::uint32_t ReferenceSeconds() const { return toaDay * kSecondsPerDay + toa; }
};

inline constexpr std::size_t kGeoEphemerisLength = 71;  // checksum byte last

// GEO broadcast ephemeris: dated from the message's week and time of week,
// then appended to the satellite's list unless it repeats the last one.
Status OnGeoEphemeris(TQZRFile& f, Body body);  // [WE]

}  // namespace qzr2rin
