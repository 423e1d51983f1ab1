#pragma once

#include <cstdint>

#include "driver/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Receiver time and date messages.
Status OnReceiverTime(TQZRFile& f, Body body);    // [~~]
Status OnReceiverDate(TQZRFile& f, Body body);    // [RD]
Status OnReferenceEpoch(TQZRFile& f, Body body);  // [rE]

// A date derived from a GPS ephemeris: the six bytes of an [RD] body with
// time base 0, taken without a checksum.
Status OnDerivedDate(TQZRFile& f, Body date);

// Sets the receiver date and time from a packed week-or-day field and a
// reference time in milliseconds; Status::NoFullDate when the scale cannot
// be used.
Status DecodeWeekOrDay(TQZRFile& f, std::uint16_t packed, std::uint32_t referenceMs);

// Completes the -s/-f window at the first date learned, then makes `day`
// the receiver date.
Status ApplyFirstDate(TQZRFile& f, std::uint32_t day);

// Day number of day-of-month d, in the given month or, when d is before
// today, in the month after it.
std::uint32_t ResolveDayOfMonth(unsigned dayOfMonth, unsigned year, unsigned month, unsigned today);

}  // namespace qzr2rin
