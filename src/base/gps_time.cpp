#include "qzr2rin/gps_time.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string_view>

#include "base/day_time.h"
#include "base/time_units.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

constexpr unsigned kFirstYear = kGpsOriginYear;
constexpr unsigned kLastYear = 2116;
constexpr unsigned kOriginDayOfJanuary = kGpsOriginDayOfJanuary;
constexpr std::int64_t kOriginUnixSeconds = 315964800;
constexpr std::uint64_t kMaxSeconds = 0xFFFFFFFFu;

constexpr std::array<std::uint8_t, kMonthsPerYear + 1> kMonthLengths = {0,  31, 28, 31, 30, 31, 30,
                                                                        31, 31, 30, 31, 30, 31};

constexpr std::array<std::string_view, kMonthsPerYear + 1> kMonthNames = {
    "",     "January", "February",  "March",   "April",    "May",     "June",
    "July", "August",  "September", "October", "November", "December"};
constexpr std::array<std::string_view, kDaysPerWeek> kDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

constexpr const char* kDefaultDatePicture = "yyyy-MM-dd";
constexpr const char* kDefaultTimePicture = "HH:mm:ss";
constexpr const char* kMsTimeLayout = "%02d:%02d:%06.3f";
constexpr const char* kNsTimeLayout = "%02d:%02d:%012.9f";
constexpr std::string_view kConversionFailed = "<Time conversion failed>";
// Abbreviated day and month names.
constexpr std::size_t kShortNameLength = 3;

// A shown time moves by an offset of at most half a day, in minutes; the
// offset kLocalZoneOffset shows it in the local time zone instead.
constexpr unsigned kHoursPerHalfDay = kHoursPerDay / 2;
constexpr int kMaxOffsetMinutes = static_cast<int>(kHoursPerHalfDay * kMinutesPerHour);
constexpr int kLocalZoneOffset = 800;

// Every digit of an unsigned and the terminator.
constexpr std::size_t kNumberTextSize = std::numeric_limits<unsigned>::digits10 + 2;
constexpr std::size_t kFractionalTimeSize = 64;

// Julian days start at noon: the one that starts at noon of the origin day.
constexpr long double kJulianDayOfOriginNoon = 2444245.0L;
constexpr long double kSecondsToNoon = kSecondsPerDay / 2;
constexpr long double kDaysPerSecond = 1.0L / kSecondsPerDay;
// Same values as kSecondsPerMs and kSecondsPerNs, in long double.
constexpr long double kLongSecondsPerMs = 1.0L / kMsPerSecond;
constexpr long double kLongSecondsPerNs = 1.0L / kNsPerSecond;

unsigned DaysInYear(unsigned year) {
  if (year == kFirstYear) return kDaysPerLeapYear - kOriginDayOfJanuary;
  return IsLeapYear(year) ? kDaysPerLeapYear : kDaysPerYear;
}

std::uint64_t DaysBeforeYear(unsigned year) {
  std::uint64_t days = 0;
  for (unsigned y = kFirstYear; y < year; ++y) days += DaysInYear(y);
  return days;
}

// Within 1980 the day count runs from 0 (6 January) to 360 (31 December); in
// later years from 1 (1 January).
void BreakDays(std::uint32_t count, unsigned& year, TGPSTime::TMonth& month, unsigned& day) {
  unsigned d = count / kSecondsPerDay;
  unsigned y = kFirstYear;
  while (DaysInYear(y) < d) {
    d -= DaysInYear(y);
    ++y;
  }
  unsigned m = 1;
  while (m <= TGPSTime::December && TGPSTime::DaysInMonth(y, static_cast<TGPSTime::TMonth>(m)) < d) {
    d -= TGPSTime::DaysInMonth(y, static_cast<TGPSTime::TMonth>(m));
    ++m;
  }
  if (y == kFirstYear && m == 1) d += kOriginDayOfJanuary;
  year = y;
  month = static_cast<TGPSTime::TMonth>(m);
  day = d;
}

