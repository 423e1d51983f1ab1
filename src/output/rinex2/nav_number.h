#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>

namespace qzr2rin {

// The navigation files' number field: a mantissa below one with a blank
// for its leading zero and a D exponent of two digits, right-justified
// (" -.150000000000D+01"). Magnitudes below 1e-99 are written as zero and
// those from 1e99 up as the largest value the field holds, so that no
// exponent ever needs a third digit and the columns never shift. NaN is
// written as "nan", right-justified.
inline constexpr std::size_t kNavNumberWidth = 19;   // 12 mantissa digits
inline constexpr std::size_t kIonoNumberWidth = 12;  // 4 mantissa digits

void AppendNavNumber(std::string& line, double value);
void AppendIonoNumber(std::string& line, double value);

// Three blanks, then one to four numbers: the layout of every record line
// that does not begin with an epoch.
void AppendNavNumbers(std::string& line, std::initializer_list<double> values);
void AppendNavNumbers(std::string& line, std::span<const double> values);

}  // namespace qzr2rin
