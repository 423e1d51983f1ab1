#pragma once

#include <cstdint>

#include "base/status.h"
#include "decoders/epoch_data.h"
#include "input/body_reader.h"

namespace qzr2rin {

class DumpLog;
class TQZRFile;

// Satellite list messages.
Status OnSatelliteIndex(TQZRFile& f, Body body);   // [SI]
Status OnGlonassNumbers(TQZRFile& f, Body body);   // [NN]
Status OnSatelliteStatus(TQZRFile& f, Body body);  // [SS]

// Channel given to an index byte we do not handle: [SI] lists take 0,
// raw measurements kNoChannel.
inline constexpr std::int8_t kListUnknownChannel = 0;

// The list entry of one satellite index byte, as [SI] and [rM] carry it.
// A GLONASS entry has no slot number yet (it comes with [NN]).
SatelliteEntry MapSatelliteIndex(std::uint8_t index, std::int8_t unknownChannel);
// The dump text of one satellite index byte.
void DumpSatelliteIndex(DumpLog& dump, std::uint8_t index);

}  // namespace qzr2rin
