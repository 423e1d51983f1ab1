// Naming, recording and cancelling occupations, and storing external
// events, driven by whole logs where the order of messages matters.

#include "decoders/occupations.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/converter_state.h"
#include "support/event_fixtures.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::Contains;
using qzrtest::ConverterBench;
using qzrtest::ConvertToEnd;
using qzrtest::SelectEvery;
using qzrtest::WithAuthenticationMark;
using qzrtest::WithWindow;

constexpr std::uint32_t kDay = qzrtest::kTrackingDay;
constexpr std::uint32_t kTen = qzrtest::kTrackingStartMs;
constexpr std::uint32_t kTenSeconds = kDay * 86400 + 36000;

using Log = qzrtest::TrackingLog;

std::vector<std::string> Names(const TQZRFile& f) {
  std::vector<std::string> names;
  for (const DataOccup& o : f.Collected().records.Occupations()) names.push_back(o.markerName);
  return names;
}

std::vector<std::int16_t> Numbers(const TQZRFile& f) {
  std::vector<std::int16_t> numbers;
  for (const DataOccup& o : f.Collected().records.Occupations()) numbers.push_back(o.number);
  return numbers;
}

// Seconds after 10:00:00 of each stored epoch, with its occupation's name.
std::vector<std::pair<std::uint32_t, std::string>> Epochs(const TQZRFile& f) {
  std::vector<std::pair<std::uint32_t, std::string>> epochs;
  for (const DataEpoch& e : f.Collected().records.Epochs()) {
    epochs.emplace_back(e.seconds - kTenSeconds, e.occupation ? e.occupation->markerName : "(none)");
  }
  return epochs;
}

std::vector<std::uint32_t> EventSeconds(const TQZRFile& f, std::uint8_t port) {
  std::vector<std::uint32_t> ms;
  for (const DataEvent& e : f.Collected().records.Events(port))
    ms.push_back((e.seconds - kTenSeconds) * 1000 + e.nanoseconds / 1000000);
  return ms;
}

