#include "output/sequencing.h"

#include <span>

namespace qzr2rin {
namespace {

// Walks one event list an occupation at a time: the events of one
// occupation lie together in their list.
class EventCursor {
 public:
  explicit EventCursor(std::span<const DataEvent> events) : events_(events), at_(events.size()) {}
  void First(const DataOccup* occupation) {
    at_ = 0;
    while (at_ < events_.size() && events_[at_].occupation != occupation) ++at_;
  }
  const DataEvent* Current(const DataOccup* occupation) const {
    return at_ < events_.size() && events_[at_].occupation == occupation ? &events_[at_] : nullptr;
  }
  void Next() {
    if (at_ < events_.size()) ++at_;
  }

 private:
  std::span<const DataEvent> events_;
  std::size_t at_;
};

TGPSTimeNS OutputTime(const DataEvent& event) { return {event.outSeconds, event.outNanoseconds}; }

// Of two events the one to write first: the earlier, on equal times `a`.
const DataEvent* Earliest(const DataEvent* a, const DataEvent* b) {
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  return OutputTime(*b) < OutputTime(*a) ? b : a;
}

void WriteRemainingEvents(const DataOccup* occupation, EventCursor& a, EventCursor& b,
                          ObservationFormat& format) {
  while (const DataEvent* event = Earliest(a.Current(occupation), b.Current(occupation))) {
    format.Event(*event);
    (event == a.Current(occupation) ? a : b).Next();
  }
}

}  // namespace

void SequenceRecords(const ObservationSet& set, ObservationFormat& format) {
  const std::span<const DataEpoch> epochs = set.Epochs();
  if (epochs.empty()) return;
  EventCursor a(set.Events(kPortA));
  EventCursor b(set.Events(kPortB));
  const DataOccup* occupation = epochs[0].occupation;
  if ((epochs[0].epochFlags & kEpochDynamic) != 0) format.OccupationChange(occupation, epochs[0]);
  a.First(occupation);
  b.First(occupation);
  for (std::size_t at = 0; at < epochs.size();) {
    const DataEpoch& epoch = epochs[at];
    const DataEvent* event = Earliest(a.Current(occupation), b.Current(occupation));
    if (event != nullptr && !(TGPSTimeNS(epoch.seconds, epoch.nanoseconds) < OutputTime(*event))) {
      format.Event(*event);
      (event == a.Current(occupation) ? a : b).Next();
      continue;
    }
    format.Epoch(epoch);
    format.Progress(++at);
    if (at < epochs.size() && epochs[at].occupation != occupation) {
      WriteRemainingEvents(occupation, a, b, format);
      occupation = epochs[at].occupation;
      b.First(occupation);
      a.First(occupation);
      format.OccupationChange(occupation, epochs[at]);
    }
  }
  WriteRemainingEvents(occupation, a, b, format);
}

}  // namespace qzr2rin
