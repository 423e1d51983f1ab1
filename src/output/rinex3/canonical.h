#pragma once

#include <cstddef>
#include <string>

namespace qzr2rin {

// Fixed-point numbers in the form a Hatanaka round trip gives back: no zero
// before the point (".123", "-.123") and never a negative zero ("-.000" is
// ".000"), right-justified in the same width. Rounding is printf's.

// Rewrites the right-justified number in text[0, width) in place.
void MakeCanonical(char* text, std::size_t width);

// F14.3 of an observation value, and F15.12 of a clock offset.
void AppendCanonicalObservation(std::string& line, double value);
void AppendCanonicalClock(std::string& line, double seconds);

}  // namespace qzr2rin
