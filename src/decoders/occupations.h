#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "decoders/epoch_selection.h"
#include "decoders/occupation_state.h"
#include "decoders/receiver_clock.h"
#include "decoders/receiver_identity.h"
#include "decoders/run_statistics.h"
#include "decoders/stored_records.h"
#include "input/dump_log.h"

namespace qzr2rin {

class TQZRFile;

// Arms the hand-off to a new occupation and stores the epoch in progress.
Status CloseOccupation(TQZRFile& f);

// Gives the occupation that starts with the next stored epoch its number
// and name ("stem_K1", "stem_S2", ... unless the name came from the user).
// It takes effect when that occupation is recorded: an epoch dropped after
// the naming (interval selection, order test) uses up no number and no name.
void NameOccupation(OccupationState& o, bool kinematic);
// Records the occupation, just before the epoch that starts it is stored:
// names it when a naming is due, and stores its record.
Status RecordOccupation(OccupationState& o, ReceiverIdentity& identity, StoredRecords& records, DumpLog& log);

// The stored occupation records.
// The occupation's record takes the state's antenna and authentication.
Status StoreOccupation(StoredRecords& records, const OccupationState& o, std::int16_t number,
                       const std::string& markerName, const std::string& markerNumber);
Status StoreAntennaBlock(StoredRecords& records, const AntennaBlock& block);
// Stores an external event of the receiver day; events outside the time
// window are dropped.
Status StoreEvent(StoredRecords& records, const ReceiverClock& clock, const TimeWindow& window,
                  std::uint8_t port, std::uint32_t msOfDay, std::uint32_t nanoseconds,
                  std::uint16_t timeBase);
// Removes occupation `number` with every epoch and event stored under it,
// repairing the statistics.
Status DeleteOccupation(StoredRecords& records, RunStatistics& statistics, EpochSelection& selection,
                        DumpLog& log, std::int16_t number);

}  // namespace qzr2rin
