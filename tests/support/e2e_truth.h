#pragma once

// What the end-to-end tests share: the simulator's truth file, a walk over
// the message framing of a log, a reader of RINEX 2.10 navigation files and
// one simulate-and-convert step.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace qzrtest::e2e {

struct TruthEpoch {
  std::int64_t ms = 0;  // GPS milliseconds
  bool hasClock = false;
  double clock = 0;
  int satellites = 0;
};

// Values of one satellite and signal: pseudorange, phase, Doppler, C/N0,
// smoothing correction; NaN when not written.
using SignalTruth = std::array<double, 5>;

// (ms, system letter, RINEX number) -> signal name ("ca", "p1", "p2") -> values
using ObservationKey = std::tuple<std::int64_t, char, int>;

struct Truth {
  std::vector<TruthEpoch> epochs;
  std::map<ObservationKey, std::map<std::string, SignalTruth>> obs;
  // Every other line, split at the commas, by its first field ("gpseph",
  // "gloeph", "geoeph", "iono", "utc", "geoutc", "event", "signature").
  std::map<std::string, std::vector<std::vector<std::string>>> lines;
};

Truth ReadTruth(const std::string& text);

std::vector<std::string> SplitCommas(const std::string& line);
std::int64_t Milliseconds(const std::string& week, const std::string& sow);
std::int64_t EpochMilliseconds(const qzrtest::rinex::Time& t);

// An observation type of the RINEX file and where the truth keeps it.
struct TypeSource {
  const char* type;
  const char* signal;
  int field;
};
extern const TypeSource kTypes[9];

// One message found by walking the framing: two identifier characters,
// three hexadecimal length digits, the body.
struct FramedMessage {
  std::size_t offset = 0;
  std::size_t size = 0;  // 5 + body length
  std::string id;
  std::size_t end() const { return offset + size; }
};

// Walks an undamaged log from its start: line breaks and comment lines
// between messages are skipped. Stops at the first byte that is not a
// message header (the walk is for intact logs only).
std::vector<FramedMessage> WalkMessages(std::string_view bytes);

// A RINEX 2.10 navigation file, read from the layouts alone.
struct NavRecord {
  int number = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0;
  std::vector<std::string> fields;  // the 19-column numbers as written
  std::vector<double> values;
};

struct NavFile {
  std::vector<qzrtest::rinex::HeaderRecord> header;
  std::vector<NavRecord> records;
  std::vector<std::string> complaints;
  const qzrtest::rinex::HeaderRecord* Find(std::string_view label) const;
};

// `linesPerRecord`: 8 for GPS, 4 for GLONASS and GEO.
NavFile ReadNavigationFile(std::string_view text, int linesPerRecord);

// x in the 19-column navigation form: mantissa below 1 with a blank for its
// leading zero, 12 digits, a D exponent.
std::string NavNumber(double x);
// The same form with 4 digits and 12 columns (the ionosphere header lines).
std::string NavNumberShort(double x);

// The files of one conversion: the observation file and the navigation
// files by their last letter ('N', 'G', 'H'), empty paths when absent.
struct Conversion {
  ProgramResult result;
  std::string observation;
  std::map<char, std::string> navigation;
};

// Runs the converter on `log` into a new directory `out` below `dir`.
Conversion Convert(const TempDir& dir, const std::string& log, const std::vector<std::string>& extra,
                   const std::string& out = "out");

}  // namespace qzrtest::e2e
