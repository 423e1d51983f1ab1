#pragma once

#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "base/time_units.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// One accepted GLONASS ephemeris, as the navigation file writer reads it.
// Times are already in UTC (the message carries Moscow time, UTC + 3 h);
// every other value is kept as received, in the units the navigation file
// prints them in.
struct GlonassEphemeris {
  std::uint8_t sv = 0;                 // slot number 1..33
  std::uint32_t referenceMsOfDay = 0;  // tb, milliseconds of the UTC day
  std::uint32_t referenceDay = 0;      // GPS day number of that UTC day
  std::int32_t tk = 0;                 // frame time, UTC seconds of referenceDay; may be
                                       // negative when the frame came before the day began
  float tauN = 0;                      // satellite clock correction, s (the file shows -tauN)
  float gammaN = 0;                    // relative frequency bias
  double x = 0, y = 0, z = 0;          // position, km
  float vx = 0, vy = 0, vz = 0;        // velocity, km/s
  float ax = 0, ay = 0, az = 0;        // acceleration, km/s^2
  double tauC = 0;                     // system time correction, s
  std::uint8_t ageOfData = 0;          // days
  std::uint8_t reserved = 0;           // kept, never written
  std::uint8_t healthBit = 0;          // 1 when any of health bits 0-2 is set
  std::uint8_t frequencyNumber = 0;    // channel number byte exactly as received

  // Sort key of the navigation file: whole GPS seconds of the reference time.
  std::uint32_t ReferenceSeconds() const {
    return referenceDay * kSecondsPerDay + referenceMsOfDay / kMsPerSecond;
  }
};

// Length of the [NE] body.
inline constexpr std::size_t kGlonassEphemerisLength = 80;  // checksum byte last

// GLONASS broadcast ephemeris: dated from the day in the four-year cycle and
// the receiver's date, then appended to the slot's list unless it repeats
// the last one stored.
Status OnGlonassEphemeris(TQZRFile& f, Body body);  // [NE]

}  // namespace qzr2rin