TEST(Occupation, GeneratedNamesCountPerModeUntilASiteName) {
  using Event = qzrtest::EpochUserEvent;
  struct Case {
    const char* what;
    std::vector<Event> events;
    std::vector<std::string> names;
  };
  const Case kCases[] = {
      {"one counter per mode",
       {{2, "_DYM=DYNAMIC"}, {5, "_ANH=1.2"}, {8, "_DYM=STATIC"}},
       {"bench", "bench_K1", "bench_K2", "bench_S1"}},
      {"a site name restarts them",
       {{2, "_DYM=DYNAMIC"}, {5, "_SIT=P"}, {8, "_ANH=1.2"}},
       {"bench", "bench_K1", "P", "P_K1"}},
      {"saving a site", {{2, "_SIT=P"}, {5, "_SAV=P"}, {8, "_SAV=P"}}, {"bench", "P", "P_S1", "P_S2"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.EpochsWithEvents(12, c.events);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(Names(bench.file()), c.names);
    EXPECT_EQ(Numbers(bench.file()), (std::vector<std::int16_t>{1, 2, 3, 4}));
  }
}

TEST(Occupation, EpochsDroppedByTheIntervalUseUpNoName) {
  // Every third second is kept: 10:00:01 and :02 are named and dropped
  // before :03 is stored, and so are :04 and :05 after the site name.
  Log log;
  log.Epochs(1, 3).User("_SIT=PILLAR1").Epochs(4, 6);
  ConverterBench bench(log.builder());
  SelectEvery(bench.file(), 3000);
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  EXPECT_EQ(Names(bench.file()), (std::vector<std::string>{"bench", "PILLAR1"}));
  EXPECT_EQ(Numbers(bench.file()), (std::vector<std::int16_t>{1, 2}));
  using E = std::pair<std::uint32_t, std::string>;
  EXPECT_EQ(Epochs(bench.file()), (std::vector<E>{{3, "bench"}, {6, "PILLAR1"}, {9, "PILLAR1"}}));
}

TEST(Occupation, RecordCarriesTheAuthenticationMarkOnce) {
  Log log;
  log.Epochs(0, 2).User("_SIT=P").Epochs(2, 3);
  ConverterBench bench(log.builder());
  WithAuthenticationMark(bench.file(), true);
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  const auto& occupations = bench.file().Collected().records.Occupations();
  ASSERT_EQ(occupations.size(), 2u);
  EXPECT_EQ(occupations[0].occupationFlags, kOccupationAuthenticated);
  EXPECT_EQ(occupations[1].occupationFlags, 0);
  EXPECT_FALSE(bench.file().Occupation().authenticated);
}

TEST(Occupation, CancellingTheOnlyOccupationRestartsTheStatistics) {
  struct Case {
    const char* what;
    std::uint32_t epochsAfter;
  };
  const Case kCases[] = {{"nothing after", 0}, {"three epochs after", 3}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.User("_SIT=ONLY").Epochs(0, 1).Event("XA", 500).Epochs(1, 2).Event("XB", 2500).User("_CAN=ONLY");
    log.Event("XB", 2700).Epochs(3, c.epochsAfter);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    const TQZRFile& f = bench.file();
    EXPECT_TRUE(f.Collected().records.Events(kPortA).empty());
    EXPECT_EQ(EventSeconds(f, kPortB), std::vector<std::uint32_t>{2700});
    EXPECT_EQ(Contains(bench.DumpBody(),
                       "Delete  Occupation\n"
                       "Write epoch from [~~];Time (ms) = 10h0m2.0s\n"
                       " Delete epoch 04Y02M01D  10:0: 0.0000000\n"
                       " Delete epoch 04Y02M01D  10:0: 1.0000000\n"
                       " Delete epoch 04Y02M01D  10:0: 2.0000000\n"
                       " Delete Event XA  04Y02M01D  10:0: 0.5000000\n"
                       " Delete Event XB  04Y02M01D  10:0: 2.5000000\n"),
              true)
        << bench.DumpBody();
    if (c.epochsAfter == 0) {
      EXPECT_FALSE(f.Collected().records.HasOccupations());
      EXPECT_FALSE(f.Collected().records.HasEpochs());
      EXPECT_EQ(f.Statistics().inputEpochCount, 0u);
      EXPECT_EQ(f.Statistics().outputEpochCount, 0u);
      continue;
    }
    // The event after the cancel belongs to the next occupation.
    EXPECT_EQ(Names(f), std::vector<std::string>{"ONLY_S1"});
    EXPECT_EQ(f.Collected().records.Events(kPortB).front().occupation,
              &f.Collected().records.Occupations().front());
    EXPECT_EQ(f.Statistics().inputEpochCount, 3u);
    EXPECT_EQ(f.Statistics().outputEpochCount, 3u);
    EXPECT_EQ(f.Statistics().firstInputTime, TGPSTimeNS(kTenSeconds + 3, 0));
    EXPECT_EQ(f.Statistics().firstOutputTime, TGPSTimeNS(kTenSeconds + 3, 0));
    EXPECT_EQ(f.Statistics().lastOutputTime, TGPSTimeNS(kTenSeconds + 5, 0));
  }
}

TEST(Occupation, CancellingTheSecondOccupationKeepsTheFirst) {
  Log log;
  log.Epochs(0, 3).Event("XB", 1500).User("_SIT=SECOND").Epochs(3, 2).Event("XB", 4500).Event("XA", 4600);
  log.User("_CAN=SECOND");
  ConverterBench bench(log.builder());
  ASSERT_EQ(bench.Walk(), Status::Ok);
  const TQZRFile& f = bench.file();
  using E = std::pair<std::uint32_t, std::string>;
  EXPECT_EQ(Epochs(f), (std::vector<E>{{0, "bench"}, {1, "bench"}, {2, "bench"}}));
  EXPECT_EQ(Names(f), std::vector<std::string>{"bench"});
  EXPECT_EQ(f.Collected().records.CurrentOccupation(), &f.Collected().records.Occupations().front());
  EXPECT_TRUE(f.Collected().records.Events(kPortA).empty());
  EXPECT_EQ(EventSeconds(f, kPortB), std::vector<std::uint32_t>{1500});
  EXPECT_EQ(f.Statistics().inputEpochCount, 3u);
  EXPECT_EQ(f.Statistics().outputEpochCount, 3u);
  EXPECT_EQ(f.Statistics().firstOutputTime, TGPSTimeNS(kTenSeconds, 0));
  EXPECT_EQ(f.Statistics().lastOutputTime, TGPSTimeNS(kTenSeconds + 2, 0));
  EXPECT_EQ(f.Statistics().lastInputTime, TGPSTimeNS(kTenSeconds + 2, 0));
  ASSERT_TRUE(f.Collected().records.HasEpochs());
  EXPECT_EQ(f.Collected().records.Epochs().back().seconds, kTenSeconds + 2);
  EXPECT_TRUE(Contains(bench.DumpBody(),
                       " Delete epoch 04Y02M01D  10:0: 3.0000000\n"
                       " Delete epoch 04Y02M01D  10:0: 4.0000000\n"
                       " Delete Event XA  04Y02M01D  10:0: 4.6000000\n"
                       " Delete Event XB  04Y02M01D  10:0: 4.5000000\n"))
      << bench.DumpBody();
}

TEST(Occupation, EpochsAfterACancelStartTheNextOccupation) {
  Log log;
  log.Epochs(0, 3).User("_SIT=SECOND").Epochs(3, 2).User("_CAN=SECOND").Epochs(5, 3);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  const TQZRFile& f = bench.file();
  using E = std::pair<std::uint32_t, std::string>;
  EXPECT_EQ(
      Epochs(f),
      (std::vector<E>{
          {0, "bench"}, {1, "bench"}, {2, "bench"}, {5, "SECOND_S1"}, {6, "SECOND_S1"}, {7, "SECOND_S1"}}));
  EXPECT_EQ(f.Statistics().inputEpochCount, 6u);
  EXPECT_EQ(f.Statistics().outputEpochCount, 6u);
  EXPECT_EQ(f.Statistics().firstOutputTime, TGPSTimeNS(kTenSeconds, 0));
  EXPECT_EQ(f.Statistics().lastOutputTime, TGPSTimeNS(kTenSeconds + 7, 0));
}

TEST(Occupation, AfterCancellingEverythingTheNextEpochStartsAnOccupation) {
  struct Case {
    const char* what;
    std::vector<const char*> before;  // events before the first epoch
    std::uint32_t epochsBefore;
    std::vector<const char*> after;  // events after the cancel
  };
  const Case kCases[] = {
      // The cancel's own close records the occupation it then removes.
      {"cancelled during its first epoch", {"_SIT=ONLY"}, 1, {}},
      {"stopping after the cancel", {"_SIT=ONLY", "_DYM=DYNAMIC"}, 3, {"_DYM=STATIC"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    for (const char* e : c.before) log.User(e);
    log.Epochs(0, c.epochsBefore).User("_CAN=ONLY");
    for (const char* e : c.after) log.User(e);
    log.Epochs(c.epochsBefore, 3);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    using E = std::pair<std::uint32_t, std::string>;
    const std::uint32_t k = c.epochsBefore;
    EXPECT_EQ(Epochs(bench.file()), (std::vector<E>{{k, "ONLY_S1"}, {k + 1, "ONLY_S1"}, {k + 2, "ONLY_S1"}}));
  }
}

TEST(Occupation, EventsBeforeTheFirstRecordBelongToIt) {
  // The event comes while the first epoch is still in progress, before any
  // occupation exists.
  Log log;
  log.Epochs(0, 1).Event("XA", 300).Epochs(1, 2).Event("XA", 1300);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  const TQZRFile& f = bench.file();
  ASSERT_EQ(f.Collected().records.Events(kPortA).size(), 2u);
  for (const DataEvent& e : f.Collected().records.Events(kPortA))
    EXPECT_EQ(e.occupation, &f.Collected().records.Occupations().front());
}

TEST(Occupation, StoredEventsKeepToTheWindow) {
  const TGPSTimeNS start(kTenSeconds, 500'000'000);  // 10:00:00.5
  const TGPSTimeNS finish(kTenSeconds + 10, 0);      // 10:00:10
  struct Case {
    const char* what;
    bool window;
    std::uint32_t ms;  // after 10:00:00
    std::uint32_t ns;
    bool stored;
    std::uint32_t seconds;  // after 10:00:00
    std::uint32_t nanoseconds;
  };
  const Case kCases[] = {
      {"a nanosecond before the start", true, 499, 999'999, false, 0, 0},
      {"at the start", true, 500, 0, true, 0, 500'000'000},
      {"at the finish", true, 9999, 1'000'000, true, 10, 0},
      {"a nanosecond after the finish", true, 10000, 1, false, 0, 0},
      {"nanoseconds past a second carry", true, 999, 2'000'000'000, true, 2, 999'000'000},
      {"no window", false, 20000, 0, true, 20, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConverterBench bench(qzrtest::LogBuilder().Text(std::string(100, '\n')));
    TQZRFile& f = bench.file();
    AtDate(f, kDay);
    WithWindow(f, c.window, start, finish);
    ASSERT_EQ(
        StoreEvent(f.Collected().records, f.Clock(), f.Window(), kPortB, kTen + c.ms, c.ns, kTimeBaseGps),
        Status::Ok);
    ASSERT_EQ(f.Collected().records.Events(kPortB).size(), c.stored ? 1u : 0u);
    if (!c.stored) continue;
    const DataEvent& e = f.Collected().records.Events(kPortB).front();
    EXPECT_EQ(e.seconds, kTenSeconds + c.seconds);
    EXPECT_EQ(e.nanoseconds, c.nanoseconds);
    EXPECT_EQ(e.port, kPortB);
  }
}

}  // namespace
}  // namespace qzr2rin
