#include "rinex/converter_access.h"

#include "input/qzr_file.h"

// stand-in: see converter_access.h.
namespace qzr2rin::standin {

void GetObservationSpan(const TQZRFile& f, TGPSTimeNS& first, TGPSTimeNS& last) {
  if (f.records.HasEpochs()) {
    first = f.firstOutputTime;
    last = f.lastOutputTime;
  } else {
    first = last = TGPSTimeNS();
  }
}

std::string_view GetTimeSystemName(const TQZRFile& f) {
  return (f.timeSystem[0] == 'G' && f.timeSystem[1] == 'P' && f.timeSystem[2] == 'S') ? "GPS" : "GLO";
}

int GetHeaderLeapSeconds(const TQZRFile& f) {
  return (f.gpsUtc.present && f.options.useGlonass) ? f.gpsUtc.dtls : 0;
}

bool IsOccupationAuthenticated(const TQZRFile& f) {
  const DataOccup* o = f.records.CurrentOccupation();
  return o != nullptr && (o->occupationFlags & kOccupationAuthenticated) != 0;
}

}  // namespace qzr2rin::standin
