#pragma once

#include <string_view>

#include "qzr2rin/gps_time.h"

namespace qzr2rin {

class TQZRFile;

// stand-in: the converter's accessors, until epoch/authentication.h provides
// them under these names. The writer reaches them only through this header.
namespace standin {

// Times of the first and last stored epoch; both zero without epochs.
void GetObservationSpan(const TQZRFile& f, TGPSTimeNS& first, TGPSTimeNS& last);
// "GPS", or "GLO" when the time-system tag does not say GPS.
std::string_view GetTimeSystemName(const TQZRFile& f);
// The GPS-UTC leap seconds when the UTC parameters arrived and GLONASS is in
// use; 0 otherwise.
int GetHeaderLeapSeconds(const TQZRFile& f);
// Whether the converter's current occupation carries the authenticated mark.
bool IsOccupationAuthenticated(const TQZRFile& f);

}  // namespace standin
}  // namespace qzr2rin
