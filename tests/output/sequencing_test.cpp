// The order in which every format receives the records of a set.

#include "output/sequencing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/observation_sets.h"

namespace qzr2rin {
namespace {

// A store of occupations, each with epochs and events, built in recording
// order.
class Records {
 public:
  Records& Occupation(std::int16_t number) {
    DataOccup& o = store_.OccupationToWrite();
    o.number = number;
    return *this;
  }
  Records& Epoch(std::uint32_t seconds, std::int32_t flags = 0) {
    DataEpoch& e = store_.AppendEpoch();
    e.seconds = seconds;
    e.epochFlags = flags;
    return *this;
  }
  Records& Event(std::uint8_t port, std::uint32_t seconds) {
    DataEvent e;
    e.port = port;
    e.seconds = e.outSeconds = seconds;
    e.occupation = store_.CurrentOccupation();
    store_.AppendEvent(e);
    return *this;
  }
  std::string Sequence() {
    const ObservationSet set = qzrtest::RecordsOnly(store_);
    SequenceRecords(set, recorder_);
    return recorder_.calls;
  }
  const qzrtest::SequenceRecorder& recorder() const { return recorder_; }

 private:
  StoredRecords store_;
  qzrtest::SequenceRecorder recorder_;
};

TEST(SequenceRecords, EventsGoBetweenEpochsInTimeOrder) {
  struct Case {
    const char* what;
    std::function<void(Records&)> record;
    const char* sequence;
  };
  const Case kCases[] = {
      {"between epochs", [](Records& r) { r.Occupation(1).Epoch(100).Event(kPortA, 105).Epoch(110); },
       "E100 A105 E110"},
      {"recorded late, written in time",
       [](Records& r) { r.Occupation(1).Epoch(100).Epoch(110).Event(kPortB, 105); }, "E100 B105 E110"},
      {"equal times: XA, XB, then the epoch",
       [](Records& r) { r.Occupation(1).Event(kPortB, 100).Event(kPortA, 100).Epoch(100); },
       "A100 B100 E100"},
      {"after the last epoch",
       [](Records& r) { r.Occupation(1).Epoch(100).Event(kPortA, 120).Event(kPortB, 115); },
       "E100 B115 A120"},
      {"no epoch: nothing", [](Records& r) { r.Occupation(1).Event(kPortA, 100); }, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Records r;
    c.record(r);
    EXPECT_EQ(r.Sequence(), c.sequence);
  }
}

TEST(SequenceRecords, AnOccupationKeepsItsEvents) {
  Records r;
  r.Occupation(1).Epoch(100).Event(kPortA, 150).Epoch(110);
  r.Occupation(2).Event(kPortB, 105).Epoch(200).Event(kPortA, 205).Epoch(210);
  // The first site's late event closes it; the second's early one opens it.
  EXPECT_EQ(r.Sequence(), "E100 E110 A150 O2@200 B105 E200 A205 E210");
  EXPECT_EQ(r.recorder().progress, (std::vector<std::size_t>{1, 2, 3, 4}));
}

TEST(SequenceRecords, AMovingFirstEpochOpensWithItsOccupation) {
  Records moving;
  EXPECT_EQ(moving.Occupation(7).Epoch(100, kEpochDynamic).Epoch(110).Sequence(), "O7@100 E100 E110");
  Records later;
  EXPECT_EQ(later.Occupation(7).Epoch(100).Epoch(110, kEpochDynamic).Sequence(), "E100 E110");
}

}  // namespace
}  // namespace qzr2rin
