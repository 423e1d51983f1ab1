#include "output/rinex3/canonical.h"

#include "output/rinex2/fields.h"

namespace qzr2rin {
namespace {

constexpr int kClockWidth = 15;
constexpr int kClockPrecision = 12;

}  // namespace

void MakeCanonical(char* text, std::size_t width) {
  std::size_t first = 0;
  while (first < width && text[first] == ' ') ++first;
  if (first == width) return;
  const bool negative = text[first] == '-';
  const std::size_t digits = first + (negative ? 1 : 0);
  if (digits + 1 < width && text[digits] == '0' && text[digits + 1] == '.') {
    text[digits] = negative ? '-' : ' ';
    text[first] = ' ';
    if (negative) ++first;
  }
  if (!negative) return;
  for (std::size_t at = first + 1; at < width; ++at) {
    if (text[at] != '0' && text[at] != '.') return;
  }
  text[first] = ' ';
}

void AppendCanonicalObservation(std::string& line, double value) {
  const std::size_t start = line.size();
  AppendFixed(line, value, kObservationWidth, kObservationPrecision);
  MakeCanonical(line.data() + start, line.size() - start);
}

void AppendCanonicalClock(std::string& line, double seconds) {
  const std::size_t start = line.size();
  AppendFormat(line, "%*.*f", kClockWidth, kClockPrecision, seconds);
  MakeCanonical(line.data() + start, line.size() - start);
}

}  // namespace qzr2rin