struct Date {
  unsigned year = 0;
  TGPSTime::TMonth month = TGPSTime::January;
  unsigned day = 0;
};

Date DateOf(std::uint32_t count) {
  Date date;
  BreakDays(count, date.year, date.month, date.day);
  return date;
}

std::uint32_t Shifted(std::uint32_t count, int offsetMinutes) {
  // Unsigned arithmetic: any offset wraps at 32 bits instead of overflowing.
  return count + static_cast<std::uint32_t>(offsetMinutes) * kSecondsPerMinute;
}

long double JulianDay(long double seconds) {
  return (seconds - kSecondsToNoon) * kDaysPerSecond + kJulianDayOfOriginNoon;
}

// The broken-down time that AsString formats.
struct Fields {
  unsigned year = 0;
  unsigned month = 0;
  unsigned day = 0;
  unsigned dayOfWeek = 0;
  unsigned hour = 0;
  unsigned minute = 0;
  unsigned second = 0;
};

// False when the local time zone conversion fails.
bool BreakDown(std::uint32_t count, int offsetMinutes, Fields& f) {
  std::uint32_t t = count;
  if (offsetMinutes != 0 && offsetMinutes >= -kMaxOffsetMinutes && offsetMinutes <= kMaxOffsetMinutes)
    t = Shifted(t, offsetMinutes);
  if (offsetMinutes == kLocalZoneOffset) {
    platform::CalendarTime local;
    if (!platform::ToLocal(kOriginUnixSeconds + static_cast<std::int64_t>(t), local)) return false;
    f.year = static_cast<unsigned>(local.year);
    f.month = static_cast<unsigned>(local.month);
    f.day = static_cast<unsigned>(local.day);
    f.dayOfWeek = static_cast<unsigned>(local.dayOfWeek);
    f.hour = static_cast<unsigned>(local.hour);
    f.minute = static_cast<unsigned>(local.minute);
    f.second = static_cast<unsigned>(local.second);
    return true;
  }
  TGPSTime::TMonth month = TGPSTime::January;
  BreakDays(t, f.year, month, f.day);
  f.month = month;
  f.dayOfWeek = (t / kSecondsPerDay) % kDaysPerWeek;
  const DayTime rest = SplitSecondOfDay(t % kSecondsPerDay);
  f.hour = rest.hours;
  f.minute = rest.minutes;
  f.second = rest.seconds;
  return true;
}

void AppendNumber(std::string& out, unsigned value, int minDigits) {
  char text[kNumberTextSize];
  const int n = std::snprintf(text, sizeof text, "%0*u", minDigits, value);
  if (n > 0) out.append(text, static_cast<std::size_t>(n));
}

