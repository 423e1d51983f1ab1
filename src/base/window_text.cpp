#include "base/window_text.h"

#include "base/time_units.h"

namespace qzr2rin {
namespace {

constexpr unsigned kDecimalBase = 10;
constexpr std::uint32_t kMsPerTenth = kMsPerSecond / kDecimalBase;
constexpr std::uint32_t kMsPerHundredth = kMsPerTenth / kDecimalBase;
// A two-digit year from the GPS origin year on is of the 1900s, below it of
// the 2000s.
constexpr unsigned kFirstTwoDigitYearOf1900s = TwoDigitYear(kGpsOriginYear);
constexpr unsigned kYear1900 = 1900;
constexpr unsigned kYear2000 = kYear1900 + kYearsPerCentury;

// A number of one or two decimal digits. Anything else, including an empty
// text, is malformed.
bool ReadNumber(std::string_view digits, unsigned& value) {
  if (digits.empty() || digits.size() > 2) return false;
  value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * kDecimalBase + static_cast<unsigned>(c - '0');
  }
  return true;
}

// Up to two digits after the point, as (fraction x 1000 + 0.5) truncated.
// Kept in integers: ".29" is 290 ms, never 289.
bool ReadFractionMs(std::string_view digits, std::uint32_t& ms) {
  ms = 0;
  if (digits.empty()) return true;
  unsigned value = 0;
  if (!ReadNumber(digits, value)) return false;
  ms = digits.size() == 1 ? value * kMsPerTenth : value * kMsPerHundredth;
  return true;
}

// Splits "AABBCC" into its two-digit parts; the last may have one digit.
// Returns how many parts there were, 0 for a malformed text.
int ReadParts(std::string_view text, unsigned (&parts)[3]) {
  if (text.empty() || text.size() > 6) return 0;
  int count = 0;
  for (std::size_t at = 0; at < text.size(); at += 2) {
    if (!ReadNumber(text.substr(at, 2), parts[count])) return 0;
    ++count;
  }
  return count;
}

bool ReadClock(std::string_view text, WindowEnd& end) {
  if (text.empty()) return true;
  unsigned parts[3] = {0, 0, 0};
  const int count = ReadParts(text, parts);
  if (count == 0) return false;
  end.hourGiven = true;
  end.minutesGiven = count > 1;
  end.secondsGiven = count > 2;
  if (parts[0] >= kHoursPerDay || parts[1] >= kMinutesPerHour || parts[2] >= kSecondsPerMinute) return false;
  end.msOfDay = parts[0] * kMsPerHour + parts[1] * kMsPerMinute + parts[2] * kMsPerSecond;
  return true;
}

bool ParseShortForm(std::string_view text, WindowEnd& end) {
  if (text.size() > 8) return false;
  unsigned day = 0;
  if (!ReadNumber(text.substr(0, 2), day) || day < 1 || day > kLongestMonthDays) return false;
  end.day = day;
  return ReadClock(text.size() > 2 ? text.substr(2) : std::string_view{}, end);
}

bool ParseFullForm(std::string_view text, std::size_t dAt, WindowEnd& end) {
  end.fullForm = true;
  unsigned date[3] = {0, 0, 0};
  const int count = ReadParts(text.substr(0, dAt), date);
  if (count == 0 || date[0] < 1 || date[0] > kLongestMonthDays) return false;
  end.day = date[0];
  if (count > 1) {
    if (date[1] < 1 || date[1] > kMonthsPerYear) return false;
    end.month = date[1];
    end.monthGiven = true;
  }
  if (count > 2) {
    end.year = date[2] >= kFirstTwoDigitYearOf1900s ? kYear1900 + date[2] : kYear2000 + date[2];
    end.yearGiven = true;
  }

  std::string_view clock = text.substr(dAt + 1);
  std::uint32_t fractionMs = 0;
  const std::size_t point = clock.find('.');
  if (point != std::string_view::npos) {
    // A fraction needs the whole HHMMSS before it.
    if (point != 6 || !ReadFractionMs(clock.substr(point + 1), fractionMs)) return false;
    clock = clock.substr(0, point);
  }
  if (!ReadClock(clock, end)) return false;
  end.msOfDay += fractionMs;
  return true;
}

}  // namespace

Status ParseWindowText(std::string_view text, WindowEnd& end) {
  end = WindowEnd{};
  const std::size_t dAt = text.find('d');
  const bool ok = dAt == std::string_view::npos ? ParseShortForm(text, end) : ParseFullForm(text, dAt, end);
  if (!ok) {
    end = WindowEnd{};
    return Status::BadTimeTag;
  }
  return Status::Ok;
}

Status ParseTimeWindow(const std::string_view* startText, const std::string_view* finishText,
                       WindowEnd& start, WindowEnd& finish) {
  start = WindowEnd{};
  finish = WindowEnd{};
  Status status = Status::Ok;
  if (startText != nullptr) status = ParseWindowText(*startText, start);
  if (status == Status::Ok && finishText != nullptr) status = ParseWindowText(*finishText, finish);
  if (status != Status::Ok) {
    start = WindowEnd{};
    finish = WindowEnd{};
    return status;
  }

  if (finishText != nullptr) {
    // A finish second counts in full.
    if (!finish.fullForm) finish.msOfDay += kMsPerSecond - 1;
  } else if (startText != nullptr && !start.fullForm) {
    // The finish closes the last unit the start named: its day, hour,
    // minute or second.
    finish = start;
    std::uint32_t unit = kMsPerDay;
    if (start.secondsGiven) {
      unit = kMsPerSecond;
    } else if (start.minutesGiven) {
      unit = kMsPerMinute;
    } else if (start.hourGiven) {
      unit = kMsPerHour;
    }
    finish.msOfDay = start.msOfDay + unit - 1;
  }
  return Status::Ok;
}

Status ParseIntervalText(std::string_view text, std::uint32_t& ms) {
  ms = 0;
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  unsigned seconds = 0;
  std::uint32_t fractionMs = 0;
  if (!whole.empty() && !ReadNumber(whole, seconds)) return Status::BadTimeTag;
  if (!ReadFractionMs(fraction, fractionMs)) return Status::BadTimeTag;
  ms = seconds * kMsPerSecond + fractionMs;
  return Status::Ok;
}

}  // namespace qzr2rin
