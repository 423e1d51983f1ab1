#include "platform/clock.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qzr2rin::platform {
namespace {

// struct tm counts years from 1900 and months from 0.
constexpr int kTmYearBase = 1900;

bool FixedClock(std::int64_t& seconds) {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr || *text == '\0') return false;
  const char* last = text + std::strlen(text);
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(text, last, value);
  if (ec != std::errc() || ptr != last || value < 0) return false;
  seconds = value;
  return true;
}

// 1980-01-01 00:00:00 and 2079-12-31 23:59:59 UTC.
constexpr std::int64_t kFirstShownSecond = 315532800;
constexpr std::int64_t kLastShownSecond = 3471292799;

void FromTm(const std::tm& tm, CalendarTime& out) {
  out.year = tm.tm_year + kTmYearBase;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.dayOfWeek = tm.tm_wday;
}

}  // namespace

std::int64_t NowUnixSeconds() {
  std::int64_t fixed = 0;
  if (FixedClock(fixed)) return fixed;
  return static_cast<std::int64_t>(std::time(nullptr));
}

bool ClockIsFixed() {
  std::int64_t fixed = 0;
  return FixedClock(fixed);
}

std::string FixedClockProblem() {
  std::int64_t fixed = 0;
  if (!FixedClock(fixed) || (fixed >= kFirstShownSecond && fixed <= kLastShownSecond)) return {};
  return "SOURCE_DATE_EPOCH=" + std::string(std::getenv("SOURCE_DATE_EPOCH")) + " is outside 1980-2079\n";
}

bool ToUtc(std::int64_t unixSeconds, CalendarTime& out) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) == nullptr) return false;
  FromTm(tm, out);
  return true;
}

bool ToLocal(std::int64_t unixSeconds, CalendarTime& out) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return false;
  FromTm(tm, out);
  return true;
}

CalendarTime WallClockNow() {
  CalendarTime now;
  std::int64_t fixed = 0;
  if (FixedClock(fixed)) {
    ToUtc(fixed, now);
  } else {
    ToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
  }
  return now;
}

std::string TemporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace qzr2rin::platform
