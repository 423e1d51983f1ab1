#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/process_flags.h"
#include "decoders/epoch_data.h"
#include "decoders/qzr_file.h"
#include "model/observation_set.h"
#include "output/sequencing.h"
#include "support/converter_bench.h"

namespace qzrtest {

// The day the writer tests' records lie on, and a time of it in GPS seconds.
constexpr std::uint32_t kDay = 8796;  // 2004-02-05
constexpr std::uint32_t At(int hour, int minute, int second) {
  return kDay * 86400 + static_cast<std::uint32_t>(hour * 3600 + minute * 60 + second);
}
// 2004-03-06 12:00:00 UTC: the date of the PGM / RUN BY / DATE line.
constexpr const char* kWritingTime = "1078574400";

// Sets as the epoch assembly stores them.
constexpr std::uint16_t kCaAll = qzr2rin::kFlagCaSet | qzr2rin::kFlagPseudorange |
                                 qzr2rin::kFlagCarrierPhase | qzr2rin::kFlagDoppler |
                                 qzr2rin::kFlagCn0InStatus2;
constexpr std::uint16_t kL2RangePhase =
    qzr2rin::kFlagL2Set | qzr2rin::kFlagPseudorange | qzr2rin::kFlagCarrierPhase;
constexpr std::uint16_t kP1Range = qzr2rin::kFlagPseudorange;

// The process-wide switches a writer reads, set for one test and put back.
class ProcessFlagsScope {
 public:
  explicit ProcessFlagsScope(qzr2rin::ProcessFlags flags) : saved_(qzr2rin::Flags()) {
    qzr2rin::SetFlags(flags);
  }
  ~ProcessFlagsScope() { qzr2rin::SetFlags(saved_); }
  ProcessFlagsScope(const ProcessFlagsScope&) = delete;
  ProcessFlagsScope& operator=(const ProcessFlagsScope&) = delete;

 private:
  qzr2rin::ProcessFlags saved_;
};

// A set over bare records, as the sequencing and the summary see them: no
// ephemerides, no profile, no header facts; the occupation the records end
// in.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records);
// The same with these header facts.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records, qzr2rin::HeaderFacts header);

// The set the finished run collects, but reading the profile at this path
// (empty: none) in place of the converter's own.
qzr2rin::ObservationSet CollectWithProfile(const qzr2rin::TQZRFile& f, const std::string& profilePath);

// Records what a format was handed, one word per call: "E100" an epoch at
// 100 s, "A105"/"B105" an event of input A/B, "O2@300" occupation 2 from
// its epoch at 300 s.
class SequenceRecorder final : public qzr2rin::ObservationFormat {
 public:
  void Epoch(const qzr2rin::DataEpoch& epoch) override;
  void Event(const qzr2rin::DataEvent& event) override;
  void OccupationChange(const qzr2rin::DataOccup* occupation, const qzr2rin::DataEpoch& first) override;
  void Progress(std::size_t epochsDone) override { progress.push_back(epochsDone); }

  std::string calls;
  std::vector<std::size_t> progress;

 private:
  void Add(const std::string& word) { calls += (calls.empty() ? "" : " ") + word; }
};

// The words of every record the sequencing hands over for the set.
std::string SequenceOf(const qzr2rin::ObservationSet& set);

// The observation file the writer makes of the set (no progress, no
// statistics).
std::string ObservationText(const qzr2rin::ObservationSet& set);

// One signal set of a stored satellite.
struct StoredSet {
  std::uint16_t flags = 0;
  double range = 0;
  double phase = 0;
  float doppler = 0;
  std::uint8_t status2 = 0;  // C/N0
  float smoothing = 0;
  std::uint8_t status1 = 0;  // the status digit
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
  // `channel`: the GLONASS frequency channel the list gave.
  void Satellite(std::uint8_t id, const std::vector<StoredSet>& sets,
                 std::int8_t channel = qzr2rin::kNoChannel);
  void Event(std::uint8_t port, std::uint32_t seconds, std::uint32_t nanoseconds, std::uint16_t timeBase);
  // The set of the finished run (event times converted); the records must
  // outlive it.
  qzr2rin::ObservationSet Collect();
  // The same, reading the profile at this path.
  qzr2rin::ObservationSet Collect(const std::string& profilePath);

 private:
  ConverterBench bench_;
};

}  // namespace qzrtest
