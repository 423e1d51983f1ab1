#include "support/converter_state.h"

namespace qzrtest {

using qzr2rin::TQZRFile;

void AtDate(TQZRFile& f, std::uint32_t day) { f.Clock().epochDay = day; }

void AtTimeOfDay(TQZRFile& f, std::uint32_t msOfDay) { f.Clock().epochMsOfDay = msOfDay; }

void AwaitFirstTime(TQZRFile& f, bool awaiting) { f.Clock().firstTimeAfterId = awaiting; }

void WithPendingDate(TQZRFile& f, std::uint32_t day) {
  f.Clock().datePending = true;
  f.Clock().pendingDay = day;
}

void WithTimeContinuity(TQZRFile& f, bool continuous) { f.Clock().timeContinuity = continuous; }

void WithLost(TQZRFile& f, const WalkLost& lost) {
  f.Scanner().timeLost = lost.time;
  f.Scanner().satelliteListLost = lost.list;
  f.Scanner().glonassNumbersLost = lost.numbers;
}

void WithWindow(TQZRFile& f, bool given, qzr2rin::TGPSTimeNS start, qzr2rin::TGPSTimeNS finish) {
  f.Window().windowGiven = given;
  f.Window().windowStart = start;
  f.Window().windowFinish = finish;
}

void SelectEvery(TQZRFile& f, std::uint32_t intervalMs) {
  f.Selection().selectByInterval = true;
  f.Selection().selectIntervalMs = intervalMs;
}

void InFirstRun(TQZRFile& f, bool first) { f.SetFirstRun(first); }

qzr2rin::EpochInProgress& InProgress(TQZRFile& f, qzr2rin::EpochSource source) {
  return source == qzr2rin::EpochSource::Raw ? f.Assembly().raw : f.Assembly().epoch;
}

void ListSatellites(TQZRFile& f, int count) { f.Assembly().epoch.count = count; }

void ListSatellites(TQZRFile& f, const std::vector<qzr2rin::SatelliteEntry>& entries) {
  f.Assembly().epoch.count = static_cast<int>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) f.Assembly().epoch.satellites[i] = entries[i];
}

void ListRawSatellites(TQZRFile& f, int count) { f.Assembly().raw.count = count; }

void WithEpochExtras(TQZRFile& f, const qzr2rin::EpochExtras& extras) { f.Assembly().epochExtras = extras; }

qzr2rin::PhaseUnwrapping& PhaseOf(TQZRFile& f) { return f.Assembly().phase; }

qzr2rin::PresenceMarks& PresenceOf(TQZRFile& f) { return f.Assembly().presence; }

void WithIono(TQZRFile& f, const qzr2rin::IonoParameters& p) { f.Collected().iono = p; }

void WithGpsUtc(TQZRFile& f, const qzr2rin::GpsUtcParameters& p) { f.Collected().gpsUtc = p; }

void WithGeoUtc(TQZRFile& f, const qzr2rin::GeoUtcParameters& p) { f.Collected().geoUtc = p; }

void WithGpsEphemerides(TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GpsEphemeris>& list) {
  f.Collected().ephemerides.gps.at(prn - 1) = list;
}

void WithGlonassEphemerides(TQZRFile& f, unsigned slot, const std::vector<qzr2rin::GlonassEphemeris>& list) {
  f.Collected().ephemerides.glonass.at(slot - 1) = list;
}

void WithGeoEphemerides(TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GeoEphemeris>& list) {
  f.Collected().ephemerides.geo.at(prn - 120) = list;
}

void WithReceiverType(TQZRFile& f, const std::string& type) { f.Identity().receiverType = type; }

void WithReceiverIdHash(TQZRFile& f, std::uint32_t hash) { f.Identity().receiverIdHash = hash; }

void WithTagCorrection(TQZRFile& f, bool correction) { f.Identity().tagCorrection = correction; }

void WithHeaderReceiver(TQZRFile& f, const std::string& number, const std::string& type,
                        const std::string& version) {
  f.Identity().headerReceiverNumber = number;
  f.Identity().headerReceiverType = type;
  f.Identity().headerReceiverVersion = version;
}

void WithAntennaNumber(TQZRFile& f, const std::string& number) { f.Identity().antennaNumber = number; }

void WithAntennaType(TQZRFile& f, const std::string& type) { f.Identity().antennaType = type; }

void WithAntenna(TQZRFile& f, const qzr2rin::AntennaBlock& antenna) { f.Occupation().antenna = antenna; }

void WithAuthenticationMark(TQZRFile& f, bool authenticated) { f.Occupation().authenticated = authenticated; }

void WithOccupationDue(TQZRFile& f, bool due) {
  if (due) {
    f.Occupation().handOff.AskForOccupation();
  } else {
    f.Occupation().handOff.Withdraw();
  }
}

qzr2rin::StoredRecords& Records(TQZRFile& f) { return f.Collected().records; }

void CountOutputEpoch(TQZRFile& f, qzr2rin::TGPSTimeNS time) {
  if (f.Statistics().outputEpochCount++ == 0) f.Statistics().firstOutputTime = time;
  f.Statistics().lastOutputTime = time;
}

void WithOutputSpan(TQZRFile& f, qzr2rin::TGPSTimeNS first, qzr2rin::TGPSTimeNS last) {
  f.Statistics().firstOutputTime = first;
  f.Statistics().lastOutputTime = last;
}

void WithOutputInterval(TQZRFile& f, std::int32_t intervalMs) {
  f.Statistics().outputIntervalMs = intervalMs;
}

void MarkSeen(TQZRFile& f, std::uint8_t satelliteId) {
  switch (qzr2rin::SystemOf(satelliteId)) {
    case qzr2rin::kSystemGps: f.Statistics().seenGps = true; break;
    case qzr2rin::kSystemGlonass: f.Statistics().seenGlonass = true; break;
    case qzr2rin::kSystemGeo: f.Statistics().seenWaas = true; break;
    default: break;
  }
}

void StoreEpoch(TQZRFile& f, std::uint32_t seconds, const std::vector<std::uint8_t>& satelliteIds) {
  f.Collected().records.AppendEpoch().seconds = seconds;
  for (const std::uint8_t id : satelliteIds) {
    f.Collected().records.AddSatellite().satelliteId = id;
    MarkSeen(f, id);
  }
}

void WithInputName(TQZRFile& f, const std::string& name) { f.Options().inputFile = name; }

void UseGlonass(TQZRFile& f, bool use) { f.Options().useGlonass = use; }

void WithConsole(TQZRFile& f, std::ostream* console) { f.SetConsole(console); }

}  // namespace qzrtest
