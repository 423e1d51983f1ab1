#pragma once

// A reader of RINEX 2 observation files for the tests, written from the
// RINEX 2.10 record layouts alone: it shares no code with the writer, so a
// fault in a layout there shows up as a complaint here.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzrtest::rinex {

struct Time {
  int year = 0;  // as written: two digits in records, four in the header
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  double second = 0;
  bool operator==(const Time&) const = default;
};

struct Observation {
  bool present = false;
  double value = 0;
  char lossOfLock = ' ';  // ' ' or '0'..'9'
  char strength = ' ';
};

struct SatelliteData {
  char system = ' ';
  int number = 0;
  std::vector<Observation> values;  // in the order of the header's types
};

struct Record {
  Time time;
  bool timeBlank = false;
  int flag = 0;
  int count = 0;  // satellites (flags 0, 1, 6) or special records (2..5)
  std::optional<double> clockOffset;
  std::vector<SatelliteData> satellites;  // flags 0, 1, 6
  std::vector<std::string> special;       // the lines that follow flags 2..5
};

struct HeaderRecord {
  std::string label;
  std::string value;  // columns 1-60
};

struct Header {
  std::string version;  // columns 1-9, trimmed
  char fileType = ' ';
  char system = ' ';
  std::vector<HeaderRecord> records;  // in file order
  std::vector<std::string> types;
  std::optional<int> satelliteCount;
  struct PrnCounts {
    char system = ' ';
    int number = 0;
    std::vector<int> counts;
  };
  std::vector<PrnCounts> prnCounts;
  std::optional<Time> firstObs;
  std::optional<Time> lastObs;
  std::string timeSystem;
  std::optional<double> interval;
  std::optional<int> leapSeconds;
  std::vector<std::string> comments;
};

struct ObservationFile {
  Header header;
  std::vector<Record> records;
  // Everything that does not follow the layouts, with its line number.
  std::vector<std::string> complaints;

  // The records of observation epochs (flags 0, 1 and 6).
  std::vector<const Record*> Epochs() const;
};

ObservationFile ReadObservationFile(std::string_view text);

// The index of an observation type in the header, or -1.
int TypeIndex(const Header& header, std::string_view type);

}  // namespace qzrtest::rinex
