#pragma once

#include <cstdint>
#include <string>

#include "orbits.h"

namespace qzrsim {

enum class Encoding { Full, Short, Relative, ShortRelative, Raw };

struct Options {
  std::string output;
  std::string truth;         // empty: no truth file
  std::int64_t startMs = 0;  // GPS milliseconds since 1980-01-06
  std::int64_t durationMs = 300000;
  std::int64_t intervalMs = 1000;
  Vec3 position;
  int gps = 8, glonass = 6, sbas = 2;
  // The counts are receiver channels: every satellite is a candidate and
  // each epoch lists up to that many of those above the mask.
  bool channels = false;
  bool signals[3] = {true, true, true};  // C/A on L1, P on L1, P on L2
  bool code = true, phase = true, doppler = true, cn0 = true, smoothing = false;
  Encoding encoding = Encoding::Short;
  bool clockGiven = false;
  double clockOffsetMs = 0;
  int events = 0, externalEvents = 0;
  bool ephemerides = true, utc = false, iono = false, signatures = false;
  std::string receiverVersion = "3.4";
  std::uint64_t seed = 1;
};

const char* EncodingName(Encoding e);

// Writes the log (and the truth file); returns an error text, empty on success.
std::string Simulate(const Options& options);

// The comment block at the top of every truth file, also shown by --help.
extern const char* const kTruthDescription;

}  // namespace qzrsim
