#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "decoders/occupation_state.h"

namespace qzr2rin {

class TQZRFile;

// Arms the hand-off to a new occupation and stores the epoch in progress.
Status CloseOccupation(TQZRFile& f);

// Gives the occupation that starts with the next stored epoch its number
// and name ("stem_K1", "stem_S2", ... unless the name came from the user).
// It takes effect when that occupation is recorded: an epoch dropped after
// the naming (interval selection, order test) uses up no number and no name.
void NameOccupation(TQZRFile& f, bool kinematic);
// Records the occupation, just before the epoch that starts it is stored.
Status RecordOccupation(TQZRFile& f);

// The stored occupation records.
Status StoreOccupation(TQZRFile& f, std::int16_t number, const std::string& markerName,
                       const std::string& markerNumber);
Status StoreAntennaBlock(TQZRFile& f, const AntennaBlock& block);
// Stores an external event of the receiver day; events outside the time
// window are dropped.
Status StoreEvent(TQZRFile& f, std::uint8_t port, std::uint32_t msOfDay, std::uint32_t nanoseconds,
                  std::uint16_t timeBase);
// Removes occupation `number` with every epoch and event stored under it,
// repairing the statistics.
Status DeleteOccupation(TQZRFile& f, std::int16_t number);

}  // namespace qzr2rin
