#pragma once

#include <ostream>

#include "driver/options.h"

namespace qzr2rin {

// One whole conversion as the command line asks for it: the converter's
// two runs, then the observation file and the navigation files, each
// created exclusively under one base name. Returns the exit code.
int RunConversion(const CommandLine& command, std::ostream& console);

}  // namespace qzr2rin
