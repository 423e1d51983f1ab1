#include "base/time_window.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qzr2rin {
namespace {

const TGPSTimeNS kOpen;
// An end the command line never yields, where the two readings of "open" part.
const TGPSTimeNS kNanosecondsOnly(0, 5);

TEST(TimeWindow, EpochsAndEventsAreInsideWithBothEnds) {
  const TGPSTimeNS start(1000, 500);
  const TGPSTimeNS finish(2000, 0);
  struct Case {
    const char* what;
    TGPSTimeNS start, finish, t;
    bool inside;
  };
  const Case kCases[] = {
      {"a nanosecond before the start", start, finish, {1000, 499}, false},
      {"at the start", start, finish, {1000, 500}, true},
      {"at the finish", start, finish, {2000, 0}, true},
      {"a nanosecond after the finish", start, finish, {2000, 1}, false},
      {"whole seconds decide first", start, finish, {999, 999'999'999}, false},
      {"open start", kOpen, finish, {1, 0}, true},
      {"open finish", start, kOpen, {4'000'000'000u, 0}, true},
      {"an end of nanoseconds only is open", start, kNanosecondsOnly, {5000, 0}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(InsideWindow(c.start, c.finish, c.t), c.inside);
  }
}

// 10:30 and 12:30: the blocks run from 08:00 to 16:00.
TEST(TimeWindow, GpsAndGeoEphemeridesAreKeptByTwoHourBlocks) {
  const TGPSTimeNS start(37'800, 0);
  const TGPSTimeNS finish(45'000, 0);
  struct Case {
    const char* what;
    TGPSTimeNS finish;
    std::int64_t seconds;
    bool inside;
  };
  const Case kCases[] = {
      {"before the block before the start", finish, 28'799, false},
      {"first second of the block before", finish, 28'800, true},
      {"end of the second block after the finish", finish, 57'600, true},
      {"past it", finish, 57'601, false},
      {"open finish", kOpen, 1'000'000, true},
      {"an end of nanoseconds only is set", kNanosecondsOnly, 14'401, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(InsideEphemerisBlocks(start, c.finish, c.seconds), c.inside);
  }
  EXPECT_TRUE(InsideEphemerisBlocks(kOpen, kOpen, 0));
}

TEST(TimeWindow, GlonassEphemeridesAreKeptWithinAMargin) {
  const TGPSTimeNS start(37'800, 0);
  const TGPSTimeNS finish(45'000, 0);
  struct Case {
    const char* what;
    TGPSTimeNS finish;
    std::int64_t seconds;
    bool inside;
  };
  const Case kCases[] = {
      {"more than the margin before the start", finish, 34'199, false},
      {"the margin before the start", finish, 34'200, true},
      {"the margin after the finish", finish, 48'600, true},
      {"more than the margin after", finish, 48'601, false},
      {"an end of nanoseconds only is set", kNanosecondsOnly, 3'601, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(InsideWindowWithMargin(start, c.finish, c.seconds, 3600), c.inside);
  }
}

}  // namespace
}  // namespace qzr2rin
