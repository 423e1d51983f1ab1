#include "driver/output_name.h"

#include <cstdio>
#include <utility>

#include "base/time_units.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

unsigned HourOfDay(std::uint32_t seconds) { return seconds % kSecondsPerDay / kSecondsPerHour; }

}  // namespace

char SequenceCharacter(std::uint32_t firstSeconds, std::uint32_t lastSeconds) {
  const bool withinADay =
      static_cast<std::uint64_t>(lastSeconds) < static_cast<std::uint64_t>(firstSeconds) + kSecondsPerDay;
  if (withinADay && HourOfDay(lastSeconds) == 23 && HourOfDay(firstSeconds) == 0) return '0';
  return static_cast<char>('a' + HourOfDay(firstSeconds));
}

int DayOfYear(std::uint32_t seconds) {
  const TGPSTime time(seconds);
  const unsigned year = time.Year(0);
  // 1980 starts at its sixth day.
  if (year == 1980) return static_cast<int>(time.GPSDay()) + 6;
  return static_cast<int>(time.GPSDay() - TGPSTime(year, 1).GPSDay()) + 1;
}

int CalendarYear(std::uint32_t seconds) { return static_cast<int>(TGPSTime(seconds).Year(0)); }

std::string StationCode(std::string_view markerName) {
  std::string code(markerName.substr(0, 4));
  for (char& c : code) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) c = '_';
  }
  return code;
}

std::string SequenceText(char sequence, int attempt) {
  std::string text(1, sequence);
  if (attempt > 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", attempt - 1);
    text += digits;
  }
  return text;
}

OutputNames::OutputNames(std::string_view directory, std::string_view station, int dayOfYear,
                         std::string_view sequence, int year) {
  char numbers[32];
  base_ = directory;
  base_ += '/';
  base_ += station;
  std::snprintf(numbers, sizeof numbers, "%03d", dayOfYear);
  base_ += numbers;
  base_ += sequence;
  std::snprintf(numbers, sizeof numbers, ".%02d", year % 100);
  base_ += numbers;
}

std::string OutputNames::Path(FileKind kind) const {
  constexpr char kTypes[] = {'O', 'N', 'G', 'H'};
  return base_ + kTypes[static_cast<std::size_t>(kind)];
}

Status ChooseOutputNames(const std::string& directory, std::string_view markerName,
                         std::uint32_t firstSeconds, std::uint32_t lastSeconds,
                         const std::function<bool(const OutputNames& names)>& take, OutputNames& names) {
  names = OutputNames();
  if (directory.size() > kMaxOutputDirectoryLength) return Status::NameTooLong;

  const char sequence = SequenceCharacter(firstSeconds, lastSeconds);
  const int dayOfYear = DayOfYear(firstSeconds);
  const int year = CalendarYear(firstSeconds);
  const std::string station = StationCode(markerName);
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    OutputNames tried(directory, station, dayOfYear, SequenceText(sequence, attempt), year);
    if (take(tried)) {
      names = std::move(tried);
      return Status::Ok;
    }
  }
  return Status::OutputOpenFailed;
}

}  // namespace qzr2rin
