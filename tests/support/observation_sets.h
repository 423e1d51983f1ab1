#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "decoders/qzr_file.h"
#include "model/observation_set.h"
#include "support/converter_bench.h"

namespace qzrtest {

// A set over bare records, as the sequencing and the summary see them: no
// ephemerides, no profile, no header facts; the occupation the records end
// in.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records);

// One signal set of a stored satellite.
struct StoredSet {
  std::uint16_t flags = 0;
  double range = 0;
  double phase = 0;
  float doppler = 0;
  std::uint8_t status2 = 0;  // C/N0
  float smoothing = 0;
};

// A converter whose collected records are stored directly, as the second
// run leaves them, for the observation writers: receiver QZ0012345
// "QZR 3.0" 1.23, antenna ANT123 QZRDOME_E, input pill0360.qzr, 30 s.
class CollectedRecords {
 public:
  CollectedRecords();
  qzr2rin::TQZRFile& f() { return bench_.file(); }

  void Occupation(std::int16_t number, const std::string& name, const std::string& markerNumber,
                  qzr2rin::AntennaBlock antenna = {}, bool authenticated = false);
  void Epoch(std::uint32_t seconds, std::uint32_t nanoseconds = 0, std::int32_t flags = 0,
             std::array<double, 3> position = {}, double clockOffset = 0);
  // The sets in the order given, chained as the epoch assembly chains them.
  void Satellite(std::uint8_t id, const std::vector<StoredSet>& sets);
  void Event(std::uint8_t port, std::uint32_t seconds, std::uint32_t nanoseconds, std::uint16_t timeBase);
  // The set of the finished run (event times converted); the records must
  // outlive it.
  qzr2rin::ObservationSet Collect();

 private:
  ConverterBench bench_;
};

}  // namespace qzrtest
