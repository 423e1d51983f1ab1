#include "support/converter_state.h"

namespace qzrtest {

using qzr2rin::TQZRFile;

void AtDate(TQZRFile& f, std::uint32_t day) { f.epochDay = day; }

void AtTimeOfDay(TQZRFile& f, std::uint32_t msOfDay) { f.epochMsOfDay = msOfDay; }

void AwaitFirstTime(TQZRFile& f, bool awaiting) { f.firstTimeAfterId = awaiting; }

void WithPendingDate(TQZRFile& f, std::uint32_t day) {
  f.datePending = true;
  f.pendingDay = day;
}

void WithTimeContinuity(TQZRFile& f, bool continuous) { f.timeContinuity = continuous; }

void WithLost(TQZRFile& f, const WalkLost& lost) {
  f.scanner.timeLost = lost.time;
  f.scanner.satelliteListLost = lost.list;
  f.scanner.glonassNumbersLost = lost.numbers;
}

void WithWindow(TQZRFile& f, bool given, qzr2rin::TGPSTimeNS start, qzr2rin::TGPSTimeNS finish) {
  f.windowGiven = given;
  f.windowStart = start;
  f.windowFinish = finish;
}

void SelectEvery(TQZRFile& f, std::uint32_t intervalMs) {
  f.selectByInterval = true;
  f.selectIntervalMs = intervalMs;
}

void InFirstRun(TQZRFile& f, bool first) { f.firstRun = first; }

qzr2rin::EpochInProgress& InProgress(TQZRFile& f, qzr2rin::EpochSource source) {
  return source == qzr2rin::EpochSource::Raw ? f.raw : f.epoch;
}

void ListSatellites(TQZRFile& f, int count) { f.epoch.count = count; }

void ListSatellites(TQZRFile& f, const std::vector<qzr2rin::SatelliteEntry>& entries) {
  f.epoch.count = static_cast<int>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) f.epoch.satellites[i] = entries[i];
}

void ListRawSatellites(TQZRFile& f, int count) { f.raw.count = count; }

void WithEpochExtras(TQZRFile& f, const qzr2rin::EpochExtras& extras) { f.epochExtras = extras; }

qzr2rin::PhaseUnwrapping& PhaseOf(TQZRFile& f) { return f.phase; }

qzr2rin::PresenceMarks& PresenceOf(TQZRFile& f) { return f.presence; }

void WithIono(TQZRFile& f, const qzr2rin::IonoParameters& p) { f.iono = p; }

void WithGpsUtc(TQZRFile& f, const qzr2rin::GpsUtcParameters& p) { f.gpsUtc = p; }

void WithGeoUtc(TQZRFile& f, const qzr2rin::GeoUtcParameters& p) { f.geoUtc = p; }

void WithGpsEphemerides(TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GpsEphemeris>& list) {
  f.ephemerides.gps.at(prn - 1) = list;
}

void WithGlonassEphemerides(TQZRFile& f, unsigned slot, const std::vector<qzr2rin::GlonassEphemeris>& list) {
  f.ephemerides.glonass.at(slot - 1) = list;
}

void WithGeoEphemerides(TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GeoEphemeris>& list) {
  f.ephemerides.geo.at(prn - 120) = list;
}

void WithReceiverType(TQZRFile& f, const std::string& type) { f.receiverType = type; }

void WithReceiverIdHash(TQZRFile& f, std::uint32_t hash) { f.receiverIdHash = hash; }

void WithTagCorrection(TQZRFile& f, bool correction) { f.tagCorrection = correction; }

void WithHeaderReceiver(TQZRFile& f, const std::string& number, const std::string& type,
                        const std::string& version) {
  f.headerReceiverNumber = number;
  f.headerReceiverType = type;
  f.headerReceiverVersion = version;
}

void WithAntennaNumber(TQZRFile& f, const std::string& number) { f.antennaNumber = number; }

void WithAntennaType(TQZRFile& f, const std::string& type) { f.antennaType = type; }

void WithAntenna(TQZRFile& f, const qzr2rin::AntennaBlock& antenna) { f.occupation.antenna = antenna; }

void WithAuthenticationMark(TQZRFile& f, bool authenticated) { f.occupation.authenticated = authenticated; }

void WithOccupationDue(TQZRFile& f, bool due) { f.occupation.occupationDue = due; }

qzr2rin::StoredRecords& Records(TQZRFile& f) { return f.records; }

void CountOutputEpoch(TQZRFile& f, qzr2rin::TGPSTimeNS time) {
  if (f.outputEpochCount++ == 0) f.firstOutputTime = time;
  f.lastOutputTime = time;
}

void WithOutputSpan(TQZRFile& f, qzr2rin::TGPSTimeNS first, qzr2rin::TGPSTimeNS last) {
  f.firstOutputTime = first;
  f.lastOutputTime = last;
}

void WithOutputInterval(TQZRFile& f, std::int32_t intervalMs) { f.outputIntervalMs = intervalMs; }

void MarkSeen(TQZRFile& f, std::uint8_t satelliteId) {
  switch (qzr2rin::SystemOf(satelliteId)) {
    case qzr2rin::kSystemGps: f.seenGps = true; break;
    case qzr2rin::kSystemGlonass: f.seenGlonass = true; break;
    case qzr2rin::kSystemGeo: f.seenWaas = true; break;
    default: break;
  }
}

void StoreEpoch(TQZRFile& f, std::uint32_t seconds, const std::vector<std::uint8_t>& satelliteIds) {
  f.records.AppendEpoch().seconds = seconds;
  for (const std::uint8_t id : satelliteIds) {
    f.records.AddSatellite().satelliteId = id;
    MarkSeen(f, id);
  }
}

void WithInputName(TQZRFile& f, const std::string& name) { f.options.inputFile = name; }

void UseGlonass(TQZRFile& f, bool use) { f.options.useGlonass = use; }

void WithConsole(TQZRFile& f, std::ostream* console) { f.console = console; }

}  // namespace qzrtest
