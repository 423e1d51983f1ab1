// The one walk over a set that a header's counts come from.

#include "model/summary.h"

#include <gtest/gtest.h>

#include "support/observation_sets.h"

namespace qzr2rin {
namespace {

SignalSlot Slot(std::uint16_t flags, double range, double phase = 0, float doppler = 0,
                std::uint8_t cn0 = 0) {
  SignalSlot s;
  s.signalFlags = flags;
  s.pseudorange = range;
  s.carrierPhase = phase;
  s.doppler = doppler;
  s.status2 = cn0;
  return s;
}

// Satellite ids carry the system in their top bits.
constexpr std::uint8_t kGlonass = 0x80;
constexpr std::uint16_t kAll = kFlagPseudorange | kFlagCarrierPhase | kFlagDoppler | kFlagCn0InStatus2;

TEST(Summarize, CountsEachObservableOfEachSetWhereItHasAValue) {
  StoredRecords r;
  r.OccupationToWrite();
  for (int epoch = 0; epoch < 2; ++epoch) {
    r.AppendEpoch();
    EpochSatellite& gps = r.AddSatellite();
    gps.satelliteId = 5;
    gps.sets[0] = Slot(kAll | kFlagCaSet | kFlagAnotherSetFollows, 2e7, 1e8, 100.5f, 45);
    gps.sets[1] = Slot(kAll | kFlagAnotherSetFollows, 2e7, 0, 0, 0);  // L1 P: code only has a value
    gps.sets[2] = Slot(kAll | kFlagL2Set, 2e7, 7e7, -3.f, epoch == 0 ? 40 : 0);
  }
  EpochSatellite& glonass = r.AddSatellite();  // in the second epoch only
  glonass.satelliteId = kGlonass | 4;
  glonass.sets[0] = Slot(kFlagPseudorange | kFlagCaSet, 2.1e7);
  // A set after one that says none follows is not read.
  glonass.sets[1] = Slot(kAll | kFlagL2Set, 2e7, 1, 1, 1);

  const ObservationSet set = qzrtest::RecordsOnly(r);
  const ObservationSummary s = Summarize(set);
  EXPECT_EQ(s.epochs, 2);
  EXPECT_TRUE(s.seen[5]);
  EXPECT_TRUE(s.seen[kGlonass | 4]);
  EXPECT_FALSE(s.seen[6]);
  struct Case {
    std::uint8_t id;
    SignalSet set;
    Observable what;
    std::int32_t count;
  };
  const Case kCases[] = {
      {5, SignalSet::L1Ca, Observable::Code, 2},
      {5, SignalSet::L1Ca, Observable::Strength, 2},
      {5, SignalSet::L1P, Observable::Code, 2},
      {5, SignalSet::L1P, Observable::Phase, 0},
      {5, SignalSet::L2P, Observable::Phase, 2},
      {5, SignalSet::L2P, Observable::Strength, 1},
      {kGlonass | 4, SignalSet::L1Ca, Observable::Code, 1},
      {kGlonass | 4, SignalSet::L2P, Observable::Code, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.id) * 100 + static_cast<int>(c.set) * 10 + static_cast<int>(c.what));
    EXPECT_EQ(s.Count(c.id, c.set, c.what), c.count);
  }
  EXPECT_TRUE(s.Present(SignalSet::L2P, Observable::Doppler));
  EXPECT_FALSE(s.Present(SignalSet::L1P, Observable::Phase));
}

TEST(Summarize, ApproximatePositionIsTheMeanOfTheEpochsThatHaveOne) {
  StoredRecords r;
  r.OccupationToWrite();
  r.AppendEpoch().position = {4000000, 1000000, 4800000};
  r.AppendEpoch();  // no position
  r.AppendEpoch().position = {4000002, 1000004, 4800006};
  const ObservationSet set = qzrtest::RecordsOnly(r);
  const ObservationSummary s = Summarize(set);
  EXPECT_EQ(s.approxPosition, (std::array<double, 3>{4000001, 1000002, 4800003}));

  StoredRecords none;
  const ObservationSet empty = qzrtest::RecordsOnly(none);
  EXPECT_EQ(Summarize(empty).approxPosition, (std::array<double, 3>{}));
  EXPECT_EQ(Summarize(empty).epochs, 0);
}

}  // namespace
}  // namespace qzr2rin
