#include "base/gps_week.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qzr2rin {
namespace {

TEST(GpsWeek, ReceiverWeeksBelowHalfACycleHaveRolledOverOnce) {
  struct Case {
    std::int64_t week;
    std::int64_t widened;
  };
  const Case kCases[] = {
      {0, 1024},    {511, 1535},  {512, 512}, {1023, 1023},
      {1024, 1024}, {2100, 2100}, {-1, 1023},  // [GE] weeks are signed 16-bit
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.week);
    EXPECT_EQ(WidenReceiverWeek(c.week), c.widened);
  }
}

TEST(GpsWeek, ReferenceWeekIsTheCountNearestTheKnownDate) {
  struct Case {
    const char* what;
    unsigned value;
    std::uint32_t knownWeek;  // 0: no date known
    unsigned week;
  };
  const Case kCases[] = {
      {"no date: low count widened", 100, 0, 1124},
      {"no date: high count kept", 600, 0, 600},
      {"date in the same era", 100, 1130, 1124},
      {"date two rollovers on", 52, 2100, 2100},
      {"widened week exactly half a cycle off is kept", 1600, 2112, 1600},
      {"one week more moves it a cycle on", 1600, 2113, 2624},
      {"full count far past the date stays", 1000, 100, 1000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    // Mid-week, so the known week is that of the day.
    const std::uint32_t day = c.knownWeek == 0 ? 0 : c.knownWeek * 7 + 3;
    EXPECT_EQ(ResolveReferenceWeek(c.value, day), c.week);
  }
}

TEST(GpsWeek, ReferenceMoreThanHalfAWeekAwayIsInTheNeighbouringWeek) {
  struct Case {
    std::int64_t secondsAfterReference;
    std::int64_t week;
  };
  const Case kCases[] = {{0, 1324}, {302'400, 1324}, {302'401, 1325}, {-302'400, 1324}, {-302'401, 1323}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.secondsAfterReference);
    EXPECT_EQ(WeekOfNearbyReference(1324, c.secondsAfterReference), c.week);
  }
}

TEST(GpsWeek, BroadcastWeekRepeatsEvery1024Weeks) {
  constexpr std::uint32_t kWeek = 604'800;
  EXPECT_EQ(BroadcastWeekOf(0), 0);
  EXPECT_EQ(BroadcastWeekOf(kWeek - 1), 0);
  EXPECT_EQ(BroadcastWeekOf(1023 * kWeek), 1023);
  EXPECT_EQ(BroadcastWeekOf(1024 * kWeek), 0);
  EXPECT_EQ(BroadcastWeekOf(2100 * kWeek + 5), 52);
}

TEST(GpsWeek, WeeksApartAcrossTheRolloverFoldIntoHalfACycle) {
  struct Case {
    std::int64_t a, b, apart;
  };
  const Case kCases[] = {
      {0, 1023, 1},   {1023, 0, -1}, {512, 0, 512}, {513, 0, -511},
      {0, 512, -512}, {0, 513, 511}, {1100, 76, 0},  // a full week against its 10-bit count
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.a << " - " << c.b);
    EXPECT_EQ(WeeksApart(c.a, c.b), c.apart);
  }
}

}  // namespace
}  // namespace qzr2rin

namespace qzr2rin {
namespace {

TEST(GpsWeek, LeapSecondWeekIsTheCountNearestTheReference) {
  struct Case {
    std::int64_t week;
    std::int64_t reference;
    std::int64_t widened;
  };
  const Case kCases[] = {
      {137, 2185, 2185},   // 8 bits of week 2185
      {137, 2200, 2185},   // a leap second weeks ago
      {9, 2295, 2313},     // ahead, across an 8-bit cycle
      {250, 2310, 2298},   // behind, across an 8-bit cycle
      {137, 1929, 1929},   // 1929 = 7 * 256 + 137
      {905, 1929, 1929},   // 10 bits of 1929
      {1929, 2400, 1929},  // a full week passes
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.week);
    EXPECT_EQ(WidenLeapSecondWeek(c.week, c.reference), c.widened);
  }
}

}  // namespace
}  // namespace qzr2rin
