#include "decoders/epoch_completion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/process_flags.h"
#include "decoders/receiver_time.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::AtTimeOfDay;
using qzrtest::InFirstRun;
using qzrtest::InProgress;
using qzrtest::SelectEvery;
using qzrtest::WithEpochExtras;
using qzrtest::WithTagCorrection;

constexpr double kC = 299792458.0;
constexpr std::uint32_t kDay = 8792;  // 2004-02-01

struct Sat {
  std::uint8_t id;
  std::uint16_t flags[3];  // per signal; 0 = no data
  std::int8_t channel = kNoChannel;
};

// A converter whose in-progress epoch is filled directly, as the decoders
// would leave it.
class Epochs {
 public:
  explicit Epochs(ConversionOptions options = {})
      : bench_(qzrtest::LogBuilder().Text(std::string(100, '\n')), options) {
    InFirstRun(f(), false);
    AtDate(f(), kDay);
  }
  TQZRFile& f() { return bench_.file(); }
  std::string Dump() { return bench_.DumpBody(); }

  Status Close(std::uint32_t ms, const std::vector<Sat>& sats,
               EpochSource source = EpochSource::Observables) {
    EpochInProgress& e = InProgress(f(), source);
    e.count = static_cast<int>(sats.size());
    for (std::size_t j = 0; j < sats.size(); ++j) {
      e.satellites[j] = {sats[j].id, 0, 0, sats[j].channel};
      for (int k = 0; k < 3; ++k) {
        SignalSlot& s = e.slots[j].signals[k];
        s.signalFlags = sats[j].flags[k];
        s.pseudorange = 0.07 + 0.001 * k;
        s.carrierPhase = 1e7 + k;
        s.doppler = 1000.0f + static_cast<float>(k);
      }
    }
    e.Touch(sats.size());
    AtTimeOfDay(f(), ms);
    return CloseEpoch(f(), source);
  }

  const DataEpoch& Last() { return f().Collected().records.Epochs().back(); }
  const EpochSatellite& Satellite(const DataEpoch& e, std::size_t i) {
    return f().Collected().records.Satellites()[e.firstSatellite + i];
  }

 private:
  qzrtest::ConverterBench bench_;
};

constexpr std::uint16_t kCa = kFlagPseudorange | kFlagCaSet;
constexpr std::uint16_t kP1 = kFlagPseudorange;
constexpr std::uint16_t kP2 = kFlagPseudorange | kFlagL2Set;

TEST(EpochCompletion, SignalSelectionAndChainBits) {
  struct Case {
    const char* what;
    bool useL1;
    bool useL2;
    std::uint16_t flags[3];
    std::size_t sets;
    std::uint16_t firstFlags;
  };
  const Case kCases[] = {
      {"all three", true, true, {kCa, kP1, kP2}, 3, kCa | kFlagAnotherSetFollows},
      {"C/A alone", true, true, {kCa, 0, 0}, 1, kCa},
      {"-1 drops L1-only", false, true, {kCa, kP1, 0}, 0, 0},
      {"-2 keeps L1", true, false, {kCa, kP1, kP2}, 2, kCa | kFlagAnotherSetFollows},
      {"-1 keeps L2", false, true, {kCa, 0, kP2}, 1, kP2 | kFlagAntiSpoofing},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConversionOptions options;
    options.useL1 = c.useL1;
    options.useL2 = c.useL2;
    Epochs e(options);
    ASSERT_EQ(e.Close(1000, {{5, {c.flags[0], c.flags[1], c.flags[2]}}}), Status::Ok);
    if (c.sets == 0) {
      EXPECT_FALSE(e.f().Collected().records.HasEpochs());
      EXPECT_EQ(e.f().Statistics().inputEpochCount, 0u);
      continue;
    }
    const DataEpoch& epoch = e.Last();
    ASSERT_EQ(epoch.satelliteCount, 1u);
    const EpochSatellite& s = e.Satellite(epoch, 0);
    EXPECT_EQ(s.sets[0].signalFlags, c.firstFlags);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(s.sets[k].signalFlags != 0, k < c.sets) << k;
  }
}

