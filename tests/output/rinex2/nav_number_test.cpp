#include "output/rinex2/nav_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace qzr2rin {
namespace {

// The field built another way: the significant digits and the exponent of
// printf's "%.{d-1}E", rearranged into sign, point, digits, D and exponent
// plus one.
std::string Expected(double value, std::size_t width, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*E", digits - 1, value);
  const std::string s(text);
  const bool negative = s[0] == '-';
  const std::size_t first = negative ? 1 : 0;
  const std::size_t e = s.find('E');
  std::string mantissa = s.substr(first, 1) + s.substr(first + 2, e - first - 2);
  int exponent = std::atoi(s.c_str() + e + 1) + 1;
  if (value == 0) exponent = 0;
  char tail[16];
  std::snprintf(tail, sizeof tail, "D%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  std::string field = (negative ? "-." : ".") + mantissa + tail;
  return std::string(width - field.size(), ' ') + field;
}

std::string Nav(double v) {
  std::string line;
  AppendNavNumber(line, v);
  return line;
}

std::string Iono(double v) {
  std::string line;
  AppendIonoNumber(line, v);
  return line;
}

TEST(NavNumber, MatchesTheMantissaLayoutAcrossTheExponentRange) {
  const double kValues[] = {
      123.456789012, -1.5,  1.1176e-08, 604000,  -2.2737367544e-13, 0.0123, 5153.67890625, 3.14159265358979,
      -0.999,        1e-98, 1e-99,      7.5e+97, -9.87654321e+98,   1.0,    0.1,           42};
  for (const double v : kValues) {
    SCOPED_TRACE(v);
    EXPECT_EQ(Nav(v), Expected(v, kNavNumberWidth, 12));
    EXPECT_EQ(Iono(v), Expected(v, kIonoNumberWidth, 4));
  }
}

TEST(NavNumber, KnownLayouts) {
  EXPECT_EQ(Nav(123.456789012), "  .123456789012D+03");
  EXPECT_EQ(Nav(-1.5), " -.150000000000D+01");
  EXPECT_EQ(Nav(0), "  .000000000000D+00");
  EXPECT_EQ(Iono(1.1176e-08), "   .1118D-07");
  EXPECT_EQ(Iono(0), "   .0000D+00");
}

TEST(NavNumber, ExponentNeverTakesAThirdDigit) {
  struct Case {
    const char* name;
    double value;
    const char* nav;
    const char* iono;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const Case kCases[] = {
      {"tiny positive", 5e-100, "  .000000000000D+00", "   .0000D+00"},
      {"tiny negative", -3e-200, "  .000000000000D+00", "   .0000D+00"},
      {"negative zero", -0.0, "  .000000000000D+00", "   .0000D+00"},
      {"1e99", 1e99, "  .999999999999D+99", "   .9999D+99"},
      {"rounds up to 1e99", 9.9999999999999e98, "  .999999999999D+99", "   .9999D+99"},
      {"huge negative", -1e150, " -.999999999999D+99", "  -.9999D+99"},
      {"largest double", std::numeric_limits<double>::max(), "  .999999999999D+99", "   .9999D+99"},
      {"infinity", kInf, "  .999999999999D+99", "   .9999D+99"},
      {"minus infinity", -kInf, " -.999999999999D+99", "  -.9999D+99"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Nav(c.value), c.nav);
    EXPECT_EQ(Iono(c.value), c.iono);
  }
}

TEST(NavNumber, NotANumberKeepsTheWidth) {
  EXPECT_EQ(Nav(std::numeric_limits<double>::quiet_NaN()).size(), kNavNumberWidth);
  EXPECT_EQ(Iono(std::numeric_limits<double>::quiet_NaN()).size(), kIonoNumberWidth);
}

TEST(NavNumber, ValueListsStartWithThreeBlanks) {
  std::string line;
  AppendNavNumbers(line, {1.0, -2.0, 0.0, 4.0});
  EXPECT_EQ(line, "     .100000000000D+01 -.200000000000D+01  .000000000000D+00  .400000000000D+01");
  EXPECT_EQ(line.size(), 3 + 4 * kNavNumberWidth);
}

}  // namespace
}  // namespace qzr2rin
