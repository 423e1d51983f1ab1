#pragma once

#include <ostream>
#include <string_view>

#include "base/status.h"
#include "output/byte_sink.h"
#include "output/rinex2/navigation_files.h"

namespace qzr2rin {

class ObservationSet;

// True when any system has ephemerides of satellites in the observation file.
bool HasMixedNavigationData(const ObservationSet& set, const SatellitesSeen& seen);

// The mixed RINEX 3 navigation file: GPS, GLONASS and SBAS records of the
// satellites seen, the same records the RINEX 2.10 files hold, in the 3.04
// layout (the GLONASS records of 3.05 need health words the log does not
// carry). The satellites it holds are listed on `console` unless null.
Status WriteMixedNavigationFile(const ObservationSet& set, const SatellitesSeen& seen, ByteSink& out,
                                std::ostream* console);

}  // namespace qzr2rin
