#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"

namespace qzr2rin {

// One end of the -s/-f time window as the user wrote it. The day of month
// becomes an absolute date only once the first receiver date is known.
struct WindowEnd {
  std::uint32_t msOfDay = 0;
  unsigned day = 0;    // day of month; 0 = this end is open
  unsigned month = 0;  // 1..12 when given
  unsigned year = 0;   // four digits when given
  bool hourGiven = false;
  bool minutesGiven = false;
  bool secondsGiven = false;
  bool monthGiven = false;
  bool yearGiven = false;
  bool fullForm = false;  // the "d" form
};

// Parses one -s or -f text ("DD[HH[MM[SS]]]" or "DD[MM[YY]]d[HH[MM[SS[.SS]]]]").
// Returns Status::BadTimeTag for any malformed text or value out of range.
Status ParseWindowText(std::string_view text, WindowEnd& end);

// Parses both texts (either may be absent) and applies the finish
// completion rules.
Status ParseTimeWindow(const std::string_view* startText, const std::string_view* finishText,
                       WindowEnd& start, WindowEnd& finish);

// Parses the -I text "ss.ss" into milliseconds.
Status ParseIntervalText(std::string_view text, std::uint32_t& ms);

}  // namespace qzr2rin
