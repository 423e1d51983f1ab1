#include "model/observation_set.h"

#include "decoders/authentication.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {

ObservationSet CollectObservations(const TQZRFile& f) {
  HeaderFacts h;
  h.inputName = f.options.inputFile;
  h.receiverNumber = f.headerReceiverNumber;
  h.receiverType = f.headerReceiverType;
  h.receiverVersion = f.headerReceiverVersion;
  h.antennaNumber = f.antennaNumber;
  h.antennaType = f.antennaType;
  h.gps = f.seenGps;
  h.glonass = f.seenGlonass;
  h.geo = f.seenWaas;
  h.intervalMs = f.outputIntervalMs;
  h.firstTime = f.firstOutputTime;
  h.lastTime = f.lastOutputTime;
  GetObservationSpan(f, h.firstObservation, h.lastObservation);
  h.leapSeconds = GetHeaderLeapSeconds(f);
  h.timeSystem = GetTimeSystemName(f);
  h.iono = f.iono;
  h.gpsUtc = f.gpsUtc;
  h.geoUtc = f.geoUtc;
  return ObservationSet(f.records, f.ephemerides, std::move(h), f.profile, f.records.CurrentOccupation());
}

}  // namespace qzr2rin