TEST(EpochCompletion, ExclusionsBySystemAndNumber) {
  struct Case {
    const char* what;
    ConversionOptions options;
    std::vector<std::uint8_t> stored;
  };
  ConversionOptions noGps;
  noGps.useGps = false;
  ConversionOptions gps5;
  gps5.gpsExcluded.Append(5);
  ConversionOptions glonass3;
  glonass3.glonassExcluded.Append(3);
  ConversionOptions waas20;
  waas20.waasExcluded.Append(20);
  const Case kCases[] = {
      {"none", {}, {5, 0x83, 0x54}}, {"-G", noGps, {0x83, 0x54}},  {"-g 5", gps5, {0x83, 0x54}},
      {"-r 3", glonass3, {5, 0x54}}, {"-w 20", waas20, {5, 0x83}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Epochs e(c.options);
    e.Close(1000, {{5, {kCa, 0, 0}}, {0x83, {kCa, 0, 0}, -7}, {0x54, {kCa, 0, 0}}, {0x80, {kCa, 0, 0}}});
    const DataEpoch& epoch = e.Last();
    ASSERT_EQ(epoch.satelliteCount, c.stored.size());
    for (std::size_t i = 0; i < c.stored.size(); ++i)
      EXPECT_EQ(e.Satellite(epoch, i).satelliteId, c.stored[i]);
  }
  // An epoch whose only satellite is excluded is not even counted.
  Epochs e(gps5);
  e.Close(1000, {{5, {kCa, 0, 0}}});
  EXPECT_EQ(e.f().Statistics().inputEpochCount, 0u);
  EXPECT_FALSE(e.f().Collected().records.HasEpochs());
}

TEST(EpochCompletion, NoDateOrNoSatellitesStoresNothing) {
  Epochs e;
  AtDate(e.f(), 0);
  e.Close(1000, {{5, {kCa, 0, 0}}});
  EXPECT_FALSE(e.f().Collected().records.HasEpochs());
  EXPECT_EQ(e.f().Assembly().epoch.dirtySlots, 0u);
  AtDate(e.f(), kDay);
  e.Close(2000, {});
  EXPECT_FALSE(e.f().Collected().records.HasEpochs());
}

TEST(EpochCompletion, EveryWayOutClearsTheEpochInProgress) {
  struct Case {
    const char* what;
    std::uint32_t day;
    std::uint32_t ms;
    std::uint8_t id;
    EpochSource source;
    bool stored;
  };
  // Every 30 s up to 100 s into the day; an epoch at 60 s is stored already.
  const Case kCases[] = {
      {"stored", kDay, 90000, 5, EpochSource::Observables, true},
      // [rM] fills its own epoch; the per-signal one goes all the same.
      {"stored from raw measurements", kDay, 90000, 5, EpochSource::Raw, true},
      {"no date yet", 0, 90000, 5, EpochSource::Observables, false},
      {"no satellite left", kDay, 90000, 0, EpochSource::Raw, false},
      {"outside the window", kDay, 120000, 5, EpochSource::Observables, false},
      {"off the interval", kDay, 91000, 5, EpochSource::Raw, false},
      {"not after the last stored", kDay, 60000, 5, EpochSource::Observables, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Epochs e;
    SelectEvery(e.f(), 30000);
    qzrtest::WithWindow(e.f(), true, {}, TGPSTimeNS(kDay * 86400 + 100, 0));
    ASSERT_EQ(e.Close(60000, {{5, {kCa, 0, 0}}}), Status::Ok);
    ASSERT_EQ(e.f().Collected().records.EpochCount(), 1u);

    AtDate(e.f(), c.day);
    // Left over in the per-signal epoch, whichever source closes.
    WithEpochExtras(e.f(), {.position = {1, 2, 3}, .clockOffset = 1.25e-4});
    e.f().Assembly().epoch.slots[0].signals[kSignalPL2].signalFlags = kP2;
    e.f().Assembly().epoch.Touch(1);
    EXPECT_EQ(e.Close(c.ms, {{c.id, {kCa, kP1, 0}}}, c.source), Status::Ok);

    EXPECT_EQ(e.f().Collected().records.EpochCount(), c.stored ? 2u : 1u);
    EXPECT_EQ(e.f().Assembly().epoch.dirtySlots, 0u);
    for (const SignalSlot& s : e.f().Assembly().epoch.slots[0].signals) EXPECT_EQ(s.signalFlags, 0);
    EXPECT_EQ(e.f().Assembly().epochExtras.position[0], 0.0);
    EXPECT_EQ(e.f().Assembly().epochExtras.clockOffset, 0.0);
  }
}

TEST(EpochCompletion, IntervalSelectionTakesExactMultiplesOnly) {
  ConversionOptions options;
  Epochs e(options);
  SelectEvery(e.f(), 30000);
  for (const std::uint32_t ms : {29000u, 30000u, 30001u, 31000u, 60000u}) e.Close(ms, {{5, {kCa, 0, 0}}});
  ASSERT_EQ(e.f().Collected().records.EpochCount(), 2u);
  EXPECT_EQ(e.f().Collected().records.Epochs()[0].seconds, kDay * 86400 + 30);
  EXPECT_EQ(e.f().Collected().records.Epochs()[1].seconds, kDay * 86400 + 60);
  EXPECT_EQ(e.f().Statistics().inputEpochCount, 5u);
  EXPECT_EQ(e.f().Statistics().outputEpochCount, 2u);
}

TEST(EpochCompletion, SameTimeClosedTwiceIsStoredOnceAndIntervalsSkipTheFirst) {
  Epochs e;
  e.Close(36000000, {{5, {kCa, 0, 0}}});
  e.Close(36000000, {{7, {kCa, 0, 0}}}, EpochSource::Raw);
  e.Close(36001000, {{5, {kCa, 0, 0}}});
  e.Close(36002000, {{5, {kCa, 0, 0}}});
  ASSERT_EQ(e.f().Collected().records.EpochCount(), 3u);
  EXPECT_EQ(e.Satellite(e.f().Collected().records.Epochs()[0], 0).satelliteId, 5);
  // Two intervals of one second; the time of day of the first epoch is none.
  EXPECT_EQ(e.f().Selection().intervalHypothesis.Mode(), 1000);
  EXPECT_EQ(e.f().Selection().intervalHypothesis.Additions(), 2);
  EXPECT_EQ(e.f().Statistics().firstOutputTime.seconds, kDay * 86400 + 36000);
  EXPECT_EQ(e.f().Statistics().lastOutputTime.seconds, kDay * 86400 + 36002);
  EXPECT_NE(e.Dump().find("Write epoch from [~~];Time (ms) = 10h0m0.0s\n"), std::string::npos);
}

TEST(EpochCompletion, StoredValuesAndTimeTagCorrection) {
  struct Case {
    const char* what;
    std::uint8_t id;
    std::int8_t channel;
    bool correction;
    double l1;
    double l2;
  };
  const Case kCases[] = {
      {"GPS", 5, kNoChannel, true, 1575420000.0, 1227600000.0},
      {"GLONASS channel -7", 0x83, -7, true, 1598062500.0, 1242937500.0},
      {"no correction", 0x83, -7, false, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Epochs e;
    WithTagCorrection(e.f(), c.correction);
    e.Close(1500, {{c.id, {kCa | kFlagDoppler, kP1 | kFlagDoppler, kP2 | kFlagDoppler}, c.channel}});
    const DataEpoch& epoch = e.Last();
    EXPECT_EQ(epoch.nanoseconds, 500000000u);
    const EpochSatellite& s = e.Satellite(epoch, 0);
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(k);
      const double doppler = 1000.0 + k;
      double range = (0.07 + 0.001 * k) * kC;
      double phase = 1e7 + k;
      if (c.correction) {
        phase -= doppler * 0.0008192;
        range -= doppler * 0.0008192 * kC / (k == 2 ? c.l2 : c.l1);
      }
      EXPECT_DOUBLE_EQ(s.sets[k].pseudorange, range);
      EXPECT_DOUBLE_EQ(s.sets[k].carrierPhase, phase);
    }
  }
}

TEST(EpochCompletion, AntiSpoofingBitOnGpsPCodeSetsOnly) {
  Epochs e;
  e.Close(1000, {{5, {kCa, kP1, kP2}}, {0x83, {kCa, kP1, kP2}, 1}});
  const DataEpoch& epoch = e.Last();
  const EpochSatellite& gps = e.Satellite(epoch, 0);
  EXPECT_EQ(gps.sets[0].signalFlags & kFlagAntiSpoofing, 0);
  EXPECT_NE(gps.sets[1].signalFlags & kFlagAntiSpoofing, 0);
  EXPECT_NE(gps.sets[2].signalFlags & kFlagAntiSpoofing, 0);
  const EpochSatellite& glonass = e.Satellite(epoch, 1);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(glonass.sets[k].signalFlags & kFlagAntiSpoofing, 0);
  EXPECT_TRUE(e.f().Statistics().seenGps);
  EXPECT_TRUE(e.f().Statistics().seenGlonass);
  EXPECT_FALSE(e.f().Statistics().seenWaas);
}

TEST(EpochCompletion, AStoredSatelliteKeepsItsFrequencyChannel) {
  for (const EpochSource source : {EpochSource::Observables, EpochSource::Raw}) {
    SCOPED_TRACE(source == EpochSource::Raw ? "raw" : "observables");
    Epochs e;
    ASSERT_EQ(e.Close(1000, {{5, {kCa, 0, 0}}, {0x83, {kCa, 0, 0}, -7}, {0x98, {kCa, 0, 0}, 13}}, source),
              Status::Ok);
    const DataEpoch& epoch = e.Last();
    ASSERT_EQ(epoch.satelliteCount, 3u);
    EXPECT_EQ(e.Satellite(epoch, 0).frequencyChannel, kNoChannel);
    EXPECT_EQ(e.Satellite(epoch, 1).frequencyChannel, -7);
    EXPECT_EQ(e.Satellite(epoch, 2).frequencyChannel, 13);
  }
}

TEST(EpochCompletion, RawPseudorangesAreMetresAndDopplerCanBeLeftOut) {
  ConversionOptions options;
  options.useDoppler = false;
  Epochs e(options);
  e.Close(1000, {{5, {kCa | kFlagDoppler, kFlagDoppler, 0}}}, EpochSource::Raw);
  const EpochSatellite& s = e.Satellite(e.Last(), 0);
  EXPECT_DOUBLE_EQ(s.sets[0].pseudorange, 0.07);
  EXPECT_EQ(s.sets[0].signalFlags & kFlagDoppler, 0);
  // A set that held only a Doppler is empty without it.
  EXPECT_EQ(s.sets[1].signalFlags, 0);
}

TEST(EpochCompletion, ClockOffsetOnlyWithTheSwitch) {
  for (const bool withSwitch : {false, true}) {
    SCOPED_TRACE(withSwitch);
    ProcessFlags flags;
    flags.clockOffset = withSwitch;
    SetFlags(flags);
    Epochs e;
    WithEpochExtras(e.f(), {.position = {1, 2, 3}, .clockOffset = 1.25e-4});
    e.Close(1000, {{5, {kCa, 0, 0}}});
    EXPECT_EQ((e.Last().epochFlags & kEpochClockOffset) != 0, withSwitch);
    EXPECT_EQ(e.Last().clockOffset, withSwitch ? 1.25e-4 : 0.0);
    EXPECT_EQ(e.Last().position[2], 3.0);
    EXPECT_EQ(e.f().Assembly().epochExtras.clockOffset, 0.0);
  }
  SetFlags({});
}

TEST(EpochCompletion, WindowFromTheFirstDateIsInclusive) {
  ConversionOptions options;
  options.startGiven = true;
  options.startText = "05";
  Epochs e(options);
  // The log starts on 4 February 2004.
  ASSERT_EQ(ApplyFirstDate(e.f().Clock(), e.f().Window(), e.f().ErrorDetail(), kDay + 3), Status::Ok);
  e.Close(86399000, {{5, {kCa, 0, 0}}});
  AtDate(e.f(), kDay + 4);
  e.Close(0, {{5, {kCa, 0, 0}}});
  e.Close(86399999, {{5, {kCa, 0, 0}}});
  AtDate(e.f(), kDay + 5);
  e.Close(0, {{5, {kCa, 0, 0}}});
  ASSERT_EQ(e.f().Collected().records.EpochCount(), 2u);
  EXPECT_EQ(e.f().Collected().records.Epochs()[0].seconds, (kDay + 4) * 86400);
  EXPECT_EQ(e.f().Collected().records.Epochs()[1].seconds, (kDay + 4) * 86400 + 86399);
  EXPECT_EQ(e.f().Statistics().inputEpochCount, 4u);
}

}  // namespace
}  // namespace qzr2rin
