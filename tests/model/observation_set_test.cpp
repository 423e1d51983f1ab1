// Slices of a set: the records of a time range over the same stores.

#include "model/observation_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>

#include "support/observation_sets.h"

namespace qzr2rin {
namespace {

constexpr std::uint32_t kGpsPrn = 5;
constexpr std::uint16_t kCaRange = kFlagCaSet | kFlagPseudorange;

// Site 1 with epochs at 100, 101 and 102 s and an XA event at 101.5 s; then
// site 2 with an XB event at 103 s and epochs at 103 and 104 s; then site 3,
// the run's last, without epochs. Each epoch holds one satellite whose range
// tells the epoch.
class TwoSites {
 public:
  TwoSites() {
    Site(1, "ONE");
    for (const std::uint32_t t : {100u, 101u, 102u}) Epoch(t);
    Event(kPortA, 101, 500000000);
    Site(2, "TWO");
    Event(kPortB, 103, 0);
    for (const std::uint32_t t : {103u, 104u}) Epoch(t);
    Site(3, "THREE");
  }

  ObservationSet Whole() const {
    HeaderFacts h;
    h.intervalMs = 1000;
    h.firstTime = h.firstObservation = TGPSTimeNS(100, 0);
    h.lastTime = h.lastObservation = TGPSTimeNS(104, 0);
    return qzrtest::RecordsOnly(records_, h);
  }
  const DataOccup* SiteNumber(std::size_t n) const { return &records_.Occupations()[n - 1]; }
  const DataOccup* EndSite() const { return records_.CurrentOccupation(); }

 private:
  void Site(std::int16_t number, const char* name) {
    DataOccup& o = records_.OccupationToWrite();
    o.number = number;
    o.markerName = name;
  }
  void Epoch(std::uint32_t seconds) {
    records_.AppendEpoch().seconds = seconds;
    EpochSatellite& s = records_.AddSatellite();
    s.satelliteId = kGpsPrn;
    s.sets[0].signalFlags = kCaRange;
    s.sets[0].pseudorange = 2e7 + seconds;
  }
  void Event(std::uint8_t port, std::uint32_t seconds, std::uint32_t nanoseconds) {
    DataEvent e;
    e.port = port;
    e.seconds = e.outSeconds = seconds;
    e.nanoseconds = e.outNanoseconds = nanoseconds;
    e.converted = true;
    e.occupation = records_.CurrentOccupation();
    records_.AppendEvent(e);
  }

