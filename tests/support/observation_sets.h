#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/observation_set.h"
#include "output/sequencing.h"

namespace qzrtest {

// A set over bare records, as the sequencing and the summary see them: no
// ephemerides, no profile, no header facts; the occupation the records end
// in.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records);
// The same with these header facts.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records, qzr2rin::HeaderFacts header);

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

}  // namespace qzrtest
