#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qzr2rin {

// Header labels start in this column (1-based: 61).
inline constexpr std::size_t kLabelColumn = 60;

// Appends `value` exactly as printf's "%<width>.<precision>f" would: the
// binary value rounded to nearest (ties to even) at `precision` decimals,
// right-justified in `width`, wider when it does not fit; "-0.000" for
// negative values that round to zero; "inf", "-inf", "nan", "-nan" for the
// values that are not finite. Integer arithmetic only for everything below
// 2^64 units of the last decimal. precision 0..9, width 0..64.
void AppendFixed(std::string& line, double value, int width, int precision);

// printf into the end of the line; used outside the per-observation loop.
void AppendFormat(std::string& line, const char* layout, ...) __attribute__((format(printf, 2, 3)));

// The label rule of every header line and comment record: the value padded
// with blanks, or cut, to 60 columns, every control character (0x00-0x1F,
// 0x7F) in it a blank, then the label and the line end.
void FinishLabelled(std::string& line, std::string_view label);
std::string Labelled(std::string_view value, std::string_view label);

// One 16-column observation field: the value in 14.3 and its two flag
// characters (loss of lock, signal strength), or 16 blanks.
inline constexpr std::size_t kObservationFieldWidth = 16;
inline constexpr int kObservationWidth = 14;
inline constexpr int kObservationPrecision = 3;
void AppendObservation(std::string& line, double value, char lossOfLock, char strength);
// The same into 16 bytes at `field`; false, with nothing written, when the
// value needs more than its 14 columns.
bool PutObservation(char* field, double value, char lossOfLock, char strength);
inline void AppendMissingObservation(std::string& line) { line.append(kObservationFieldWidth, ' '); }

// " %02d%3d%3d%3d%3d%11.7lf%3d%3d", the epoch line up to its satellites,
// without printf: it is written once per epoch.
void AppendEpochFields(std::string& line, int year2, int month, int day, int hour, int minute, double seconds,
                       int flag, int count);

// A digit 0..9 as its character, blank for anything else.
constexpr char DigitOrBlank(unsigned value) { return value <= 9 ? static_cast<char>('0' + value) : ' '; }

}  // namespace qzr2rin
