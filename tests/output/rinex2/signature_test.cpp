#include "output/rinex2/signature.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qzr2rin {
namespace {

constexpr std::uint32_t kDay = 8796;  // 2004-02-05: day 5, month 2, year 0x07D4

TEST(DataSignature, FoldsTimeAndDateIntoTheKey) {
  struct Case {
    const char* what;
    std::uint32_t key;
    std::uint32_t seconds;
    std::uint32_t nanoseconds;
    std::uint32_t signature;
  };
  const Case kCases[] = {
      // Milliseconds 0: rotation 0, the rounds only add 5 + 2 + 0xD4 + 0x07.
      {"midnight", 0x1000, kDay * 86400, 0, 0x1000 + 226},
      // 119317 ms (0x0001D215) also rotates by 0: the millisecond bytes add.
      {"rotation period", 0, kDay * 86400 + 119, 317000000, 0x15 + 0xD2 + 0x01 + 226},
      // 1 ms rotates by one bit per round; the key's top bit wraps round.
      {"one bit", 0, kDay * 86400, 1000000, 607},
      {"top bit wraps", 0x80000000u, kDay * 86400, 1000000, 735},
      // Nanoseconds count in whole milliseconds only.
      {"below a millisecond", 0x1000, kDay * 86400, 999999, 0x1000 + 226},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DataSignature(c.key, c.seconds, c.nanoseconds), c.signature);
  }
}

}  // namespace
}  // namespace qzr2rin
