#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "output/file_forms.h"

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
enum class FileKind : std::uint8_t {
  Observation,
  GpsNavigation,
  GlonassNavigation,
  GeoNavigation,
  MixedNavigation
};

// The parts of a long name: "<period>" of the data from the first to the last
// epoch, rounded up to whole minutes, in the largest unit that counts it
// exactly in two digits ("01D", "01H", "15M"; else rounded up in the
// smallest unit that fits; "00U" for a single epoch).
std::string PeriodCode(std::uint32_t firstSeconds, std::uint32_t lastSeconds);
// The data frequency of an interval, in the largest unit that counts it
// exactly in two digits ("30S", "01M", "05Z" for 5 Hz, "01C" for 100 Hz);
// "00U" when unknown (0) or not exact.
std::string FrequencyCode(std::int32_t intervalMs);
// "YYYYDDDHHMM": the minute the time lies in.
std::string NominalStart(std::uint32_t seconds);

// What a long name says of its files besides the directory.
struct LongNameFacts {
  std::string station;  // SSSSMRCCC
  std::uint32_t firstSeconds = 0;
  std::uint32_t lastSeconds = 0;
  std::int32_t intervalMs = 0;
  char observationSystem = 'M';  // M, G, R or S: what the observation file holds
};

// The names of one conversion's files: one base that all of them share, and
// an ending for each kind. Short names:
// "<directory>/<station><day of year, 3 digits><sequence>.<year mod 100, 2 digits><type>",
// the type being O, N, G, H, or P for a mixed navigation file. Long names:
// "<directory>/SSSSMRCCC_R_YYYYDDDHHMM_PPU_FRU_<system>O.rnx" for the
// observation file and "..._PPU_<system>N.rnx" for navigation files. A
// compact observation file is type D, or ends in ".crx"; gzipped files end
// in ".gz" besides.
class OutputNames {
 public:
  OutputNames() = default;
  OutputNames(std::string_view directory, std::string_view station, int dayOfYear, std::string_view sequence,
              int year);
  static OutputNames Long(std::string_view directory, const LongNameFacts& facts);

  // The same names for files written in these forms.
  OutputNames& In(FileForms forms) {
    forms_ = forms;
    return *this;
  }

  bool Empty() const { return base_.empty(); }
  bool IsLong() const { return long_; }
  std::string Path(FileKind kind) const;

 private:
  std::string base_;  // short: everything before the type letter; long: up to the period
  bool long_ = false;
  std::string frequency_;  // long names: the observation file's FRU
  char observationSystem_ = 'M';
  FileForms forms_;
};

// Long names have no sequence: one try, and Status::OutputOpenFailed when
// take refuses it.
Status ChooseLongNames(const std::string& directory, const LongNameFacts& facts, FileForms forms,
                       const std::function<bool(const OutputNames& names)>& take, OutputNames& names);

// Tries names until take(names) accepts them (for example because none of
// the files exists yet). On success `names` are the names taken; on failure
// they are empty.
Status ChooseOutputNames(const std::string& directory, std::string_view markerName,
                         std::uint32_t firstSeconds, std::uint32_t lastSeconds, FileForms forms,
                         const std::function<bool(const OutputNames& names)>& take, OutputNames& names);

}  // namespace qzr2rin
