#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace qzr2rin {

// Appends one failure record to "QZR2RIN.log" in the temporary directory:
// the input could not be opened. A log that cannot be written, or that is
// not a regular file, is not reported.
void AppendProgramLog(const std::string& inputName, std::uint32_t lastError, Status status);

// Where the record goes.
std::string ProgramLogPath();

}  // namespace qzr2rin
