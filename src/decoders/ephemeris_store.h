#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "base/constants.h"
#include "decoders/geo_ephemeris.h"
#include "decoders/glonass_ephemeris.h"
#include "decoders/gps_ephemeris.h"

namespace qzr2rin {

// Accepted ephemerides per satellite, each list in order of arrival.
struct EphemerisStore {
  static constexpr std::size_t kGpsSlots = kGpsSatellites;          // PRN 1..37 at 0..36
  static constexpr std::size_t kGlonassSlots = kGlonassSatellites;  // slot 1..33 at 0..32
  static constexpr std::size_t kGeoSlots = kGeoSatellites;          // PRN 120..138 at 0..18

  std::array<std::vector<GpsEphemeris>, kGpsSlots> gps;
  std::array<std::vector<GlonassEphemeris>, kGlonassSlots> glonass;
  std::array<std::vector<GeoEphemeris>, kGeoSlots> geo;
};

}  // namespace qzr2rin
