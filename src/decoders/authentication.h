#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"
#include "decoders/stored_records.h"
#include "input/body_reader.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

class TQZRFile;

// What the signature check keeps for a whole conversion.
struct SignatureState {
  // Damaged [SE] messages since the start of the conversion; never reset.
  std::int32_t badSignatureCount = 0;
};

// Data authentication ([SE]) against the conversion's signature state:
// 0, or 15 for a damaged message.
Status CheckSignature(TQZRFile& f, SignatureState& state, Body body);
// [SE] as dispatched.
Status OnSignature(TQZRFile& f, Body body);
// Messages accepted on their checksum and otherwise skipped.
Status OnIgnoredMessage(TQZRFile& f, Body body);

// The authenticated mark of the current occupation; without one, false,
// and setting does nothing.
bool IsOccupationAuthenticated(const StoredRecords& records);
void SetOccupationAuthenticated(StoredRecords& records, bool authenticated);

// What the writers read from a finished conversion.

// Times of the first and last stored epochs; both 0 when none is stored.
void GetObservationSpan(const TQZRFile& f, TGPSTimeNS& first, TGPSTimeNS& last);
// The GPS leap seconds for the observation header when the UTC parameters
// were received and GLONASS is in use; 0 (no header line) otherwise.
int GetHeaderLeapSeconds(const TQZRFile& f);
// Always "GPS", GLONASS-only logs included.
std::string_view GetTimeSystemName(const TQZRFile& f);

}  // namespace qzr2rin
