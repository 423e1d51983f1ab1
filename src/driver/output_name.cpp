#include "driver/output_name.h"

#include <cstdio>
#include <utility>

#include "base/ascii.h"
#include "base/day_time.h"
#include "base/time_units.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

unsigned HourOfDay(std::uint32_t seconds) { return seconds % kSecondsPerDay / kSecondsPerHour; }

// Two digits and a unit letter.
constexpr std::uint64_t kMostInTwoDigits = 99;

// Room for any number printed here.
constexpr std::size_t kNumberText = 32;

std::string Code(std::uint64_t count, char unit) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%02u%c", static_cast<unsigned>(count), unit);
  return text;
}

struct Unit {
  std::uint64_t size;  // in the smallest unit of its table
  char letter;
};

// The largest unit that counts `amount` exactly in two digits; else, when
// `roundUp`, the smallest whose rounded-up count fits; else "00U".
template <std::size_t N>
std::string CountIn(std::uint64_t amount, const Unit (&units)[N], bool roundUp) {
  constexpr std::string_view kUnknown = "00U";
  if (amount == 0) return std::string(kUnknown);
  for (std::size_t i = N; i-- > 0;) {
    if (amount % units[i].size == 0 && amount / units[i].size <= kMostInTwoDigits)
      return Code(amount / units[i].size, units[i].letter);
  }
  if (roundUp) {
    for (const Unit& unit : units) {
      const std::uint64_t count = (amount + unit.size - 1) / unit.size;
      if (count <= kMostInTwoDigits) return Code(count, unit.letter);
    }
  }
  return std::string(kUnknown);
}

constexpr std::uint64_t kMinutesPerDay = kSecondsPerDay / kSecondsPerMinute;
constexpr std::uint64_t kHundredHertz = 100;  // the unit C

}  // namespace

std::string PeriodCode(std::uint32_t firstSeconds, std::uint32_t lastSeconds) {
  if (lastSeconds <= firstSeconds) return CountIn(0, {{1, 'M'}}, true);
  const std::uint64_t minutes =
      (std::uint64_t{lastSeconds} - firstSeconds + kSecondsPerMinute - 1) / kSecondsPerMinute;
  static constexpr Unit kUnits[] = {
      {1, 'M'}, {kMinutesPerHour, 'H'}, {kMinutesPerDay, 'D'}, {kMinutesPerDay * kDaysPerYear, 'Y'}};
  return CountIn(minutes, kUnits, true);
}

std::string FrequencyCode(std::int32_t intervalMs) {
  if (intervalMs <= 0) return CountIn(0, {{1, 'S'}}, false);
  const auto ms = static_cast<std::uint64_t>(intervalMs);
  if (ms < kMsPerSecond) {
    // Faster than 1 Hz the code counts per second: Hz, or hundreds of Hz.
    if (kMsPerSecond % ms != 0) return CountIn(0, {{1, 'Z'}}, false);
    const std::uint64_t hertz = kMsPerSecond / ms;
    static constexpr Unit kRates[] = {{1, 'Z'}, {kHundredHertz, 'C'}};
    return CountIn(hertz, kRates, false);
  }
  if (ms % kMsPerSecond != 0) return CountIn(0, {{1, 'S'}}, false);
  static constexpr Unit kUnits[] = {
      {1, 'S'}, {kSecondsPerMinute, 'M'}, {kSecondsPerHour, 'H'}, {kSecondsPerDay, 'D'}};
  return CountIn(ms / kMsPerSecond, kUnits, false);
}

std::string NominalStart(std::uint32_t seconds) {
  const DayTime time = SplitSecondOfDay(seconds % kSecondsPerDay);
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%04d%03d%02u%02u", CalendarYear(seconds), DayOfYear(seconds), time.hours,
                time.minutes);
  return text;
}

char SequenceCharacter(std::uint32_t firstSeconds, std::uint32_t lastSeconds) {
  const bool withinADay =
      static_cast<std::uint64_t>(lastSeconds) < static_cast<std::uint64_t>(firstSeconds) + kSecondsPerDay;
  constexpr unsigned kLastHour = kHoursPerDay - 1;
  if (withinADay && HourOfDay(lastSeconds) == kLastHour && HourOfDay(firstSeconds) == 0) return '0';
  return static_cast<char>('a' + HourOfDay(firstSeconds));
}

