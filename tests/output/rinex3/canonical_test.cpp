#include "output/rinex3/canonical.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "output/rinex2/fields.h"

namespace qzr2rin {
namespace {

TEST(CanonicalNumber, ObservationValuesHaveNoLeadingZeroAndNoNegativeZero) {
  struct Case {
    double value;
    const char* text;
  };
  const Case kCases[] = {
      {0, "          .000"},
      {-0.0, "          .000"},
      {-0.0004, "          .000"},
      {0.0004, "          .000"},
      {0.5, "          .500"},
      {-0.5, "         -.500"},
      {0.999, "          .999"},
      {-0.9995, "        -1.000"},  // the binary value lies beyond .9995
      {1.5, "         1.500"},
      {-10.25, "       -10.250"},
      {9999999999.999, "9999999999.999"},
      {-999999999.999, "-999999999.999"},
      // printf rounds the binary value: 0.0005 lies above, 1.0005 below.
      {0.0005, "          .001"},
      {-0.0005, "         -.001"},
      {1.0005, "         1.000"},
      {2.5005, "         2.501"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    std::string line = "x";
    AppendCanonicalObservation(line, c.value);
    EXPECT_EQ(line, std::string("x") + c.text);
  }
}

TEST(CanonicalNumber, ClockOffsetsKeepTheirPointInTheFourthColumn) {
  struct Case {
    double seconds;
    const char* text;
  };
  const Case kCases[] = {
      {0, "  .000000000000"},
      {-1e-13, "  .000000000000"},
      {0.123456789012, "  .123456789012"},
      {-0.123456789012, " -.123456789012"},
      {-0.000123456789, " -.000123456789"},
      {1.5, " 1.500000000000"},
      {-9.25, "-9.250000000000"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.seconds);
    std::string line;
    AppendCanonicalClock(line, c.seconds);
    EXPECT_EQ(line, c.text);
  }
}

// The canonical text by plain string edits of printf's: the reference the
// writer's own formatting is held against.
std::string ByPrintf(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string s = text;
  if (s.rfind("-0.", 0) == 0) s = "-" + s.substr(2);
  if (s.rfind("0.", 0) == 0) s = s.substr(1);
  if (s == "-.000") s = ".000";
  return std::string(s.size() < 14 ? 14 - s.size() : 0, ' ') + s;
}

TEST(CanonicalNumber, BothWaysOfWritingAFieldMatchPrintf) {
  // The writer composes most fields the 2.10 way and rewrites them in place;
  // wide ones go through the formatter. Small values matter most.
  std::mt19937_64 random(20240101);
  std::uniform_real_distribution<double> small(-2.0, 2.0);
  std::uniform_real_distribution<double> large(-999999999.0, 9999999999.0);
  for (int k = 0; k < 100000; ++k) {
    const double value = k % 2 == 0 ? small(random) : large(random);
    const std::string expected = ByPrintf(value);
    char field[kObservationFieldWidth];
    ASSERT_TRUE(PutObservation(field, value, ' ', ' '));
    MakeCanonical(field, kObservationWidth);
    ASSERT_EQ(std::string(field, kObservationWidth), expected) << value;
    std::string line;
    AppendCanonicalObservation(line, value);
    ASSERT_EQ(line, expected) << value;
  }
}

}  // namespace
}  // namespace qzr2rin
