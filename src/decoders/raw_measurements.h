#pragma once

#include <cstddef>

#include "base/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Header of the raw-measurement message, without the two CRC bytes.
inline constexpr std::size_t kRawHeaderLength = 12;

// The compact raw-measurement message: one message per epoch with its own
// time, satellite list and measurements. It fills the raw epoch and closes
// it at once. Returns Ok for a damaged or unusable message (it is ignored),
// BadTimeTag when the -s/-f window cannot be placed at its date, or the
// status of a failed epoch store. In the first run it only sets the
// receiver time and returns that result.
Status OnRawMeasurements(TQZRFile& f, Body body);  // [rM]

}  // namespace qzr2rin
