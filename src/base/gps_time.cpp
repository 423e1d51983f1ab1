#include "qzr2rin/gps_time.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "base/day_time.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

constexpr unsigned kFirstYear = 1980;
constexpr unsigned kLastYear = 2116;
// The origin is 6 January 1980; days 1..5 of that January do not exist.
constexpr unsigned kOriginDayOfJanuary = 6;
constexpr std::int64_t kOriginUnixSeconds = 315964800;
constexpr std::uint64_t kMaxSeconds = 0xFFFFFFFFu;

constexpr std::array<std::uint8_t, 13> kMonthLengths = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr std::array<std::string_view, 13> kMonthNames = {
    "",     "January", "February",  "March",   "April",    "May",     "June",
    "July", "August",  "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

constexpr const char* kDefaultDatePicture = "yyyy-MM-dd";
constexpr const char* kDefaultTimePicture = "HH:mm:ss";
constexpr const char* kMsTimeLayout = "%02d:%02d:%06.3f";
constexpr const char* kNsTimeLayout = "%02d:%02d:%012.9f";
constexpr std::string_view kConversionFailed = "<Time conversion failed>";

bool IsLeap(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInYear(unsigned year) {
  if (year == kFirstYear) return 366 - kOriginDayOfJanuary;
  return IsLeap(year) ? 366 : 365;
}

std::uint64_t DaysBeforeYear(unsigned year) {
  std::uint64_t days = 0;
  for (unsigned y = kFirstYear; y < year; ++y) days += DaysInYear(y);
  return days;
}

// Within 1980 the day count runs from 0 (6 January) to 360 (31 December); in
// later years from 1 (1 January).
void BreakDays(std::uint32_t count, unsigned& year, TGPSTime::TMonth& month, unsigned& day) {
  unsigned d = count / TGPSTime::kSecondsPerDay;
  unsigned y = kFirstYear;
  while (DaysInYear(y) < d) {
    d -= DaysInYear(y);
    ++y;
  }
  unsigned m = 1;
  while (m <= 12 && TGPSTime::DaysInMonth(y, static_cast<TGPSTime::TMonth>(m)) < d) {
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
  return count + static_cast<std::uint32_t>(offsetMinutes) * 60u;
}

long double JulianDay(long double seconds) { return (seconds - 43200.0L) * (1.0L / 86400.0L) + 2444245.0L; }

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

// False when the local time zone conversion (offset 800) fails.
bool BreakDown(std::uint32_t count, int offsetMinutes, Fields& f) {
  std::uint32_t t = count;
  if (offsetMinutes != 0 && offsetMinutes >= -720 && offsetMinutes <= 720) t = Shifted(t, offsetMinutes);
  if (offsetMinutes == 800) {
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
  f.dayOfWeek = (t / TGPSTime::kSecondsPerDay) % 7;
  const DayTime rest = SplitSecondOfDay(t % TGPSTime::kSecondsPerDay);
  f.hour = rest.hours;
  f.minute = rest.minutes;
  f.second = rest.seconds;
  return true;
}

void AppendNumber(std::string& out, unsigned value, int minDigits) {
  char text[16];
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
                               const std::string_view name = kDayNames[f.dayOfWeek % 7];
                               out += run == 3 ? name.substr(0, 3) : name;
                             }
                             break;
                           case 'M':
                             if (run <= 2) {
                               AppendNumber(out, f.month, static_cast<int>(run));
                             } else {
                               const std::string_view name = f.month <= 12 ? kMonthNames[f.month] : "";
                               out += run == 3 ? name.substr(0, 3) : name;
                             }
                             break;
                           default:  // 'y'
                             if (run <= 2) {
                               AppendNumber(out, f.year % 100, static_cast<int>(run));
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
                           case 'h': AppendNumber(out, f.hour % 12 == 0 ? 12 : f.hour % 12, digits); break;
                           case 'H': AppendNumber(out, f.hour, digits); break;
                           case 'm': AppendNumber(out, f.minute, digits); break;
                           case 's': AppendNumber(out, f.second, digits); break;
                           default:  // 't'
                             out += f.hour < 12 ? (run >= 2 ? "AM" : "A") : (run >= 2 ? "PM" : "P");
                             break;
                         }
                       });
}

std::string FractionalTime(const char* layout, const Fields& f, double second) {
  char text[64];
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
  if (year < kFirstYear || year > kLastYear || month < January || month > December || day < 1 || day > 31)
    return;
  if (hour > 23 || minute > 59 || second > 59) return;
  if (firstMonth ? (day < kOriginDayOfJanuary || day > kOriginDayOfJanuary + DaysInMonth(year, month))
                 : day > DaysInMonth(year, month))
    return;
  std::uint64_t days = DaysBeforeYear(year);
  for (unsigned m = January; m < month; ++m) days += DaysInMonth(year, static_cast<TMonth>(m));
  days += day;
  if (firstMonth) days -= kOriginDayOfJanuary;
  const std::uint64_t count = days * kSecondsPerDay + hour * 3600u + minute * 60u + second;
  // Past 2116-02-12 06:28:15 the count would wrap to an unrelated time.
  if (count <= kMaxSeconds) seconds = static_cast<std::uint32_t>(count);
}

unsigned TGPSTime::Year(int offsetMinutes) const { return DateOf(Shifted(seconds, offsetMinutes)).year; }

TGPSTime::TMonth TGPSTime::Month(int offsetMinutes) const {
  return DateOf(Shifted(seconds, offsetMinutes)).month;
}

unsigned TGPSTime::Day(int offsetMinutes) const { return DateOf(Shifted(seconds, offsetMinutes)).day; }

TGPSTime::TDayOfWeek TGPSTime::DayOfWeek(int offsetMinutes) const {
  return static_cast<TDayOfWeek>(Shifted(seconds, offsetMinutes) / kSecondsPerDay % 7);
}

void TGPSTime::GetDate(unsigned& year, TMonth& month, unsigned& day, TDayOfWeek& dayOfWeek) const {
  BreakDays(seconds, year, month, day);
  dayOfWeek = static_cast<TDayOfWeek>(GPSDay() % 7);
}

std::uint8_t TGPSTime::DaysInMonth(unsigned year, TMonth month) {
  if (month < January || month > December) return 0;
  if (year == kFirstYear && month == January) return kMonthLengths[January] - kOriginDayOfJanuary;
  if (month == February && IsLeap(year)) return 29;
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
  return JulianDay(static_cast<long double>(seconds) + milliseconds * 0.001L + offsetSeconds);
}

std::string TGPSTimeMS::AsString(int layout, int offsetMinutes, const char* dateFormat,
                                 const char* /*timeFormat*/) const {
  return Compose(seconds, layout, offsetMinutes, dateFormat, [this](const Fields& f) {
    return FractionalTime(kMsTimeLayout, f, f.second + milliseconds * 0.001);
  });
}

long double TGPSTimeNS::JulDay(int offsetSeconds) const {
  return JulianDay(static_cast<long double>(seconds) + nanoseconds * 1e-9L + offsetSeconds);
}

std::string TGPSTimeNS::AsString(int layout, int offsetMinutes, const char* dateFormat,
                                 const char* /*timeFormat*/) const {
  return Compose(seconds, layout, offsetMinutes, dateFormat, [this](const Fields& f) {
    return FractionalTime(kNsTimeLayout, f, f.second + nanoseconds * 1e-9);
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