int DayOfYear(std::uint32_t seconds) {
  const TGPSTime time(seconds);
  const unsigned year = time.Year(0);
  if (year == kGpsOriginYear) return static_cast<int>(time.GPSDay() + kGpsOriginDayOfJanuary);
  return static_cast<int>(time.GPSDay() - TGPSTime(year, 1).GPSDay()) + 1;
}

int CalendarYear(std::uint32_t seconds) { return static_cast<int>(TGPSTime(seconds).Year(0)); }

std::string StationCode(std::string_view markerName) {
  constexpr std::size_t kStationLength = 4;
  std::string code(markerName.substr(0, kStationLength));
  for (char& c : code) {
    if (c == '/' || c == '\\' || IsControlCharacter(static_cast<unsigned char>(c))) c = '_';
  }
  return code;
}

std::string SequenceText(char sequence, int attempt) {
  std::string text(1, sequence);
  if (attempt > 0) {
    char digits[kNumberText];
    std::snprintf(digits, sizeof digits, "%02d", attempt - 1);
    text += digits;
  }
  return text;
}

OutputNames::OutputNames(std::string_view directory, std::string_view station, int dayOfYear,
                         std::string_view sequence, int year) {
  char numbers[kNumberText];
  base_ = directory;
  base_ += '/';
  base_ += station;
  std::snprintf(numbers, sizeof numbers, "%03d", dayOfYear);
  base_ += numbers;
  base_ += sequence;
  std::snprintf(numbers, sizeof numbers, ".%02d", TwoDigitYear(year));
  base_ += numbers;
}

OutputNames OutputNames::Long(std::string_view directory, const LongNameFacts& facts) {
  OutputNames names;
  names.long_ = true;
  names.base_ = directory;
  names.base_ += '/';
  names.base_ += facts.station;
  names.base_ += "_R_";  // from the receiver's own data
  names.base_ += NominalStart(facts.firstSeconds);
  names.base_ += '_';
  names.base_ += PeriodCode(facts.firstSeconds, facts.lastSeconds);
  names.frequency_ = FrequencyCode(facts.intervalMs);
  names.observationSystem_ = facts.observationSystem;
  return names;
}

std::string OutputNames::Path(FileKind kind) const {
  const bool compact = forms_.compact && kind == FileKind::Observation;
  std::string path;
  if (!long_) {
    constexpr char kTypes[] = {'O', 'N', 'G', 'H', 'P'};
    path = base_ + (compact ? 'D' : kTypes[static_cast<std::size_t>(kind)]);
  } else {
    switch (kind) {
      case FileKind::Observation: path = base_ + '_' + frequency_ + '_' + observationSystem_ + 'O'; break;
      case FileKind::GpsNavigation: path = base_ + "_GN"; break;
      case FileKind::GlonassNavigation: path = base_ + "_RN"; break;
      case FileKind::GeoNavigation: path = base_ + "_SN"; break;
      case FileKind::MixedNavigation: path = base_ + "_MN"; break;
    }
    path += compact ? ".crx" : ".rnx";
  }
  if (forms_.gzip) path += ".gz";
  return path;
}

Status ChooseLongNames(const std::string& directory, const LongNameFacts& facts, FileForms forms,
                       const std::function<bool(const OutputNames& names)>& take, OutputNames& names) {
  names = OutputNames();
  if (directory.size() > kMaxOutputDirectoryLength) return Status::NameTooLong;
  OutputNames tried = OutputNames::Long(directory, facts);
  tried.In(forms);
  if (!take(tried)) return Status::OutputOpenFailed;
  names = std::move(tried);
  return Status::Ok;
}

Status ChooseOutputNames(const std::string& directory, std::string_view markerName,
                         std::uint32_t firstSeconds, std::uint32_t lastSeconds, FileForms forms,
                         const std::function<bool(const OutputNames& names)>& take, OutputNames& names) {
  names = OutputNames();
  if (directory.size() > kMaxOutputDirectoryLength) return Status::NameTooLong;

  const char sequence = SequenceCharacter(firstSeconds, lastSeconds);
  const int dayOfYear = DayOfYear(firstSeconds);
  const int year = CalendarYear(firstSeconds);
  const std::string station = StationCode(markerName);
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    OutputNames tried(directory, station, dayOfYear, SequenceText(sequence, attempt), year);
    tried.In(forms);
    if (take(tried)) {
      names = std::move(tried);
      return Status::Ok;
    }
  }
  return Status::OutputOpenFailed;
}

}  // namespace qzr2rin
