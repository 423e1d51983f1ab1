#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/constants.h"
#include "decoders/epoch_data.h"

namespace qzr2rin {

// The writers' satellite order: GPS 1..37 at 0..36, GLONASS 1..33 at
// 37..69, SBAS 20..38 (PRN 120..138) at 70..88. Every satellite-ordered list
// in an output file follows it.
inline constexpr std::size_t kSatelliteIndexCount = kGpsSatellites + kGlonassSatellites + kGeoSatellites;
inline constexpr int kFirstGlonassIndex = static_cast<int>(kGpsSatellites);
inline constexpr int kFirstSbasIndex = static_cast<int>(kGpsSatellites + kGlonassSatellites);
inline constexpr int kFirstSbasNumber = kFirstGeoPrn - kGeoNumberOffset;  // id number of PRN 120
// Every output order hangs on these; a change of a base count must not move
// them unnoticed, so the values are written out here.
// NOLINTBEGIN(readability-magic-numbers)
static_assert(kSatelliteIndexCount == 89 && kFirstGlonassIndex == 37 && kFirstSbasIndex == 70 &&
              kFirstSbasNumber == 20);
// NOLINTEND(readability-magic-numbers)

// Which satellites occur in the observations, by the index above.
using SatellitesSeen = std::array<bool, kSatelliteIndexCount>;

// Index of a satellite id, or -1 for a number the table has no room for
// (number 0 included). System bits 11 count as SBAS, as the letter does.
constexpr int SatelliteIndex(std::uint8_t satelliteId) {
  const int n = NumberOf(satelliteId);
  if (n == 0) return -1;
  switch (SystemOf(satelliteId)) {
    case kSystemGps: return n <= kFirstGlonassIndex ? n - 1 : -1;
    case kSystemGlonass: return n <= kFirstSbasIndex - kFirstGlonassIndex ? n - 1 + kFirstGlonassIndex : -1;
    default: {
      const int index = n - kFirstSbasNumber + kFirstSbasIndex;
      return (index >= kFirstSbasIndex && index < static_cast<int>(kSatelliteIndexCount)) ? index : -1;
    }
  }
}

// System letter of an id as the records write it.
constexpr char SystemLetter(std::uint8_t satelliteId) {
  switch (SystemOf(satelliteId)) {
    case kSystemGps: return 'G';
    case kSystemGlonass: return 'R';
    default: return 'S';
  }
}

// Letter and number of a table index (0..88).
constexpr char IndexLetter(int index) {
  return index < kFirstGlonassIndex ? 'G' : (index < kFirstSbasIndex ? 'R' : 'S');
}
constexpr int IndexNumber(int index) {
  return index < kFirstGlonassIndex ? index + 1
                                    : (index < kFirstSbasIndex ? index - kFirstGlonassIndex + 1
                                                               : index - kFirstSbasIndex + kFirstSbasNumber);
}

}  // namespace qzr2rin
