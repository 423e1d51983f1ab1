#include "output/rinex2/fields.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "output/rinex2/layouts.h"

namespace qzr2rin {
namespace {

std::string Printf(double value, int width, int precision) {
  char text[512];
  std::snprintf(text, sizeof text, "%*.*f", width, precision, value);
  return text;
}

std::string Fixed(double value, int width = 14, int precision = 3) {
  std::string line;
  AppendFixed(line, value, width, precision);
  return line;
}

TEST(FixedField, InlineExpectations) {
  struct Case {
    double value;
    const char* text;
  };
  const Case kCases[] = {
      {392.65, "       392.650"},
      {0.0, "         0.000"},
      {-0.0, "        -0.000"},
      {-0.0004, "        -0.000"},
      {0.0625, "         0.062"},  // an exact tie goes to the even digit
      {0.1875, "         0.188"},
      {-1234.5, "     -1234.500"},
      {1.0005, "         1.000"},          // the nearest double lies below the tie
      {999999998.9995, " 999999999.000"},  // and this one above it
      {-999999998.9996, "-999999999.000"},
      {9999999999.9994, "9999999999.999"},
      {99999999999.0, "99999999999.000"},  // too wide: the field grows
      {std::numeric_limits<double>::infinity(), "           inf"},
      {-std::numeric_limits<double>::infinity(), "          -inf"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Fixed(c.value), c.text);
    EXPECT_EQ(Printf(c.value, 14, 3), c.text);
  }
}

// Equal to printf on a large table of values: every magnitude the field can
// hold and far beyond, exact ties, the neighbours of every rounding
// boundary, signed zeros, subnormals, infinities and NaNs of both signs.
TEST(FixedField, EqualsPrintfOnRandomisedTable) {
  std::mt19937_64 random(20040205);
  std::vector<double> values = {0.0,
                                -0.0,
                                DBL_MIN,
                                -DBL_MIN,
                                DBL_MAX,
                                -DBL_MAX,
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                999999999.0,
                                -999999999.0,
                                std::ldexp(1.0, 53),
                                std::ldexp(1.0, 63),
                                std::ldexp(1.0, 64),
                                18446744073709551.615,
                                18446744073709551.616,
                                1e17,
                                1e19,
                                1e20,
                                1e300};
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> digits(-4, 12);
  for (int i = 0; i < 300000; ++i) {
    // Magnitudes spread evenly over decades, both signs.
    const double magnitude = std::pow(10.0, digits(random)) * unit(random);
    values.push_back((random() & 1) != 0 ? magnitude : -magnitude);
  }
  for (int i = 0; i < 100000; ++i) {
    // Exact ties at the fourth decimal: odd sixteenths.
    const double whole = static_cast<double>(random() % 2000000000);
    const double tie = whole + static_cast<double>(2 * (random() % 8) + 1) / 16.0;
    values.push_back((random() & 1) != 0 ? tie : -tie);
  }
  for (int i = 0; i < 100000; ++i) {
    // Both neighbours of a rounding boundary k + 0.0005.
    const double boundary = (static_cast<double>(random() % 10000000000ULL) + 0.5) / 1000.0;
    values.push_back(std::nextafter(boundary, 0.0));
    values.push_back(std::nextafter(boundary, 1e300));
    values.push_back(-boundary);
  }
  for (int i = 0; i < 100000; ++i) {
    // Any bit pattern at all.
    values.push_back(std::bit_cast<double>(random()));
  }
  std::size_t mismatches = 0;
  for (const double v : values) {
    if (Fixed(v) != Printf(v, 14, 3) && ++mismatches <= 10) {
      ADD_FAILURE() << "value " << std::hexfloat << v << ": " << Fixed(v) << " vs " << Printf(v, 14, 3);
    }
  }
  EXPECT_EQ(mismatches, 0u);

  // The other widths and precisions the formatter accepts.
  for (int i = 0; i < 200000; ++i) {
    const double v = values[static_cast<std::size_t>(random() % values.size())];
    const int width = static_cast<int>(random() % 21);
    const int precision = static_cast<int>(random() % 10);
    if (Fixed(v, width, precision) != Printf(v, width, precision) && ++mismatches <= 10) {
      ADD_FAILURE() << "value " << std::hexfloat << v << " %" << width << "." << precision << "f";
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

// The hot-path observation field equals "%14.3lf" and its two flags on
// the same table of values.
TEST(ObservationField, EqualsPrintfLayout) {
  std::mt19937_64 random(36);
  std::vector<double> values = {0.0,
                                -0.0,
                                9999999999.9994,
                                9999999999.9995,
                                -999999999.9994,
                                -999999999.9995,
                                1e10,
                                -1e9,
                                0.0005,
                                -0.0005,
                                0.0625,
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::infinity(),
                                1e300};
  std::uniform_int_distribution<int> digits(-4, 11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 150000; ++i) {
    const double magnitude = std::pow(10.0, digits(random)) * unit(random);
    values.push_back((random() & 1) != 0 ? magnitude : -magnitude);
    const double tie =
        static_cast<double>(random() % 2000000000) + static_cast<double>(2 * (random() % 8) + 1) / 16.0;
    values.push_back((random() & 1) != 0 ? tie : -tie);
    values.push_back(std::bit_cast<double>(random()));
  }
  std::size_t mismatches = 0;
  for (const double v : values) {
    std::string line;
    AppendObservation(line, v, '5', '7');
    if (line != Printf(v, 14, 3) + "57" && ++mismatches <= 10) {
      ADD_FAILURE() << std::hexfloat << v << ": [" << line << "]";
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(EpochFields, EqualsPrintfLayout) {
  std::mt19937_64 random(2004);
  std::size_t mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    const int year = static_cast<int>(random() % 100);
    const int month = static_cast<int>(random() % 13);
    const int day = static_cast<int>(random() % 32);
    const int hour = static_cast<int>(random() % 24);
    const int minute = static_cast<int>(random() % 60);
    const double seconds =
        static_cast<double>(random() % 60) + static_cast<double>(random() % 1000000000) * 1e-9;
    // Flags and counts beyond three columns, and negative ones, too.
    const int flag = static_cast<int>(random() % 2000) - 500;
    const int count = static_cast<int>(random() % 1100);
    char expected[128];
    std::snprintf(expected, sizeof expected, layout::kEpochLine, year, month, day, hour, minute, seconds,
                  flag, count);
    std::string line;
    AppendEpochFields(line, year, month, day, hour, minute, seconds, flag, count);
    if (line != expected && ++mismatches <= 10) ADD_FAILURE() << "[" << line << "] vs [" << expected << "]";
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(ObservationField, AlwaysSixteenColumnsWithItsFlags) {
  struct Case {
    double value;
    char lossOfLock;
    char strength;
    const char* text;
  };
  const Case kCases[] = {
      {21234567.125, '4', ' ', "  21234567.1254 "},
      {-999999998.5, ' ', '7', "-999999998.500 7"},
      {45.0, ' ', ' ', "        45.000  "},
      {0.0, '5', '9', "         0.00059"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string line;
    AppendObservation(line, c.value, c.lossOfLock, c.strength);
    EXPECT_EQ(line, c.text);
    EXPECT_EQ(line.size(), kObservationFieldWidth);
  }
  std::string missing;
  AppendMissingObservation(missing);
  EXPECT_EQ(missing, std::string(16, ' '));
}

TEST(LabelRule, PadsOrCutsToSixtyColumnsThenLabel) {
  struct Case {
    std::string value;
    std::string line;
  };
  const Case kCases[] = {
      {"", std::string(60, ' ') + "COMMENT\n"},
      {"short", "short" + std::string(55, ' ') + "COMMENT\n"},
      {std::string(60, 'x'), std::string(60, 'x') + "COMMENT\n"},
      {std::string(61, 'x') + "SPILL", std::string(60, 'x') + "COMMENT\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Labelled(c.value, "COMMENT"), c.line);
  }
}

TEST(DigitOrBlank, OnlyDecimalDigits) {
  EXPECT_EQ(DigitOrBlank(0), '0');
  EXPECT_EQ(DigitOrBlank(9), '9');
  EXPECT_EQ(DigitOrBlank(10), ' ');
  EXPECT_EQ(DigitOrBlank(255), ' ');
}

}  // namespace
}  // namespace qzr2rin
