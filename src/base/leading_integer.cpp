#include "base/leading_integer.h"

#include <climits>
#include <cstdint>

namespace qzr2rin {

int LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // One past INT_MAX, so that INT_MIN is reachable.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

}  // namespace qzr2rin
