#include "base/window_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qzr2rin {
namespace {

constexpr std::uint32_t Ms(std::uint32_t h, std::uint32_t m, std::uint32_t s, std::uint32_t ms = 0) {
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

TEST(WindowText, BothFormsAndTheirFields) {
  // given: h = hour, m = minutes, s = seconds, M = month, Y = year, d = the "d" form.
  struct Case {
    const char* text;
    unsigned day;
    std::uint32_t ms;
    unsigned month;
    unsigned year;
    const char* given;
  };
  const Case kCases[] = {
      {"5", 5, 0, 0, 0, ""},
      {"05", 5, 0, 0, 0, ""},
      {"31", 31, 0, 0, 0, ""},
      {"051", 5, Ms(1, 0, 0), 0, 0, "h"},
      {"0512", 5, Ms(12, 0, 0), 0, 0, "h"},
      {"051230", 5, Ms(12, 30, 0), 0, 0, "hm"},
      {"05123045", 5, Ms(12, 30, 45), 0, 0, "hms"},
      {"01235959", 1, Ms(23, 59, 59), 0, 0, "hms"},
      {"05d", 5, 0, 0, 0, "d"},
      {"5d", 5, 0, 0, 0, "d"},
      {"0503d", 5, 0, 3, 0, "Md"},
      {"0512d", 5, 0, 12, 0, "Md"},
      {"050380d", 5, 0, 3, 1980, "MYd"},
      {"050399d", 5, 0, 3, 1999, "MYd"},
      {"050379d", 5, 0, 3, 2079, "MYd"},
      {"050304d", 5, 0, 3, 2004, "MYd"},
      {"050300d", 5, 0, 3, 2000, "MYd"},
      {"05d12", 5, Ms(12, 0, 0), 0, 0, "hd"},
      {"05d1230", 5, Ms(12, 30, 0), 0, 0, "hmd"},
      {"05d123045", 5, Ms(12, 30, 45), 0, 0, "hmsd"},
      {"05d123456.29", 5, Ms(12, 34, 56, 290), 0, 0, "hmsd"},
      {"05d123456.5", 5, Ms(12, 34, 56, 500), 0, 0, "hmsd"},
      {"05d123456.05", 5, Ms(12, 34, 56, 50), 0, 0, "hmsd"},
      {"05d123456.", 5, Ms(12, 34, 56), 0, 0, "hmsd"},
      {"060204d235959.99", 6, Ms(23, 59, 59, 990), 2, 2004, "hmsMYd"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    WindowEnd end;
    ASSERT_EQ(ParseWindowText(c.text, end), Status::Ok);
    EXPECT_EQ(end.day, c.day);
    EXPECT_EQ(end.msOfDay, c.ms);
    EXPECT_EQ(end.month, c.month);
    EXPECT_EQ(end.year, c.year);
    std::string given;
    if (end.hourGiven) given += 'h';
    if (end.minutesGiven) given += 'm';
    if (end.secondsGiven) given += 's';
    if (end.monthGiven) given += 'M';
    if (end.yearGiven) given += 'Y';
    if (end.fullForm) given += 'd';
    EXPECT_EQ(given, c.given);
  }
}

TEST(WindowText, MalformedTextsAreBadTimeTags) {
  // clang-format off
  const char* const kTexts[] = {
      "",          "0",           "00",          "32",           "99",         "0524",
      "051260",    "05123060",    "051230451",   "0512304500",   "ab",         "5a",
      "+5",        " 5",          "05x",         "05 12",        "0512.5",     "0500d",
      "0513d",     "3201d",       "050304011d",  "05.5d",        "d",          "05dd",
      "05d24",     "05d1260",     "05d123460",   "05d1234567",   "05d1234.5",  "05d12345.5",
      "05d.5",     "05d123456.123", "05d123456.5x", "05d123456..5", "05D12",   "05d-1",
  };
  // clang-format on
  for (const char* text : kTexts) {
    SCOPED_TRACE(text);
    WindowEnd end;
    end.day = 7;
    EXPECT_EQ(ParseWindowText(text, end), Status::BadTimeTag);
    EXPECT_EQ(end.day, 0u);
  }
}

TEST(WindowText, FinishCompletion) {
  struct Case {
    const char* name;
    std::optional<std::string_view> start;
    std::optional<std::string_view> finish;
    unsigned startDay;
    std::uint32_t startMs;
    unsigned finishDay;
    std::uint32_t finishMs;
  };
  const Case kCases[] = {
      {"nothing given", std::nullopt, std::nullopt, 0, 0, 0, 0},
      {"start DD closes its day", "05", std::nullopt, 5, 0, 5, Ms(23, 59, 59, 999)},
      {"start DDHH closes its hour", "0512", std::nullopt, 5, Ms(12, 0, 0), 5, Ms(12, 59, 59, 999)},
      {"start at the last hour", "0523", std::nullopt, 5, Ms(23, 0, 0), 5, Ms(23, 59, 59, 999)},
      {"start DDHHMM closes its minute", "051230", std::nullopt, 5, Ms(12, 30, 0), 5, Ms(12, 30, 59, 999)},
      {"start DDHHMMSS closes its second", "05123045", std::nullopt, 5, Ms(12, 30, 45), 5,
       Ms(12, 30, 45, 999)},
      {"start in the d form leaves the end open", "05d", std::nullopt, 5, 0, 0, 0},
      {"start with date and time, open end", "050304d1200", std::nullopt, 5, Ms(12, 0, 0), 0, 0},
      {"short finish gets 999 ms", "05", "0506", 5, 0, 5, Ms(6, 0, 0, 999)},
      {"short finish day only", "05", "06", 5, 0, 6, 999},
      {"finish alone opens the start", std::nullopt, "0506", 0, 0, 5, Ms(6, 0, 0, 999)},
      {"d-form finish is taken as it is", "05", "06d12", 5, 0, 6, Ms(12, 0, 0)},
      {"d-form finish alone", std::nullopt, "06d", 0, 0, 6, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    WindowEnd start;
    WindowEnd finish;
    ASSERT_EQ(ParseTimeWindow(c.start ? &*c.start : nullptr, c.finish ? &*c.finish : nullptr, start, finish),
              Status::Ok);
    EXPECT_EQ(start.day, c.startDay);
    EXPECT_EQ(start.msOfDay, c.startMs);
    EXPECT_EQ(finish.day, c.finishDay);
    EXPECT_EQ(finish.msOfDay, c.finishMs);
  }
}

TEST(WindowText, ACompletedFinishKeepsTheStartsDate) {
  const std::string_view text = "0512";
  WindowEnd start;
  WindowEnd finish;
  ASSERT_EQ(ParseTimeWindow(&text, nullptr, start, finish), Status::Ok);
  EXPECT_EQ(finish.day, 5u);
  EXPECT_FALSE(finish.monthGiven);
  EXPECT_FALSE(finish.yearGiven);
  EXPECT_FALSE(finish.fullForm);
}

TEST(WindowText, EitherBadTextFailsTheWindow) {
  const std::string_view good = "05";
  const std::string_view bad = "32";
  WindowEnd start;
  WindowEnd finish;
  EXPECT_EQ(ParseTimeWindow(&bad, &good, start, finish), Status::BadTimeTag);
  EXPECT_EQ(ParseTimeWindow(&good, &bad, start, finish), Status::BadTimeTag);
  EXPECT_EQ(start.day, 0u);
  EXPECT_EQ(finish.day, 0u);
  EXPECT_EQ(ParseTimeWindow(&bad, nullptr, start, finish), Status::BadTimeTag);
  EXPECT_EQ(finish.day, 0u);
}

TEST(IntervalText, SecondsWithUpToTwoDecimals) {
  struct Case {
    const char* text;
    Status status;
    std::uint32_t ms;
  };
  const Case kCases[] = {
      {"1.5", Status::Ok, 1500},
      {"1", Status::Ok, 1000},
      {"30", Status::Ok, 30000},
      {"99.99", Status::Ok, 99990},
      {"0.29", Status::Ok, 290},
      {"0.57", Status::Ok, 570},
      {"0.01", Status::Ok, 10},
      {"01.05", Status::Ok, 1050},
      {"1.50", Status::Ok, 1500},
      {".5", Status::Ok, 500},
      {"10.", Status::Ok, 10000},
      {"0", Status::Ok, 0},
      {"", Status::Ok, 0},
      {"100", Status::BadTimeTag, 0},
      {"1.505", Status::BadTimeTag, 0},
      {"001", Status::BadTimeTag, 0},
      {"1.2.3", Status::BadTimeTag, 0},
      {"-1", Status::BadTimeTag, 0},
      {"+1", Status::BadTimeTag, 0},
      {"1e2", Status::BadTimeTag, 0},
      {"1,5", Status::BadTimeTag, 0},
      {"1.5s", Status::BadTimeTag, 0},
      {" 1", Status::BadTimeTag, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    std::uint32_t ms = 12345;
    EXPECT_EQ(ParseIntervalText(c.text, ms), c.status);
    EXPECT_EQ(ms, c.ms);
  }
}

}  // namespace
}  // namespace qzr2rin
