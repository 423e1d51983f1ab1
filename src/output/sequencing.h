#pragma once

#include <cstddef>

#include "model/observation_set.h"

namespace qzr2rin {

// What an observation file format writes for each record of the set; the
// order comes from SequenceRecords, the same for every format.
class ObservationFormat {
 public:
  virtual ~ObservationFormat() = default;
  virtual void Epoch(const DataEpoch& epoch) = 0;
  virtual void Event(const DataEvent& event) = 0;
  // A new occupation starts with `first`; also before the first epoch
  // when that one was recorded moving.
  virtual void OccupationChange(const DataOccup* occupation, const DataEpoch& first) = 0;
  // After each epoch: how many have been handed over so far.
  virtual void Progress(std::size_t epochsDone) { (void)epochsDone; }
};

// Hands every epoch and event of the set to the format in time order. The
// events of an occupation go with it: each is written before the first
// epoch after it (on equal times XA, then XB, then the epoch), and those
// left when the occupation ends follow its last epoch. An event of no
// occupation that has epochs is never written.
void SequenceRecords(const ObservationSet& set, ObservationFormat& format);

}  // namespace qzr2rin
