#pragma once

#include "base/status.h"
#include "decoders/collected_records.h"
#include "decoders/stored_records.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// User events: tagged texts typed on the receiver (site name, mode,
// antenna height and type, save and cancel of an occupation).
Status OnUserEvent(TQZRFile& f, Body body);  // [==]
// Pulses on the event inputs: [XA] (variant 0, port 1) and [XB] (variant 1,
// port 2).
Status OnExternalEvent(TQZRFile& f, Body body, int variant);

// Sets the event's output time: GPS time as recorded, UTC(USNO) moved to
// GPS time with the GPS UTC parameters. False, with the recorded time kept,
// for the other time bases and when the parameters were not received.
bool ConvertEventTime(const GpsUtcParameters& gpsUtc, DataEvent& e);
// Gives every stored event its output time, once the run knows the UTC
// relation; the writers only read the result.
void ConvertEventTimes(CollectedRecords& collected);

}  // namespace qzr2rin
