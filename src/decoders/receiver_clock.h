#pragma once

#include <cstdint>

namespace qzr2rin {

// The receiver's date and time of day as the time messages leave them.
struct ReceiverClock {
  std::uint32_t epochMsOfDay = 0;  // 0 .. 86 399 999
  std::uint32_t epochDay = 0;      // GPS day number; 0: no date yet
  bool timeContinuity = true;
  // The next time is the first after the identification, taken without the
  // step test.
  bool firstTimeAfterId = true;
  // A date that waits for the next non-empty satellite list.
  bool datePending = false;
  std::uint32_t pendingDay = 0;
};

}  // namespace qzr2rin
