#pragma once

#include <string_view>

namespace qzr2rin {

// The decimal integer at the start of text, read the way atoi reads it
// (leading blanks, optional sign, digits; 0 without digits), clamped to the
// int range instead of overflowing.
int LeadingInteger(std::string_view text);

}  // namespace qzr2rin
