#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"
#include "decoders/epoch_selection.h"
#include "decoders/message_dump.h"
#include "decoders/receiver_clock.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

// Body lengths, checksum or CRC included.
inline constexpr std::size_t kReceiverTimeLength = 5;     // [~~]
inline constexpr std::size_t kReceiverDateLength = 6;     // [RD] and a derived date
inline constexpr std::size_t kReferenceEpochLength = 10;  // [rE]

// Packed week-or-day field of [rE] and [rM]: bits 0..10 the value, 11..12
// the leap-second state, 13..15 the scale.
inline constexpr unsigned kWeekOrDayMask = 0x07FF;
inline constexpr unsigned kLeapStateShift = 11;
inline constexpr unsigned kLeapStateMask = 0x3;
inline constexpr unsigned kScaleShift = 13;

constexpr unsigned WeekOrDayValue(std::uint16_t packed) { return packed & kWeekOrDayMask; }
constexpr unsigned LeapState(std::uint16_t packed) {
  return (static_cast<unsigned>(packed) >> kLeapStateShift) & kLeapStateMask;
}
constexpr unsigned TimeScale(std::uint16_t packed) { return static_cast<unsigned>(packed) >> kScaleShift; }

// The dump line that opens [rE] and [rM], which share their first fields.
// Not in the first run.
void DumpReferenceHeader(MessageDump dump, unsigned sample, std::uint16_t packed, std::uint32_t referenceMs);

// Receiver time and date messages. Each returns Ok, BadChecksum for a
// damaged [~~] or [RD], DateOutOfOrder for a date earlier than the current
// one, or BadTimeTag when the -s/-f window cannot be placed at the first
// date. A body shorter than its layout is ignored (Ok).
Status OnReceiverTime(TQZRFile& f, Body body);    // [~~]
Status OnReceiverDate(TQZRFile& f, Body body);    // [RD]
Status OnReferenceEpoch(TQZRFile& f, Body body);  // [rE]

// A date derived from a GPS ephemeris: the six bytes of an [RD] body with
// time base 0, taken without a checksum.
Status OnDerivedDate(TQZRFile& f, Body date);

// Sets the receiver date and time from a packed week-or-day field and a
// reference time in milliseconds; Status::NoFullDate when the scale cannot
// be used. In the first run a four-year day without a date still sets the
// time of day, and nothing goes to the dump.
Status DecodeWeekOrDay(ReceiverClock& clock, MessageDump dump, bool firstRun, std::uint16_t packed,
                       std::uint32_t referenceMs);

// Completes the -s/-f window at the first date learned, then makes `day`
// the receiver date. Status::BadTimeTag (with errorDetail) when a window
// end's day of the month does not exist in the month it falls in; the date
// is taken all the same.
Status ApplyFirstDate(ReceiverClock& clock, TimeWindow& window, std::string& errorDetail, std::uint32_t day);

// Day number of day-of-month d, in the given month or, when d is before
// today, in the month after it; 0 when that month has no such day.
std::uint32_t ResolveDayOfMonth(unsigned dayOfMonth, unsigned year, unsigned month, unsigned today);

}  // namespace qzr2rin
