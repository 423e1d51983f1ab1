#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace qzr2rin {

// Satellite numbers given to -g, -r or -w. Numbers past the 64th are
// ignored.
struct ExclusionList {
  static constexpr std::size_t kCapacity = 64;
  std::array<int, kCapacity> numbers{};
  std::size_t count = 0;

  void Append(int n) {
    if (count < kCapacity) numbers[count++] = n;
  }
  bool Contains(int n) const {
    for (std::size_t i = 0; i < count; ++i) {
      if (numbers[i] == n) return true;
    }
    return false;
  }
};

// Everything the command line says about one conversion, collected by the
// switch scanner and handed to the converter.
struct ConversionOptions {
  std::string inputFile;
  std::string outputDirectory = ".";
  std::string profilePath;  // absolute; empty when -p was not given

  bool useL1 = true;
  bool useL2 = true;
  bool useGps = true;
  bool useGlonass = true;
  bool useWaas = true;
  bool useDoppler = true;
  ExclusionList gpsExcluded;
  ExclusionList glonassExcluded;  // GLONASS slot numbers
  ExclusionList waasExcluded;     // GEO PRN minus 100

  bool dumpEnabled = false;      // -l
  bool verbose = true;           // cleared by -q
  bool statistics = false;       // -e
  bool noTagCorrection = false;  // -t

  bool startGiven = false;
  std::string startText;
  bool finishGiven = false;
  std::string finishText;

  bool intervalGiven = false;
  std::string intervalText;
  bool decimationGiven = false;
  int decimation = 0;

  bool markerOverridden = false;  // -M
  std::string markerName;
  bool markerNumberGiven = false;  // -m
  std::string markerNumber;
};

}  // namespace qzr2rin
