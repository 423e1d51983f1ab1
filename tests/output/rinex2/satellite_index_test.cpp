#include "output/rinex2/satellite_index.h"

#include <gtest/gtest.h>

namespace qzr2rin {
namespace {

TEST(SatelliteIndex, TableOrderAndLimits) {
  struct Case {
    std::uint8_t id;
    int index;
  };
  const Case kCases[] = {
      {0x01, 0},  {0x25, 36}, {0x26, -1},              // GPS 1..37
      {0x81, 37}, {0xA1, 69}, {0xA2, -1},              // GLONASS 1..33
      {0x54, 70}, {0x66, 88}, {0x53, -1}, {0x67, -1},  // SBAS 20..38
      {0xD4, 70},                                      // system bits 11 count as SBAS
      {0x00, -1}, {0x80, -1}, {0x40, -1},              // number 0
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    EXPECT_EQ(SatelliteIndex(c.id), c.index);
  }
}

TEST(SatelliteIndex, LetterAndNumberOfEveryIndexRoundTrip) {
  for (int index = 0; index < static_cast<int>(kSatelliteIndexCount); ++index) {
    const char letter = IndexLetter(index);
    const int number = IndexNumber(index);
    const std::uint8_t system = letter == 'G' ? kSystemGps : (letter == 'R' ? kSystemGlonass : kSystemGeo);
    const auto id = static_cast<std::uint8_t>(system | number);
    EXPECT_EQ(SatelliteIndex(id), index) << letter << number;
    EXPECT_EQ(SystemLetter(id), letter);
  }
}

}  // namespace
}  // namespace qzr2rin