  StoredRecords records_;
};

TEST(ObservationSetSlice, HoldsTheRecordsOfItsTimeRange) {
  const TwoSites sites;
  const ObservationSet whole = sites.Whole();
  struct Case {
    const char* what;
    TGPSTimeNS from;
    TGPSTimeNS to;
    const char* sequence;
    std::uint32_t first;  // header times in seconds; 0 for none
    std::uint32_t last;
    std::size_t endSite;  // 0: the run's end occupation
  };
  const Case kCases[] = {
      {"bounds on epochs: from kept, to left out", {101, 0}, {103, 0}, "E101 A101 E102", 101, 102, 1},
      {"an event and a site change", {101, 600000000}, {104, 0}, "E102 O2@103 B103 E103", 102, 103, 2},
      {"empty between epochs", {102, 1}, {102, 999999999}, "", 0, 0, 1},
      {"empty before the first epoch", {0, 0}, {100, 0}, "", 0, 0, 1},
      {"to past the last epoch", {104, 0}, {200, 0}, "E104", 104, 104, 0},
      {"from after to", {104, 0}, {101, 0}, "", 0, 0, 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const ObservationSet slice = whole.Slice(c.from, c.to);
    EXPECT_EQ(qzrtest::SequenceOf(slice), c.sequence);
    EXPECT_EQ(slice.Header().firstTime, TGPSTimeNS(c.first, 0));
    EXPECT_EQ(slice.Header().firstObservation, TGPSTimeNS(c.first, 0));
    EXPECT_EQ(slice.Header().lastTime, TGPSTimeNS(c.last, 0));
    EXPECT_EQ(slice.Header().lastObservation, TGPSTimeNS(c.last, 0));
    EXPECT_EQ(slice.Header().intervalMs, 1000);
    EXPECT_EQ(slice.EndOccupation(), c.endSite == 0 ? sites.EndSite() : sites.SiteNumber(c.endSite));
    // The satellites are those of the slice's epochs, in the same store.
    ASSERT_EQ(slice.Satellites().size(), slice.Epochs().size());
    for (std::size_t i = 0; i < slice.Epochs().size(); ++i) {
      const DataEpoch& epoch = slice.Epochs()[i];
      EXPECT_EQ(&slice.Satellites()[i], &whole.SatelliteOf(epoch, 0));
      EXPECT_EQ(slice.SatelliteOf(epoch, 0).sets[0].pseudorange, 2e7 + epoch.seconds);
    }
  }
}

TEST(ObservationSetSlice, SharesTheStoresAndSlicesAgain) {
  const TwoSites sites;
  const ObservationSet whole = sites.Whole();
  const ObservationSet slice = whole.Slice({101, 0}, {104, 0});
  ASSERT_EQ(slice.Epochs().size(), 3u);
  EXPECT_EQ(slice.Epochs().data(), whole.Epochs().data() + 1);
  const ObservationSet inner = slice.Slice({102, 0}, {200, 0});
  EXPECT_EQ(qzrtest::SequenceOf(inner), "E102 O2@103 B103 E103");
  // A copy keeps its events although the original goes.
  const ObservationSet copy = [&] { return ObservationSet(whole.Slice({101, 0}, {102, 0})); }();
  EXPECT_EQ(qzrtest::SequenceOf(copy), "E101 A101");
}

TEST(ObservationSetSlice, TheFullRangeWritesWhatTheWholeSetWrites) {
  ::setenv("SOURCE_DATE_EPOCH", "1078574400", 1);
  const TwoSites sites;
  const ObservationSet whole = sites.Whole();
  const ObservationSet all =
      whole.Slice(TGPSTimeNS(), TGPSTimeNS(std::numeric_limits<std::uint32_t>::max(), 0));
  const std::string text = qzrtest::ObservationText(whole);
  EXPECT_EQ(qzrtest::ObservationText(all), text);
  EXPECT_NE(text.find("ONE"), std::string::npos);
  EXPECT_NE(text.find("TWO"), std::string::npos);
  // A part differs: its header tells its own span.
  EXPECT_NE(qzrtest::ObservationText(whole.Slice({101, 0}, {103, 0})), text);
}

TEST(ObservationSetGlonassChannels, EachSlotHasTheChannelItWasLastStoredWith) {
  constexpr std::uint8_t kGlonass = 0x80;
  struct Stored {
    std::uint32_t seconds;
    std::uint8_t id;
    std::int8_t channel;
  };
  // Slot 3 moves from channel -5 to -4 (a replacement satellite); slot 24
  // stays on 13; slot 33, the last, is on -7; a GPS satellite has none.
  const Stored kStored[] = {{100, kGlonass | 3, -5},
                            {100, kGlonass | 24, 13},
                            {100, kGpsPrn, kNoChannel},
                            {101, kGlonass | 33, -7},
                            {102, kGlonass | 3, -4}};
  StoredRecords r;
  r.OccupationToWrite();
  for (const Stored& s : kStored) {
    if (!r.HasEpochs() || r.Epochs().back().seconds != s.seconds) r.AppendEpoch().seconds = s.seconds;
    EpochSatellite& satellite = r.AddSatellite();
    satellite.satelliteId = s.id;
    satellite.frequencyChannel = s.channel;
  }
  const ObservationSet set = qzrtest::RecordsOnly(r);
  struct Case {
    int slot;
    std::int8_t whole;   // in the whole set
    std::int8_t before;  // in the slice of the first two epochs
  };
  const Case kCases[] = {{3, -4, -5},
                         {24, 13, 13},
                         {33, -7, -7},
                         {1, kNoChannel, kNoChannel},
                         {0, kNoChannel, kNoChannel},
                         {34, kNoChannel, kNoChannel},
                         {-1, kNoChannel, kNoChannel}};
  const ObservationSet before = set.Slice({100, 0}, {102, 0});
  const GlonassChannelTable table = set.GlonassChannels();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(set.GlonassChannelOf(c.slot), c.whole);
    EXPECT_EQ(before.GlonassChannelOf(c.slot), c.before);
    if (c.slot >= 0 && static_cast<std::size_t>(c.slot) < table.size()) {
      EXPECT_EQ(table[static_cast<std::size_t>(c.slot)], c.whole);
    }
  }
  EXPECT_EQ(set.SatelliteOf(set.Epochs()[0], 0).frequencyChannel, -5);
}

}  // namespace
}  // namespace qzr2rin
