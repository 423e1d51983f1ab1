#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "decoders/occupation_state.h"
#include "decoders/receiver_identity.h"
#include "input/body_reader.h"
#include "input/profile.h"

namespace qzr2rin {

class TQZRFile;

// The first ten bytes of the file's identification message.
inline constexpr std::string_view kIdentificationStart = "QZ055RLOGF";

// Takes the receiver type from the identification message's body; false
// when its text is malformed.
bool IdentifyReceiver(ReceiverIdentity& identity, const std::string& inputFile, Body body);
// Takes the receiver identity from the profile when its key
// "HeaderQZRInIniFile" is non-zero; false otherwise.
bool HeaderFromProfile(ReceiverIdentity& identity, const TProfile& profile);
// The header texts that follow from the receiver identity.
void SetHeaderTexts(ReceiverIdentity& identity, OccupationState& o, const std::string& inputFile);

// Identification, format and parameter messages.
Status OnIdentification(TQZRFile& f, Body body);  // [QZ]
Status OnMessageFormat(TQZRFile& f, Body body);   // [MF]
Status OnParameters(TQZRFile& f, Body body);      // [PM]

// True for firmware versions that need the time-tag correction.
bool VersionInRange(std::string_view text);
// Hash of a receiver id, the key of data authentication.
std::uint32_t ReceiverIdHash(std::string_view text);

}  // namespace qzr2rin
