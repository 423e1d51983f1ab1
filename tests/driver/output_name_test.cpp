#include "driver/output_name.h"

#include <gtest/gtest.h>

#include <functional>
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
                  "out", "SITE01", At(k20040206, 10), At(k20040206, 12), {},
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
                "d", "../x", At(k20000301, 0), At(k20000301, 23, 59, 30), {},
                [](const OutputNames&) { return true; }, names),
            Status::Ok);
  EXPECT_EQ(names.Path(FileKind::Observation), "d/.._x0610.00O");
}

TEST(OutputName, AllNamesTakenOverwritesNothing) {
  FakeTake take{kMaxNameTries, {}};
  OutputNames names("stale", "", 0, "", 0);
  EXPECT_EQ(ChooseOutputNames(
                "out", "SITE", At(k20040206, 10), At(k20040206, 12), {},
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
                  directory, "SITE", At(k20040206, 10), At(k20040206, 12), {},
                  [&](const OutputNames&) { return ++calls > 0; }, names),
              c.status);
    EXPECT_EQ(calls, c.status == Status::Ok ? 1 : 0);
    EXPECT_EQ(names.Empty(), c.status != Status::Ok);
  }
}

}  // namespace
}  // namespace qzr2rin

namespace qzr2rin {
namespace {

TEST(LongNames, PeriodAndFrequencyCodes) {
  struct Period {
    std::uint32_t span;  // seconds from the first to the last epoch
    const char* code;
  };
  const Period kPeriods[] = {
      {86400 - 30, "01D"},  // a day at 30 s
      {86400 - 1, "01D"},   // a day at 1 Hz
      {3600 - 30, "01H"},  {3600 - 1, "01H"}, {900 - 1, "15M"}, {240 - 5, "04M"}, {7 * 86400 - 30, "07D"},
      {3 * 3600, "03H"},   {150 * 60, "03H"},  // 150 minutes: no exact unit
      {61, "02M"},         {1, "01M"},        {0, "00U"},
  };
  for (const auto& p : kPeriods) {
    SCOPED_TRACE(p.span);
    EXPECT_EQ(PeriodCode(1000, 1000 + p.span), p.code);
  }
  struct Frequency {
    std::int32_t intervalMs;
    const char* code;
  };
  const Frequency kFrequencies[] = {
      {30000, "30S"},   {1000, "01S"}, {15000, "15S"}, {200, "05Z"},   {100, "10Z"},
      {500, "02Z"},     {10, "01C"},   {60000, "01M"}, {90000, "90S"}, {300000, "05M"},
      {3600000, "01H"}, {0, "00U"},    {1500, "00U"},  {300, "00U"},   {-5, "00U"},
  };
  for (const auto& f : kFrequencies) {
    SCOPED_TRACE(f.intervalMs);
    EXPECT_EQ(FrequencyCode(f.intervalMs), f.code);
  }
}

TEST(LongNames, WholeNamesOfEachKind) {
  struct Case {
    const char* name;
    std::uint32_t first;
    std::uint32_t last;
    std::int32_t intervalMs;
    char system;
    const char* observation;
    const char* navigation;
  };
  const Case kCases[] = {
      {"daily 30 s", At(k20040206, 0), At(k20040206, 23, 59, 30), 30000, 'M',
       "out/SAMP00DEU_R_20040370000_01D_30S_MO.rnx", "out/SAMP00DEU_R_20040370000_01D_MN.rnx"},
      {"hourly 1 Hz", At(k20041231, 13), At(k20041231, 13, 59, 59), 1000, 'G',
       "out/SAMP00DEU_R_20043661300_01H_01S_GO.rnx", "out/SAMP00DEU_R_20043661300_01H_MN.rnx"},
      {"15 minutes at 5 Hz from the first epoch's minute", At(k20000301, 7, 45, 12), At(k20000301, 8, 0, 11),
       200, 'R', "out/SAMP00DEU_R_20000610745_15M_05Z_RO.rnx", "out/SAMP00DEU_R_20000610745_15M_MN.rnx"},
      {"4 minutes at 5 s", At(k21000301, 0, 1), At(k21000301, 0, 4, 55), 5000, 'S',
       "out/SAMP00DEU_R_21000600001_04M_05S_SO.rnx", "out/SAMP00DEU_R_21000600001_04M_MN.rnx"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const LongNameFacts facts{"SAMP00DEU", c.first, c.last, c.intervalMs, c.system};
    const OutputNames names = OutputNames::Long("out", facts);
    EXPECT_TRUE(names.IsLong());
    EXPECT_EQ(names.Path(FileKind::Observation), c.observation);
    EXPECT_EQ(names.Path(FileKind::MixedNavigation), c.navigation);
  }
  const OutputNames names =
      OutputNames::Long("d", {"SITE00XXX", At(k20040206, 0), At(k20040206, 1), 1000, 'M'});
  EXPECT_EQ(names.Path(FileKind::GpsNavigation), "d/SITE00XXX_R_20040370000_01H_GN.rnx");
  EXPECT_EQ(names.Path(FileKind::GlonassNavigation), "d/SITE00XXX_R_20040370000_01H_RN.rnx");
  EXPECT_EQ(names.Path(FileKind::GeoNavigation), "d/SITE00XXX_R_20040370000_01H_SN.rnx");
  EXPECT_EQ(OutputNames("out", "SITE", 37, "a", 2004).Path(FileKind::MixedNavigation), "out/SITE037a.04P");
}

// Compact RINEX changes only the observation file's name; gzip appends to
// every name.
TEST(OutputNames, FormsOfTheFiles) {
  struct Case {
    FileForms forms;
    const char* shortObservation;
    const char* shortNavigation;
    const char* longObservation;
    const char* longNavigation;
  };
  const Case kCases[] = {
      {{},
       "out/SITE037a.04O",
       "out/SITE037a.04N",
       "out/SITE00XXX_R_20040370000_01H_01S_MO.rnx",
       "out/SITE00XXX_R_20040370000_01H_MN.rnx"},
      {{true, false},
       "out/SITE037a.04D",
       "out/SITE037a.04N",
       "out/SITE00XXX_R_20040370000_01H_01S_MO.crx",
       "out/SITE00XXX_R_20040370000_01H_MN.rnx"},
      {{false, true},
       "out/SITE037a.04O.gz",
       "out/SITE037a.04N.gz",
       "out/SITE00XXX_R_20040370000_01H_01S_MO.rnx.gz",
       "out/SITE00XXX_R_20040370000_01H_MN.rnx.gz"},
      {{true, true},
       "out/SITE037a.04D.gz",
       "out/SITE037a.04N.gz",
       "out/SITE00XXX_R_20040370000_01H_01S_MO.crx.gz",
       "out/SITE00XXX_R_20040370000_01H_MN.rnx.gz"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.shortObservation);
    OutputNames shortNames("out", "SITE", 37, "a", 2004);
    shortNames.In(c.forms);
    EXPECT_EQ(shortNames.Path(FileKind::Observation), c.shortObservation);
    EXPECT_EQ(shortNames.Path(FileKind::GpsNavigation), c.shortNavigation);
    OutputNames longNames =
        OutputNames::Long("out", {"SITE00XXX", At(k20040206, 0), At(k20040206, 0, 59, 59), 1000, 'M'});
    longNames.In(c.forms);
    EXPECT_EQ(longNames.Path(FileKind::Observation), c.longObservation);
    EXPECT_EQ(longNames.Path(FileKind::MixedNavigation), c.longNavigation);
  }
  // The names tried carry the forms, so that a taken .gz moves the sequence on.
  OutputNames names;
  std::vector<std::string> tried;
  ASSERT_EQ(ChooseOutputNames(
                "out", "SITE", At(k20040206, 10), At(k20040206, 12), {true, true},
                [&](const OutputNames& n) {
                  tried.push_back(n.Path(FileKind::Observation));
                  return tried.size() == 2;
                },
                names),
            Status::Ok);
  EXPECT_EQ(tried, (std::vector<std::string>{"out/SITE037k.04D.gz", "out/SITE037k00.04D.gz"}));
}

TEST(LongNames, OneTryAndNeverOverwrites) {
  FakeTake take{1, {}};
  OutputNames names;
  const LongNameFacts facts{"SAMP00DEU", At(k20040206, 0), At(k20040206, 1), 1000, 'M'};
  EXPECT_EQ(ChooseLongNames("out", facts, {}, std::ref(take), names), Status::OutputOpenFailed);
  EXPECT_TRUE(names.Empty());
  EXPECT_EQ(take.tried.size(), 1u);
  FakeTake free{0, {}};
  EXPECT_EQ(ChooseLongNames("out", facts, {}, std::ref(free), names), Status::Ok);
  EXPECT_EQ(names.Path(FileKind::Observation), "out/SAMP00DEU_R_20040370000_01H_01S_MO.rnx");
  EXPECT_EQ(
      ChooseLongNames(std::string(kMaxOutputDirectoryLength + 1, 'd'), facts, {}, std::ref(free), names),
      Status::NameTooLong);
}

}  // namespace
}  // namespace qzr2rin
