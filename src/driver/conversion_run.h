#pragma once

#include <ostream>

#include "driver/options.h"

namespace qzr2rin {

// One whole conversion as the command line asks for it: the converter's
// two runs, then the observation file and the navigation files under one
// base name, each written under a temporary name and all named together,
// never over an existing file, once every one is whole. Returns the exit
// code; an allocation failure anywhere is 14 and leaves no file.
int RunConversion(const CommandLine& command, std::ostream& console);

}  // namespace qzr2rin
