#pragma once

#include <cstddef>
#include <cstdint>

namespace qzr2rin {

// m/s, as GPS fixes it: ranges the receiver gives in seconds become metres.
inline constexpr double kSpeedOfLight = 299792458.0;

// Carrier frequencies, Hz. GEO satellites send on the GPS carriers; each
// GLONASS satellite sends on base + channel x step.
inline constexpr std::int64_t kGpsL1Hz = 1575420000;
inline constexpr std::int64_t kGpsL2Hz = 1227600000;
inline constexpr std::int64_t kGlonassL1BaseHz = 1602000000;
inline constexpr std::int64_t kGlonassL1StepHz = 562500;
inline constexpr std::int64_t kGlonassL2BaseHz = 1246000000;
inline constexpr std::int64_t kGlonassL2StepHz = 437500;

// Satellites the converter keeps apart, per system: GPS PRN 1..37, GLONASS
// slots 1..33 (replacements numbered beyond the 24 of the constellation),
// GEO PRN 120..138, whose satellite id carries PRN - 100.
inline constexpr std::size_t kGpsSatellites = 37;
inline constexpr std::size_t kGlonassSatellites = 33;
inline constexpr std::size_t kGeoSatellites = 19;
inline constexpr int kFirstGeoPrn = 120;
inline constexpr int kLastGeoPrn = kFirstGeoPrn + static_cast<int>(kGeoSatellites) - 1;
inline constexpr int kGeoNumberOffset = 100;

}  // namespace qzr2rin
