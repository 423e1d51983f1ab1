#pragma once

#include <string>

#include "qzr2rin/export.h"

namespace qzr2rin {

// Text of a conversion status (the program's exit code). Statuses without a
// text of their own, and any value outside 0..17, give "-Unknown-".
QZR2RIN_API void GetError(int status, std::string& text);
QZR2RIN_API std::string GetError(int status);

}  // namespace qzr2rin
