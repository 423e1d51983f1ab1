#pragma once

#include <ostream>
#include <vector>

#include "base/status.h"
#include "output/broadcast_values.h"
#include "output/byte_sink.h"
#include "output/rinex2/satellite_index.h"

namespace qzr2rin {

class ObservationSet;

// The three navigation files, written after the observation file.
enum class NavigationSystem { Gps, Glonass, Geo };

// The satellites that occur in the stored epochs. One walk over every
// stored satellite: the run takes it once for all three files.
SatellitesSeen SatellitesInObservations(const ObservationSet& set);

// True when ephemerides of satellites that occur in the observation file
// were collected for the system.
bool HasNavigationData(const ObservationSet& set, NavigationSystem system, const SatellitesSeen& seen);
bool HasNavigationData(const ObservationSet& set, NavigationSystem system);

// The records of the system's navigation file, in its order, as numbers;
// the satellites they belong to are listed on `console` unless null.
std::vector<BroadcastValues> NavigationRecords(const ObservationSet& set, NavigationSystem system,
                                               const SatellitesSeen& seen, std::ostream* console);
// The GLONASS-to-UTC correction of the navigation header: -tauC of the
// first record in time order, 0 without records.
double GlonassSystemTimeCorrection(const ObservationSet& set, const SatellitesSeen& seen);

// Writes the system's navigation file; the satellites it holds are listed on
// `console` unless that is null.
Status WriteNavigationFile(const ObservationSet& set, NavigationSystem system, const SatellitesSeen& seen,
                           ByteSink& out, std::ostream* console);
Status WriteNavigationFile(const ObservationSet& set, NavigationSystem system, ByteSink& out);

}  // namespace qzr2rin
