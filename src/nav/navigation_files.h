#pragma once

#include "driver/status.h"
#include "platform/files.h"

namespace qzr2rin {

class TQZRFile;

// The three navigation files, written after the observation file.
enum class NavigationSystem { Gps, Glonass, Geo };

// True when ephemerides of satellites that occur in the observation file
// were collected for the system.
bool HasNavigationData(const TQZRFile& f, NavigationSystem system);

// Writes the system's navigation file.
Status WriteNavigationFile(const TQZRFile& f, NavigationSystem system, platform::OutputFile& out);

}  // namespace qzr2rin
