#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include "model/observation_set.h"
#include "qzr2rin/gps_time.h"

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

// The ':' marks an observation writer shows on the console while it writes,
// one for every 5 % of the epochs, and the line end after them.
class ProgressMarks {
 public:
  // No marks when `console` is null.
  void Start(std::ostream* console, std::int32_t epochs);
  void Show(std::size_t epochsDone);
  void Finish();

 private:
  std::ostream* console_ = nullptr;
  std::int32_t epochs_ = 0;
  int shown_ = 0;
};

// The epochs of the file's interval missing between the epochs written, for
// the comments of -e.
class EpochGaps {
 public:
  void Start(std::int32_t intervalMs);
  // How many epochs are missing before `epoch`, the next one written: 0 for
  // the first one, and when the interval is not known.
  std::uint64_t MissingBefore(const DataEpoch& epoch);

 private:
  std::int32_t intervalMs_ = 0;
  TGPSTimeNS previous_;
  bool started_ = false;
};

}  // namespace qzr2rin
