#pragma once

// The one way tests put a converter into a state: as the messages before
// it would have left it, without running them. Grouped by the part of the
// converter that owns the state, so a test says what it means ("the
// receiver is at 10:00 on day 9000, the list is lost") and a change in the
// converter's shape changes only these functions.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "decoders/epoch_completion.h"
#include "decoders/epoch_data.h"
#include "decoders/geo_ephemeris.h"
#include "decoders/glonass_ephemeris.h"
#include "decoders/gps_ephemeris.h"
#include "decoders/occupation_state.h"
#include "decoders/parameter_sets.h"
#include "decoders/qzr_file.h"
#include "decoders/stored_records.h"
#include "qzr2rin/gps_time.h"
#include "support/converter_bench.h"

namespace qzrtest {

// ---- receiver clock ----

// The receiver's date, a GPS day number (0: no date yet); its time of day
// stays as it is.
void AtDate(qzr2rin::TQZRFile& f, std::uint32_t day);
// The receiver's time of day in milliseconds; the date stays as it is.
void AtTimeOfDay(qzr2rin::TQZRFile& f, std::uint32_t msOfDay);
// Whether the next receiver time is the first after the identification,
// which is taken without the step test.
void AwaitFirstTime(qzr2rin::TQZRFile& f, bool awaiting);
// A date that waits for the next non-empty satellite list.
void WithPendingDate(qzr2rin::TQZRFile& f, std::uint32_t day);
void WithTimeContinuity(qzr2rin::TQZRFile& f, bool continuous);

// ---- stream trust ----

// The time, satellite list and GLONASS numbers as lost or trusted.
void WithLost(qzr2rin::TQZRFile& f, const WalkLost& lost);

// ---- time window and epoch selection ----

// The absolute window as the first date leaves it; a zero end is open.
void WithWindow(qzr2rin::TQZRFile& f, bool given, qzr2rin::TGPSTimeNS start, qzr2rin::TGPSTimeNS finish);
// Only epochs on exact multiples of the interval are kept.
void SelectEvery(qzr2rin::TQZRFile& f, std::uint32_t intervalMs);
// The first run decodes only what finds the data interval, silently.
void InFirstRun(qzr2rin::TQZRFile& f, bool first);

// ---- epochs in progress ----

qzr2rin::EpochInProgress& InProgress(qzr2rin::TQZRFile& f,
                                     qzr2rin::EpochSource source = qzr2rin::EpochSource::Observables);
// `count` entries of the observables' list in use, whatever they hold.
void ListSatellites(qzr2rin::TQZRFile& f, int count);
// The observables' list holds exactly these entries.
void ListSatellites(qzr2rin::TQZRFile& f, const std::vector<qzr2rin::SatelliteEntry>& entries);
// `count` entries of the raw measurements' list in use.
void ListRawSatellites(qzr2rin::TQZRFile& f, int count);
void WithEpochExtras(qzr2rin::TQZRFile& f, const qzr2rin::EpochExtras& extras);
// The state that outlives epochs: phase unwrapping and the previous lists.
qzr2rin::PhaseUnwrapping& PhaseOf(qzr2rin::TQZRFile& f);
qzr2rin::PresenceMarks& PresenceOf(qzr2rin::TQZRFile& f);

// ---- navigation data and parameter sets ----

void WithIono(qzr2rin::TQZRFile& f, const qzr2rin::IonoParameters& p);
void WithGpsUtc(qzr2rin::TQZRFile& f, const qzr2rin::GpsUtcParameters& p);
void WithGeoUtc(qzr2rin::TQZRFile& f, const qzr2rin::GeoUtcParameters& p);
// The accepted ephemerides of one satellite, in order of arrival: GPS by
// PRN, GLONASS by slot, GEO by PRN (120..138).
void WithGpsEphemerides(qzr2rin::TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GpsEphemeris>& list);
void WithGlonassEphemerides(qzr2rin::TQZRFile& f, unsigned slot,
                            const std::vector<qzr2rin::GlonassEphemeris>& list);
void WithGeoEphemerides(qzr2rin::TQZRFile& f, unsigned prn, const std::vector<qzr2rin::GeoEphemeris>& list);

// ---- receiver identity ----

void WithReceiverType(qzr2rin::TQZRFile& f, const std::string& type);
// The hash of the receiver's identity that signatures are made with.
void WithReceiverIdHash(qzr2rin::TQZRFile& f, std::uint32_t hash);
// Whether the firmware needs the time-tag correction.
void WithTagCorrection(qzr2rin::TQZRFile& f, bool correction);
// The receiver texts of the observation header.
void WithHeaderReceiver(qzr2rin::TQZRFile& f, const std::string& number, const std::string& type,
                        const std::string& version);
void WithAntennaNumber(qzr2rin::TQZRFile& f, const std::string& number);
void WithAntennaType(qzr2rin::TQZRFile& f, const std::string& type);

// ---- occupation ----

// The antenna that the next recorded occupation carries.
void WithAntenna(qzr2rin::TQZRFile& f, const qzr2rin::AntennaBlock& antenna);
// A matching signature arrived for the current occupation.
void WithAuthenticationMark(qzr2rin::TQZRFile& f, bool authenticated);
// Whether a new occupation is to be named and recorded.
void WithOccupationDue(qzr2rin::TQZRFile& f, bool due);

// ---- collected records and run statistics ----

qzr2rin::StoredRecords& Records(qzr2rin::TQZRFile& f);
// An output epoch as the second run counts it: the span of the output.
void CountOutputEpoch(qzr2rin::TQZRFile& f, qzr2rin::TGPSTimeNS time);
void WithOutputSpan(qzr2rin::TQZRFile& f, qzr2rin::TGPSTimeNS first, qzr2rin::TGPSTimeNS last);
void WithOutputInterval(qzr2rin::TQZRFile& f, std::int32_t intervalMs);
// The system of the satellite occurs in the observations.
void MarkSeen(qzr2rin::TQZRFile& f, std::uint8_t satelliteId);
// A stored epoch at `seconds` with one satellite per id, in order, each
// system marked as seen.
void StoreEpoch(qzr2rin::TQZRFile& f, std::uint32_t seconds, const std::vector<std::uint8_t>& satelliteIds);

// ---- options and console ----

// The input's name, which the output headers show; the bench's own file
// stays mapped.
void WithInputName(qzr2rin::TQZRFile& f, const std::string& name);
void UseGlonass(qzr2rin::TQZRFile& f, bool use);
void WithConsole(qzr2rin::TQZRFile& f, std::ostream* console);

}  // namespace qzrtest
