#include "driver/output_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qzr2rin {
namespace {

constexpr std::uint32_t kDay = 86400;
// Day numbers (days since 1980-01-06) of a few dates.
constexpr std::uint32_t k20040206 = 8797;   // day of year 37
constexpr std::uint32_t k20041231 = 9126;   // 366, leap year
constexpr std::uint32_t k20000301 = 7360;   // 61, 2000 is a leap year
constexpr std::uint32_t k21000301 = 43884;  // 60, 2100 is not
constexpr std::uint32_t k19801231 = 360;
constexpr std::uint32_t k19810101 = 361;

constexpr std::uint32_t At(std::uint32_t day, std::uint32_t h, std::uint32_t m = 0, std::uint32_t s = 0) {
  return day * kDay + (h * 60 + m) * 60 + s;
}

TEST(OutputName, SequenceCharacter) {
  struct Case {
    const char* name;
    std::uint32_t first;
    std::uint32_t last;
    char sequence;
  };
  const Case kCases[] = {
      {"whole day", At(k20040206, 0), At(k20040206, 23, 59, 30), '0'},
      {"hour 0 to hour 23", At(k20040206, 0, 30), At(k20040206, 23, 0), '0'},
      {"ten o'clock", At(k20040206, 10), At(k20040206, 11), 'k'},
      {"last hour", At(k20040206, 23), At(k20040206, 23, 59, 59), 'x'},
      {"one epoch at midnight", At(k20040206, 0), At(k20040206, 0), 'a'},
      {"ends in hour 22", At(k20040206, 0), At(k20040206, 22, 59, 59), 'a'},
      {"exactly a day", At(k20040206, 0), At(k20040206 + 1, 0), 'a'},
      {"more than a day, hour 0 to 23", At(k20040206, 0), At(k20040206 + 1, 23), 'a'},
      {"nothing stored", 0, 0, 'a'},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SequenceCharacter(c.first, c.last), c.sequence);
  }
}

TEST(OutputName, DayOfYearAndYear) {
  struct Case {
    std::uint32_t seconds;
    int dayOfYear;
    int year;
  };
  const Case kCases[] = {
      {0, 6, 1980},
      {At(0, 23, 59, 59), 6, 1980},
      {At(1, 0), 7, 1980},
      {At(k19801231, 12), 366, 1980},
      {At(k19810101, 0), 1, 1981},
      {At(k20040206, 10), 37, 2004},
      {At(k20041231, 23, 59, 59), 366, 2004},
      {At(k20000301, 0), 61, 2000},
      {At(k21000301, 0), 60, 2100},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(DayOfYear(c.seconds), c.dayOfYear);
    EXPECT_EQ(CalendarYear(c.seconds), c.year);
  }
}

TEST(OutputName, StationCodeNeverLeavesTheDirectory) {
  struct Case {
    std::string marker;
    std::string code;
  };
  const Case kCases[] = {
      {"SITE01", "SITE"},
      {"A Marker", "A Ma"},
      {"AB", "AB"},
      {"", ""},
      {"../etc/x", ".._e"},
      {"a/b\\c", "a_b_"},
      {"/abc", "_abc"},
      {std::string("\x01\x1f\x7f", 3) + "x", "___x"},
      {std::string("a\0b", 3), "a_b"},
      {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.marker);
    EXPECT_EQ(StationCode(c.marker), c.code);
  }
}

TEST(OutputName, NameLayoutAndSequenceTexts) {
  EXPECT_EQ(OutputNames("out", "SITE", 37, "a", 2004).Path(FileKind::Observation), "out/SITE037a.04O");
  EXPECT_EQ(OutputNames(".", "AB", 5, "0", 1999).Path(FileKind::Observation), "./AB0050.99O");
  EXPECT_EQ(OutputNames("/d", "WXYZ", 366, "x100", 2100).Path(FileKind::Observation), "/d/WXYZ366x100.00O");
  const OutputNames site("out", "SITE", 37, "a", 2004);
  EXPECT_EQ(site.Path(FileKind::GpsNavigation), "out/SITE037a.04N");
  EXPECT_EQ(site.Path(FileKind::GlonassNavigation), "out/SITE037a.04G");
  EXPECT_EQ(site.Path(FileKind::GeoNavigation), "out/SITE037a.04H");

  struct Case {
    int attempt;
    const char* text;
  };
  const Case kCases[] = {{0, "a"},     {1, "a00"},    {2, "a01"},   {11, "a10"},
                         {100, "a99"}, {101, "a100"}, {999, "a998"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.attempt);
    EXPECT_EQ(SequenceText('a', c.attempt), c.text);
  }
}

// Refuses the first `busy` names, as if those files existed.
struct FakeTake {
  int busy;
  std::vector<std::string> tried;
  bool operator()(const OutputNames& names) {
    tried.push_back(names.Path(FileKind::Observation));
    return static_cast<int>(tried.size()) > busy;
  }
};

TEST(OutputName, ChoosesTheFirstFreeName) {
  struct Case {
    int busy;
    const char* path;
  };
  const Case kCases[] = {
      {0, "out/SITE037k.04O"},
      {1, "out/SITE037k00.04O"},
      {2, "out/SITE037k01.04O"},
      {101, "out/SITE037k100.04O"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.busy);
    FakeTake take{c.busy, {}};
    OutputNames names("stale", "", 0, "", 0);
    EXPECT_EQ(ChooseOutputNames(
                  "out", "SITE01", At(k20040206, 10), At(k20040206, 12),
                  [&](const OutputNames& n) { return take(n); }, names),
              Status::Ok);
    EXPECT_EQ(names.Path(FileKind::Observation), c.path);
    ASSERT_EQ(take.tried.size(), static_cast<std::size_t>(c.busy + 1));
    EXPECT_EQ(take.tried.front(), "out/SITE037k.04O");
  }
}

TEST(OutputName, WholeDayFileAndMarkerWithSeparators) {
  OutputNames names;
  EXPECT_EQ(ChooseOutputNames(
                "d", "../x", At(k20000301, 0), At(k20000301, 23, 59, 30),
                [](const OutputNames&) { return true; }, names),
            Status::Ok);
  EXPECT_EQ(names.Path(FileKind::Observation), "d/.._x0610.00O");
}

TEST(OutputName, AllNamesTakenOverwritesNothing) {
  FakeTake take{kMaxNameTries, {}};
  OutputNames names("stale", "", 0, "", 0);
  EXPECT_EQ(ChooseOutputNames(
                "out", "SITE", At(k20040206, 10), At(k20040206, 12),
                [&](const OutputNames& n) { return take(n); }, names),
            Status::OutputOpenFailed);
  EXPECT_TRUE(names.Empty());
  ASSERT_EQ(take.tried.size(), 1000u);
  EXPECT_EQ(take.tried.back(), "out/SITE037k998.04O");
}

TEST(OutputName, DirectoryLengthLimit) {
  struct Case {
    std::size_t length;
    Status status;
  };
  const Case kCases[] = {{247, Status::Ok}, {248, Status::NameTooLong}, {1000, Status::NameTooLong}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.length);
    const std::string directory(c.length, 'd');
    int calls = 0;
    OutputNames names;
    EXPECT_EQ(ChooseOutputNames(
                  directory, "SITE", At(k20040206, 10), At(k20040206, 12),
                  [&](const OutputNames&) { return ++calls > 0; }, names),
              c.status);
    EXPECT_EQ(calls, c.status == Status::Ok ? 1 : 0);
    EXPECT_EQ(names.Empty(), c.status != Status::Ok);
  }
}

}  // namespace
}  // namespace qzr2rin
