#include "output/rinex2/nav_number.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace qzr2rin {
namespace {

constexpr std::size_t kNavDigits = 12;
constexpr std::size_t kNumberText = 64;  // any printf form of a double
constexpr std::size_t kIonoDigits = 4;
constexpr double kSmallest = 1e-99;
constexpr char kLeadText[] = "   ";

// printf's exponent form of ten times the value, with one digit fewer,
// then the point moved in front of the first digit and 'e' made 'D'.
void AppendMantissaForm(std::string& line, double value, std::size_t width, std::size_t digits) {
  if (std::fabs(value) < kSmallest) value = 0.0;  // keeps NaN
  char text[kNumberText];
  const int n = std::snprintf(text, sizeof text, "%*.*e", static_cast<int>(width),
                              static_cast<int>(digits - 1), value * 10.0);
  std::string field(text, n > 0 ? static_cast<std::size_t>(n) : 0);
  const std::size_t exponent = field.find('e');
  if (std::isfinite(value * 10.0) && exponent != std::string::npos && field.size() - exponent <= 4) {
    const std::size_t point = field.find('.');
    if (point != std::string::npos && point > 0) std::swap(field[point], field[point - 1]);
    field[exponent] = 'D';
  } else if (!std::isnan(value)) {
    // Too large for a two-digit exponent.
    field = std::string(digits, '9');
    field.insert(0, std::signbit(value) ? "-." : ".");
    field += "D+99";
    field.insert(0, width - field.size(), ' ');
  }
  line += field;
}

}  // namespace

void AppendNavNumber(std::string& line, double value) {
  AppendMantissaForm(line, value, kNavNumberWidth, kNavDigits);
}

void AppendIonoNumber(std::string& line, double value) {
  AppendMantissaForm(line, value, kIonoNumberWidth, kIonoDigits);
}

void AppendNavNumbers(std::string& line, std::initializer_list<double> values) {
  AppendNavNumbers(line, std::span<const double>(values.begin(), values.size()));
}

void AppendNavNumbers(std::string& line, std::span<const double> values) {
  line += kLeadText;
  for (const double v : values) AppendNavNumber(line, v);
}

}  // namespace qzr2rin
