#pragma once

#include <cstdint>
#include <vector>

#include "decoders/geo_ephemeris.h"
#include "decoders/glonass_ephemeris.h"
#include "decoders/gps_ephemeris.h"

namespace qzr2rin {

// One broadcast-orbit record as numbers, for any navigation file version:
// the satellite number and GPS time of its epoch, then its values in the
// order the record's lines give them (the epoch line's three first).
struct BroadcastValues {
  int number = 0;
  std::uint32_t epochSeconds = 0;
  std::vector<double> values;
};

// GPS: the clock, six orbit lines of four, and the transmission time (28;
// the fit interval is not kept). Angles are in radians.
BroadcastValues GpsBroadcastValues(const GpsEphemeris& e);
// GLONASS: the clock and frame time, then position, velocity, acceleration
// and one more value per axis (15). Kilometres.
BroadcastValues GlonassBroadcastValues(const GlonassEphemeris& e);
// SBAS: the clock and transmission time, then position, velocity,
// acceleration per axis with health and accuracy after X and Y (14).
// Kilometres.
BroadcastValues GeoBroadcastValues(const GeoEphemeris& e);

// Full clock reference time: toc in the week nearest the middle time.
std::uint32_t ClockReference(const GpsEphemeris& e);

}  // namespace qzr2rin