// Walks a picture: quoted text is literal ('' is one quote, inside quotes or
// out), a run of one picture letter is handed to `field` with its length,
// everything else is copied.
template <typename Field>
std::string ExpandPicture(const char* picture, std::string_view letters, Field field) {
  std::string out;
  const std::string_view p(picture);
  std::size_t i = 0;
  while (i < p.size()) {
    const char c = p[i];
    if (c == '\'') {
      if (i + 1 < p.size() && p[i + 1] == '\'') {
        out += '\'';
        i += 2;
        continue;
      }
      ++i;
      while (i < p.size()) {
        if (p[i] == '\'') {
          if (i + 1 < p.size() && p[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += p[i++];
      }
      continue;
    }
    if (letters.find(c) == std::string_view::npos) {
      out += c;
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < p.size() && p[i + run] == c) ++run;
    field(out, c, run);
    i += run;
  }
  return out;
}

std::string FormatDate(const char* picture, const Fields& f) {
  return ExpandPicture(picture != nullptr ? picture : kDefaultDatePicture, "dMy",
                       [&f](std::string& out, char letter, std::size_t run) {
                         switch (letter) {
                           case 'd':
                             if (run <= 2) {
                               AppendNumber(out, f.day, static_cast<int>(run));
                             } else {
                               const std::string_view name = kDayNames[f.dayOfWeek % kDaysPerWeek];
                               out += run == kShortNameLength ? name.substr(0, kShortNameLength) : name;
                             }
                             break;
                           case 'M':
                             if (run <= 2) {
                               AppendNumber(out, f.month, static_cast<int>(run));
                             } else {
                               const std::string_view name =
                                   f.month <= TGPSTime::December ? kMonthNames[f.month] : "";
                               out += run == kShortNameLength ? name.substr(0, kShortNameLength) : name;
                             }
                             break;
                           default:  // 'y'
                             if (run <= 2) {
                               AppendNumber(out, TwoDigitYear(f.year), static_cast<int>(run));
                             } else {
                               AppendNumber(out, f.year, 4);
                             }
                             break;
                         }
                       });
}

std::string FormatTime(const char* picture, const Fields& f) {
  return ExpandPicture(picture != nullptr ? picture : kDefaultTimePicture, "hHmst",
                       [&f](std::string& out, char letter, std::size_t run) {
                         const int digits = run >= 2 ? 2 : 1;
                         switch (letter) {
                           case 'h': {
                             const unsigned hour = f.hour % kHoursPerHalfDay;
                             AppendNumber(out, hour == 0 ? kHoursPerHalfDay : hour, digits);
                             break;
                           }
                           case 'H': AppendNumber(out, f.hour, digits); break;
                           case 'm': AppendNumber(out, f.minute, digits); break;
                           case 's': AppendNumber(out, f.second, digits); break;
                           default:  // 't'
                             out += f.hour < kHoursPerHalfDay ? (run >= 2 ? "AM" : "A")
                                                              : (run >= 2 ? "PM" : "P");
                             break;
                         }
                       });
}

std::string FractionalTime(const char* layout, const Fields& f, double second) {
  char text[kFractionalTimeSize];
  const int n =
      std::snprintf(text, sizeof text, layout, static_cast<int>(f.hour), static_cast<int>(f.minute), second);
  if (n <= 0) return {};
  return std::string(text, std::min(static_cast<std::size_t>(n), sizeof text - 1));
}

// Shared by the three classes; `time` formats the time of day.
template <typename TimeText>
std::string Compose(std::uint32_t count, int layout, int offsetMinutes, const char* dateFormat,
                    TimeText time) {
  if (count == 0) return {};
  Fields f;
  if (!BreakDown(count, offsetMinutes, f)) return std::string(kConversionFailed);
  std::string text = layout > 1 ? FormatDate(dateFormat, f) : std::string();
  if (layout == 3) text += ' ';
  if (layout != 2) text += time(f);
  return text;
}

}  // namespace

TGPSTime::TGPSTime(unsigned year, unsigned dayOfYear) {
  if (year < kFirstYear || year > kLastYear || dayOfYear < 1 || dayOfYear > DaysInYear(year)) return;
  const std::uint64_t count = (dayOfYear + DaysBeforeYear(year)) * std::uint64_t{kSecondsPerDay};
  if (count <= kMaxSeconds) seconds = static_cast<std::uint32_t>(count);
}

void TGPSTime::Set(unsigned year, TMonth month, unsigned day, unsigned hour, unsigned minute,
                   unsigned second) {
  seconds = 0;
  const bool firstMonth = year == kFirstYear && month == January;
  if (year < kFirstYear || year > kLastYear || month < January || month > December || day < 1 ||
      day > kLongestMonthDays)
    return;
  if (hour >= kHoursPerDay || minute >= kMinutesPerHour || second >= kSecondsPerMinute) return;
  if (firstMonth ? (day < kOriginDayOfJanuary || day > kOriginDayOfJanuary + DaysInMonth(year, month))
                 : day > DaysInMonth(year, month))
    return;
  std::uint64_t days = DaysBeforeYear(year);
  for (unsigned m = January; m < month; ++m) days += DaysInMonth(year, static_cast<TMonth>(m));
  days += day;
  if (firstMonth) days -= kOriginDayOfJanuary;
  const std::uint64_t count =
      days * kSecondsPerDay + hour * kSecondsPerHour + minute * kSecondsPerMinute + second;
  // Past 2116-02-12 06:28:15 the count would wrap to an unrelated time.
  if (count <= kMaxSeconds) seconds = static_cast<std::uint32_t>(count);
}

unsigned TGPSTime::Year(int offsetMinutes) const { return DateOf(Shifted(seconds, offsetMinutes)).year; }

TGPSTime::TMonth TGPSTime::Month(int offsetMinutes) const {
  return DateOf(Shifted(seconds, offsetMinutes)).month;
}

unsigned TGPSTime::Day(int offsetMinutes) const { return DateOf(Shifted(seconds, offsetMinutes)).day; }

TGPSTime::TDayOfWeek TGPSTime::DayOfWeek(int offsetMinutes) const {
  return static_cast<TDayOfWeek>(Shifted(seconds, offsetMinutes) / kSecondsPerDay % kDaysPerWeek);
}

void TGPSTime::GetDate(unsigned& year, TMonth& month, unsigned& day, TDayOfWeek& dayOfWeek) const {
  BreakDays(seconds, year, month, day);
  dayOfWeek = static_cast<TDayOfWeek>(GPSDay() % kDaysPerWeek);
}

std::uint8_t TGPSTime::DaysInMonth(unsigned year, TMonth month) {
  if (month < January || month > December) return 0;
  if (year == kFirstYear && month == January) return kMonthLengths[January] - kOriginDayOfJanuary;
  if (month == February && IsLeapYear(year)) return kLeapFebruaryDays;
  return kMonthLengths[month];
}

long double TGPSTime::JulDay(int offsetSeconds) const {
  return JulianDay(static_cast<long double>(seconds) + offsetSeconds);
}

std::string TGPSTime::AsString(int layout, int offsetMinutes, const char* dateFormat,
                               const char* timeFormat) const {
  return Compose(seconds, layout, offsetMinutes, dateFormat,
                 [timeFormat](const Fields& f) { return FormatTime(timeFormat, f); });
}

long double TGPSTimeMS::JulDay(int offsetSeconds) const {
  return JulianDay(static_cast<long double>(seconds) + milliseconds * kLongSecondsPerMs + offsetSeconds);
}

std::string TGPSTimeMS::AsString(int layout, int offsetMinutes, const char* dateFormat,
                                 const char* /*timeFormat*/) const {
  return Compose(seconds, layout, offsetMinutes, dateFormat, [this](const Fields& f) {
    return FractionalTime(kMsTimeLayout, f, f.second + milliseconds * kSecondsPerMs);
  });
}

long double TGPSTimeNS::JulDay(int offsetSeconds) const {
  return JulianDay(static_cast<long double>(seconds) + nanoseconds * kLongSecondsPerNs + offsetSeconds);
}

std::string TGPSTimeNS::AsString(int layout, int offsetMinutes, const char* dateFormat,
                                 const char* /*timeFormat*/) const {
  return Compose(seconds, layout, offsetMinutes, dateFormat, [this](const Fields& f) {
    return FractionalTime(kNsTimeLayout, f, f.second + nanoseconds * kSecondsPerNs);
  });
}

TCurrentTime::TCurrentTime() {
  platform::CalendarTime now;
  if (!platform::ToUtc(platform::NowUnixSeconds(), now)) return;
  // A negative field turns into a huge unsigned value, which Set rejects.
  Set(static_cast<unsigned>(now.year), static_cast<TMonth>(now.month), static_cast<unsigned>(now.day),
      static_cast<unsigned>(now.hour), static_cast<unsigned>(now.minute), static_cast<unsigned>(now.second));
}

}  // namespace qzr2rin
