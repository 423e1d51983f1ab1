#pragma once

#include "decoders/ephemeris_store.h"
#include "decoders/parameter_sets.h"
#include "decoders/stored_records.h"

namespace qzr2rin {

// What the second run keeps for the writers.
struct CollectedRecords {
  StoredRecords records;
  EphemerisStore ephemerides;
  IonoParameters iono;
  GpsUtcParameters gpsUtc;
  GeoUtcParameters geoUtc;
};

}  // namespace qzr2rin
