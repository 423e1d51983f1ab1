#pragma once

#include <cstdint>
#include <string>

namespace qzr2rin {

// Who recorded the log: the receiver and antenna as identified, the header
// texts that follow from them, and the marker the output is named after.
struct ReceiverIdentity {
  static constexpr std::size_t kMarkerNameLength = 60;
  static constexpr std::size_t kMarkerNumberLength = 20;

  std::string receiverType;     // up to 79 characters
  std::string receiverNumber;   // up to 20
  std::string receiverVersion;  // up to 20
  std::string headerReceiverNumber;
  std::string headerReceiverType;
  std::string headerReceiverVersion;
  std::string antennaNumber;
  std::string antennaType;
  bool tagCorrection = false;  // the firmware needs the time-tag correction
  std::uint32_t receiverIdHash = 0;
  bool receiverIdPending = true;
  bool messageFormatSeen = false;

  bool markerOverridden = false;
  std::string markerName;
  std::string markerNumber;
};

}  // namespace qzr2rin
