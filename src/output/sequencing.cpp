#include "output/sequencing.h"

#include <span>

#include "output/calendar_parts.h"

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

void ProgressMarks::Start(std::ostream* console, std::int32_t epochs) {
  console_ = console;
  epochs_ = epochs;
  shown_ = 0;
}

void ProgressMarks::Show(std::size_t epochsDone) {
  constexpr std::uint64_t kPercentPerMark = 5;
  constexpr std::uint64_t kPercent = 100;
  if (console_ == nullptr || epochs_ <= 0) return;
  const int due = static_cast<int>(std::uint64_t{epochsDone} * kPercent /
                                   static_cast<std::uint64_t>(epochs_) / kPercentPerMark);
  for (; shown_ < due; ++shown_) {
    console_->put(':');
    console_->flush();
  }
}

void ProgressMarks::Finish() {
  if (console_ == nullptr) return;
  *console_ << '\n';
  console_->flush();
}

void EpochGaps::Start(std::int32_t intervalMs) {
  intervalMs_ = intervalMs;
  started_ = false;
}

std::uint64_t EpochGaps::MissingBefore(const DataEpoch& epoch) {
  const TGPSTimeNS time(epoch.seconds, epoch.nanoseconds);
  if (!started_) {
    previous_ = time;
    started_ = true;
  }
  const std::int64_t gapMs = WholeMsBetween(previous_, time);
  previous_ = time;
  if (intervalMs_ <= 0 || gapMs <= 0) return 0;
  const std::uint64_t intervals = static_cast<std::uint64_t>(gapMs) / static_cast<std::uint32_t>(intervalMs_);
  return intervals > 1 ? intervals - 1 : 0;
}

}  // namespace qzr2rin
