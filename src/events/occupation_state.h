#pragma once

#include <cstdint>

namespace qzr2rin {

// Where the converter stands with occupations (sites): what is due to be
// named and recorded with the next stored epoch.
struct OccupationState {
  std::int16_t occupationNumber = 0;
  bool occupationDue = true;    // a new occupation must be named and recorded
  bool handOffArmed = true;     // the next stored epoch starts it
  bool userNamed = true;        // the marker name is used without a suffix
  bool siteNamed = false;
  bool firstOccupation = true;  // no occupation has been named yet
  bool antennaRecordDue = false;  // the receiver's antenna texts go with the next occupation
};

}  // namespace qzr2rin
