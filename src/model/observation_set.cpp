#include "model/observation_set.h"

#include "decoders/authentication.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {

ObservationSet CollectObservations(const TQZRFile& f) {
  HeaderFacts h;
  h.inputName = f.Options().inputFile;
  h.receiverNumber = f.Identity().headerReceiverNumber;
  h.receiverType = f.Identity().headerReceiverType;
  h.receiverVersion = f.Identity().headerReceiverVersion;
  h.antennaNumber = f.Identity().antennaNumber;
  h.antennaType = f.Identity().antennaType;
  h.gps = f.Statistics().seenGps;
  h.glonass = f.Statistics().seenGlonass;
  h.geo = f.Statistics().seenWaas;
  h.intervalMs = f.Statistics().outputIntervalMs;
  h.firstTime = f.Statistics().firstOutputTime;
  h.lastTime = f.Statistics().lastOutputTime;
  GetObservationSpan(f, h.firstObservation, h.lastObservation);
  h.leapSeconds = GetHeaderLeapSeconds(f);
  h.timeSystem = GetTimeSystemName(f);
  h.iono = f.Collected().iono;
  h.gpsUtc = f.Collected().gpsUtc;
  h.geoUtc = f.Collected().geoUtc;
  return ObservationSet(f.Collected().records, f.Collected().ephemerides, std::move(h), f.Profile(),
                        f.Collected().records.CurrentOccupation());
}

}  // namespace qzr2rin
