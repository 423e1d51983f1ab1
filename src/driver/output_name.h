#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace qzr2rin {

// Times here are whole GPS seconds (since 1980-01-06 00:00:00).

// Output directories longer than this are refused with Status::NameTooLong.
inline constexpr std::size_t kMaxOutputDirectoryLength = 247;
// Names tried before giving up with Status::OutputOpenFailed.
inline constexpr int kMaxNameTries = 1000;

// '0' for a file that covers one whole day (first epoch in hour 0, last in
// hour 23, less than a day apart), else 'a' + the hour of the first epoch.
char SequenceCharacter(std::uint32_t firstSeconds, std::uint32_t lastSeconds);

// Day of year of the time (1 is 1 January).
int DayOfYear(std::uint32_t seconds);

// Calendar year of the time.
int CalendarYear(std::uint32_t seconds);

// The first four characters of the marker name. Separators and control
// characters become '_', so the name cannot leave the output directory.
std::string StationCode(std::string_view markerName);

// The sequence text of try k: the character alone for try 0, then the
// character and k - 1 in at least two digits (a, a00, a01, ..., a99, a100).
std::string SequenceText(char sequence, int attempt);

// The kinds of file one conversion writes.
enum class FileKind : std::uint8_t { Observation, GpsNavigation, GlonassNavigation, GeoNavigation };

// The names of one conversion's files: one base that all of them share, and
// an ending for each kind. Short RINEX 2 names:
// "<directory>/<station><day of year, 3 digits><sequence>.<year mod 100, 2 digits><type>",
// the type being O, N, G or H.
class OutputNames {
 public:
  OutputNames() = default;
  OutputNames(std::string_view directory, std::string_view station, int dayOfYear, std::string_view sequence,
              int year);

  bool Empty() const { return base_.empty(); }
  std::string Path(FileKind kind) const;

 private:
  std::string base_;  // everything before the type letter
};

// Tries names until take(names) accepts them (for example because none of
// the files exists yet). On success `names` are the names taken; on failure
// they are empty.
Status ChooseOutputNames(const std::string& directory, std::string_view markerName,
                         std::uint32_t firstSeconds, std::uint32_t lastSeconds,
                         const std::function<bool(const OutputNames& names)>& take, OutputNames& names);

}  // namespace qzr2rin
