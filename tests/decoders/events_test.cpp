// User events and external events, driven through the real scanner and
// dispatch table, and the event-time conversion the writer relies on.

#include "decoders/events.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoders/occupations.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"
#include "support/event_fixtures.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::Contains;
using qzrtest::ConverterBench;
using qzrtest::ConvertToEnd;
using qzrtest::WithAntenna;
using qzrtest::WithAntennaNumber;
using qzrtest::WithGpsUtc;

constexpr std::uint32_t kDay = qzrtest::kTrackingDay;
constexpr std::uint32_t kTen = qzrtest::kTrackingStartMs;
constexpr std::uint32_t kWeekStart = kDay * 86400;

using Log = qzrtest::TrackingLog;

// The marker name of each stored epoch's occupation, in epoch order.
std::vector<std::string> EpochSites(const TQZRFile& f) {
  std::vector<std::string> sites;
  for (const DataEpoch& e : f.Collected().records.Epochs())
    sites.push_back(e.occupation ? e.occupation->markerName : "(none)");
  return sites;
}

std::vector<std::string> Repeat(const std::string& name, std::size_t n) {
  return std::vector<std::string>(n, name);
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(UserEvent, WithoutEventsOneOccupationCarriesTheMarkerName) {
  Log log;
  log.Epochs(0, 3);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  const TQZRFile& f = bench.file();
  ASSERT_EQ(f.Collected().records.Occupations().size(), 1u);
  EXPECT_EQ(f.Collected().records.Occupations().front().number, 1);
  EXPECT_EQ(EpochSites(f), Repeat("bench", 3));
  EXPECT_TRUE(Contains(bench.DumpBody(), " Write Occupation:bench - STATIIC\nWrite epoch from [~~];"));
}

TEST(UserEvent, SiteNameStartsAnOccupationWithTheNextStoredEpoch) {
  struct Case {
    const char* what;
    bool fixedMarker;
    std::vector<std::string> sites;
  };
  const Case kCases[] = {
      // The epoch in progress at the event still belongs to the old site.
      {"renamed", false, Join({Repeat("bench", 3), Repeat("PILLAR1", 2)})},
      {"-M keeps the marker name", true, Join({Repeat("FIXED", 3), Repeat("FIXED_S1", 2)})},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.Epochs(0, 3).User("_SIT=PILLAR1").Epochs(3, 2);
    ConversionOptions options;
    if (c.fixedMarker) {
      options.markerOverridden = true;
      options.markerName = "FIXED";
    }
    ConverterBench bench(log.builder(), options);
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(EpochSites(bench.file()), c.sites);
    EXPECT_EQ(bench.file().Occupation().lastSiteName, "PILLAR1");
    EXPECT_TRUE(
        Contains(bench.DumpBody(), "Time (ms) = 36000000 = 10h0m0.0s\nUser event = \"_SIT=PILLAR1\"\n"))
        << bench.DumpBody();
  }
}

TEST(UserEvent, SiteNameDuringTheFirstEpochStartsWithTheNextStoredEpoch) {
  // Closing the first epoch records the initial occupation; the site's
  // occupation still starts right after it.
  Log log;
  log.Epochs(0, 1).User("_SIT=PILLAR1").Epochs(1, 3);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  EXPECT_EQ(EpochSites(bench.file()), Join({Repeat("bench", 1), Repeat("PILLAR1", 3)}));
}

TEST(UserEvent, SiteNameIsCutAtSixtyCharactersAndAtAZeroByte) {
  const std::string longName(70, 'N');
  Log log;
  log.Epochs(0, 1).User("_SIT=" + longName).Epochs(1, 2);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  EXPECT_EQ(bench.file().Collected().records.Occupations().back().markerName, std::string(60, 'N'));

  Log zero;
  zero.Epochs(0, 1).User(std::string("_SIT=AB\0CD", 10)).Epochs(1, 2);
  ConverterBench other(zero.builder());
  ASSERT_EQ(ConvertToEnd(other), Status::Ok);
  EXPECT_EQ(other.file().Collected().records.Occupations().back().markerName, "AB");
}

TEST(UserEvent, AntennaHeightChangesOnlyBeyondAMicrometreOrWithAnotherFlag) {
  struct Case {
    const char* second;
    std::size_t occupations;  // bench, the first height's, and the second's if it changed
  };
  const Case kCases[] = {
      {"_ANH=1.5000005", 2}, {"_ANH=1.5", 2},    {"_ANH=1.502", 3},
      {"_ANH=1.5s", 3},      {"_ANH=height", 2}, {"_ANH=nan", 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.second);
    Log log;
    log.Epochs(0, 3).User("_ANH=1.5").Epochs(3, 3).User(c.second).Epochs(6, 3);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(bench.file().Collected().records.Occupations().size(), c.occupations);
  }
}

TEST(UserEvent, SlantHeightClearsTheHorizontalOffsets) {
  Log log;
  log.Epochs(0, 3).User("_ANH=1.5s").Epochs(3, 3);
  ConverterBench bench(log.builder());
  WithAntenna(bench.file(), {.deltaE = 0.25f, .deltaN = -0.5f});
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  const auto& occupations = bench.file().Collected().records.Occupations();
  ASSERT_EQ(occupations.size(), 2u);
  const AntennaBlock& a = occupations.back().antenna;
  EXPECT_EQ(a.heightFlags, kHeightGiven | kHeightSlant);
  EXPECT_FLOAT_EQ(a.deltaH, 1.5f);
  EXPECT_EQ(a.deltaE, 0.0f);
  EXPECT_EQ(a.deltaN, 0.0f);
  EXPECT_EQ(a.antennaOccupationNumber, occupations.back().number);
  // The first occupation keeps the block it was recorded with.
  EXPECT_EQ(occupations.front().antenna.deltaE, 0.25f);
  EXPECT_TRUE(Contains(bench.DumpBody(), "flags = 17; offset = 1.500000\n")) << bench.DumpBody();
}

TEST(UserEvent, ModeChangesNameKinematicAndStaticOccupations) {
  using Event = qzrtest::EpochUserEvent;
  struct Case {
    const char* what;
    std::vector<Event> events;
    std::vector<std::string> sites;
    std::vector<bool> dynamic;
    const char* dump;
  };
  const std::vector<bool> still(9, false);
  const Case kCases[] = {
      {"static to dynamic: the epoch in progress starts it",
       {{2, "_DYM=DYNAMIC"}},
       Join({Repeat("bench", 2), Repeat("bench_K1", 7)}),
       {false, false, true, true, true, true, true, true, true},
       " Write Occupation:bench_K1 - DYNAMIC\n"},
      {"dynamic to static without a site name: one more epoch on the move",
       {{2, "_DYM=DYNAMIC"}, {5, "_DYM=STATIC"}},
       Join({Repeat("bench", 2), Repeat("bench_K1", 4), Repeat("bench_S1", 3)}),
       {false, false, true, true, true, true, false, false, false},
       " Write Occupation:bench_S1 - STATIIC\n"},
      {"a value too short for either word is static",
       {{2, "_DYM=DYNAMIC"}, {5, "_DYM=DYN"}},
       Join({Repeat("bench", 2), Repeat("bench_K1", 4), Repeat("bench_S1", 3)}),
       {false, false, true, true, true, true, false, false, false},
       " Write Occupation:bench_S1 - STATIIC\n"},
      {"dynamic to static after a site name: at once",
       {{2, "_DYM=DYNAMIC"}, {5, "_SIT=P"}, {6, "_DYM=STATIC"}},
       Join({Repeat("bench", 2), Repeat("bench_K1", 4), Repeat("P", 3)}),
       {false, false, true, true, true, true, false, false, false},
       " Write Occupation:P - STATIIC\n"},
      {"a mode change then a site name make one occupation",
       {{2, "_DYM=DYNAMIC"}, {2, "_SIT=Q"}},
       Join({Repeat("bench", 3), Repeat("Q", 6)}),
       {false, false, false, true, true, true, true, true, true},
       " Write Occupation:Q - DYNAMIC\n"},
      {"unknown mode words change nothing",
       {{2, "_DYM=WALKING"}, {5, "_DYM=DRIVING"}},
       Repeat("bench", 9),
       still,
       " Write Occupation:bench - STATIIC\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.EpochsWithEvents(9, c.events);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(EpochSites(bench.file()), c.sites);
    std::vector<bool> dynamic;
    for (const DataEpoch& e : bench.file().Collected().records.Epochs())
      dynamic.push_back((e.epochFlags & kEpochDynamic) != 0);
    EXPECT_EQ(dynamic, c.dynamic);
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump));
  }
}

TEST(UserEvent, SaveAndCancelActOnlyOnTheLastSiteName) {
  struct Case {
    const char* event;
    std::vector<std::string> sites;
    bool ignored;
  };
  const Case kCases[] = {
      {"_SAV=PILLAR1", Join({Repeat("bench", 3), Repeat("PILLAR1", 3), Repeat("PILLAR1_S1", 3)}), false},
      {"_SAV=OTHER", Join({Repeat("bench", 3), Repeat("PILLAR1", 6)}), true},
      {"_CAN=PILLAR1", Join({Repeat("bench", 3), Repeat("PILLAR1_S1", 3)}), false},
      {"_CAN=OTHER", Join({Repeat("bench", 3), Repeat("PILLAR1", 6)}), true},
      {"_CAN=PILLAR", Join({Repeat("bench", 3), Repeat("PILLAR1", 6)}), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.event);
    Log log;
    log.Epochs(0, 3).User("_SIT=PILLAR1").Epochs(3, 3).User(c.event).Epochs(6, 3);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(EpochSites(bench.file()), c.sites);
    const std::string dump = bench.DumpBody();
    EXPECT_EQ(Contains(dump, "\"\nIgnore Event\n"), c.ignored) << dump;
    EXPECT_EQ(Contains(dump, "Delete  Occupation\n"), c.sites.size() == 6);
  }
}

TEST(UserEvent, CancelBeforeTheSitesFirstEpochKeepsThePreviousSite) {
  Log log;
  log.Epochs(0, 3).User("_SIT=PILLAR1").User("_CAN=PILLAR1").Epochs(3, 3);
  ConverterBench bench(log.builder());
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  EXPECT_EQ(EpochSites(bench.file()), Join({Repeat("bench", 3), Repeat("PILLAR1", 3)}));
  EXPECT_FALSE(Contains(bench.DumpBody(), " Delete epoch"));
}

TEST(UserEvent, AntennaTypeResetsTheAntennaRecordOnlyWhenItChanges) {
  Log log;
  log.Epochs(0, 3)
      .User("_ANT=CHOKE RING 12345678901234567890")
      .Epochs(3, 3)
      .User("_ANT=CHOKE RING 1234567890")
      .Epochs(6, 3);
  ConverterBench bench(log.builder());
  TQZRFile& f = bench.file();
  WithAntennaNumber(f, "A-7");
  ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
  EXPECT_EQ(f.Identity().antennaType, "CHOKE RING 123456789");
  EXPECT_EQ(f.Identity().antennaNumber, "-Unknown-");
  EXPECT_EQ(f.Occupation().secondAntennaText, "-Unknown-");
  EXPECT_EQ(f.Occupation().antennaFactors[8], 20.0f);
  // The second value, cut to 20 characters, is the same type.
  EXPECT_EQ(f.Collected().records.Occupations().size(), 2u);
}

TEST(UserEvent, ShortUnknownAndDamagedBodiesAreIgnored) {
  struct Case {
    const char* what;
    Bytes message;
    const char* dump;
  };
  const Case kCases[] = {
      {"5 bytes", qzrtest::Message("==", BodyBuilder().U32(kTen)), "    Error Len! Expected:6 arrived: 5\n"},
      {"empty value", qzrtest::Message("==", BodyBuilder().U32(kTen).U8(0).Text("_CAN=")),
       "    Error Len! Expected:12 arrived: 11\n"},
      {"type 1", qzrtest::Message("==", BodyBuilder().U32(kTen).U8(1).Text("_CAN=bench")),
       "Time (ms) = 36000000 = 10h0m0.0s\n"},
      {"cancel before any site name",
       qzrtest::Message("==", BodyBuilder().U32(kTen).U8(0).Text(std::string("_CAN=\0", 6))),
       "\"\nIgnore Event\n"},
      {"unknown tag", qzrtest::Message("==", BodyBuilder().U32(kTen).U8(0).Text("_XYZ=bench")),
       "User event = \"_XYZ=bench\"\n"},
      {"bad checksum",
       qzrtest::BadChecksumMessage("==", BodyBuilder().U32(kTen).U8(0).Text("_SIT=X").bytes()),
       "Bad Checksum\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.Epochs(0, 2).Add(c.message).Epochs(2, 2);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_EQ(EpochSites(bench.file()), Repeat("bench", 4));
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump)) << bench.DumpBody();
    EXPECT_TRUE(bench.file().Occupation().lastSiteName.empty());
  }
}

Bytes External(std::string_view id, std::uint32_t ms, std::uint32_t ns, int base) {
  BodyBuilder body;
  body.U32(ms).U32(ns);
  if (base >= 0) body.U8(static_cast<std::uint8_t>(base));
  return qzrtest::Message(id, body);
}

TEST(ExternalEvent, StoredPerInputWithItsTimeBase) {
  struct Case {
    const char* what;
    Bytes message;
    std::uint8_t port;
    std::uint16_t timeBase;
    const char* dump;
  };
  const Case kCases[] = {
      {"XA in GPS time", External("XA", kTen + 500, 7, 0), kPortA, kTimeBaseGps,
       "ms = 36000500; ns = 7; base = 0\n"},
      {"XA of 9 bytes", External("XA", kTen + 500, 7, -1), kPortA, kTimeBaseUnknown,
       "ms = 36000500; ns = 7; base = Unknown\n"},
      {"XB in UTC(SU)", External("XB", kTen + 500, 7, 3), kPortB, kTimeBaseUtcSu,
       "ms = 36000500; ns = 7; base = 3\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.Epochs(0, 1).Add(c.message).Epochs(1, 2);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    const StoredRecords& r = bench.file().Collected().records;
    const std::uint8_t other = c.port == kPortA ? kPortB : kPortA;
    ASSERT_EQ(r.Events(c.port).size(), 1u);
    EXPECT_TRUE(r.Events(other).empty());
    const DataEvent& e = r.Events(c.port).front();
    EXPECT_EQ(e.port, c.port);
    EXPECT_EQ(e.seconds, kWeekStart + 36000);
    EXPECT_EQ(e.nanoseconds, 500'000'007u);
    EXPECT_EQ(e.timeBase, c.timeBase);
    EXPECT_EQ(e.occupation, &r.Occupations().front());
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump)) << bench.DumpBody();
  }
}

TEST(ExternalEvent, DroppedWithoutADateOrABody) {
  struct Case {
    const char* what;
    Bytes message;
    const char* dump;
  };
  const Case kCases[] = {
      {"before the first date", External("XA", kTen, 0, 0), "\nXA len=10 0X0(0Xe)\nNo day\n"},
      {"8 bytes", qzrtest::Message("XB", BodyBuilder().U32(kTen).U16(0).U8(0)),
       "Error Len! Expected:9 arrived: 8\n"},
      {"empty body", qzrtest::RawMessage("XA", "000", {}), "Error Len! Expected:9 arrived: 0\n"},
      {"bad checksum", qzrtest::BadChecksumMessage("XB", BodyBuilder().U32(kTen).U32(0).U8(0).bytes()),
       "Bad Checksum\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Log log;
    log.Add(c.message).Epochs(0, 2);
    ConverterBench bench(log.builder());
    ASSERT_EQ(ConvertToEnd(bench), Status::Ok);
    EXPECT_TRUE(bench.file().Collected().records.Events(kPortA).empty());
    EXPECT_TRUE(bench.file().Collected().records.Events(kPortB).empty());
    EXPECT_EQ(bench.file().Collected().records.EpochCount(), 2u);
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump)) << bench.DumpBody();
  }
}

GpsUtcParameters Utc(double a0, float a1, std::int32_t tot, std::uint16_t wnt, std::int8_t dtls,
                     std::uint8_t dn, std::uint16_t wnlsf, std::int8_t dtlsf) {
  return {.present = true,
          .utc = {.a0 = a0,
                  .a1 = a1,
                  .tot = tot,
                  .wnt = wnt,
                  .dtls = dtls,
                  .dn = dn,
                  .wnlsf = wnlsf,
                  .dtlsf = dtlsf}};
}

TEST(ExternalEvent, UtcTimesMoveToGpsTime) {
  // Week 1256 is 232 in ten bits. The expected differences are worked out
  // by hand: dtls (or dtlsf) + A0 + A1 x (t - tot + 604800 x weeks).
  const GpsUtcParameters plain = Utc(1.0 / 1024, 0, 0, 232, 13, 7, 1256, 13);
  const GpsUtcParameters drift = Utc(0, 1.0f / 1048576, 16000, 231, 13, 7, 232, 13);
  const GpsUtcParameters driftFullWeek = Utc(0, 1.0f / 1048576, 16000, 1255, 13, 7, 232, 13);
  const GpsUtcParameters carry = Utc(0.75, 0, 0, 232, 13, 7, 232, 13);
  const GpsUtcParameters early = Utc(-0.0000015, 0, 0, 232, 0, 7, 232, 0);
  // A leap second at the end of day 3 of the week (259200 s), the leap
  // instant L = 3 x 86400 + 13 = 259213 s; the window is days 2.75..3.25.
  const GpsUtcParameters leap = Utc(0, 0, 0, 232, 13, 3, 232, 14);
  const GpsUtcParameters negativeLeap = Utc(0, 0, 0, 232, 14, 3, 232, 13);
  const GpsUtcParameters weekEnd = Utc(0, 0, 0, 232, 13, 7, 231, 14);
  struct Case {
    const char* what;
    const GpsUtcParameters* p;  // none: not received
    std::uint16_t timeBase;
    std::int64_t secondOfWeek;  // of week 1256; negative: the week before
    std::uint32_t ns;
    bool converted;
    std::int64_t outSecondOfWeek;
    std::uint32_t outNs;
  };
  const Case kCases[] = {
      {"GPS time as it is", nullptr, kTimeBaseGps, 36000, 5, true, 36000, 5},
      {"UTC without parameters", nullptr, kTimeBaseUtcUsno, 36000, 5, false, 36000, 5},
      {"GLONASS time", &plain, kTimeBaseGlonass, 36000, 5, false, 36000, 5},
      {"UTC(SU)", &plain, kTimeBaseUtcSu, 36000, 5, false, 36000, 5},
      {"unknown base", &plain, kTimeBaseUnknown, 36000, 5, false, 36000, 5},
      // 13 + 1/1024 s: 976562.5 ns rounds away from zero.
      {"half nanosecond rounds up", &plain, kTimeBaseUtcUsno, 36000, 0, true, 36013, 976563},
      {"high bits of the base", &plain, 0x10 | kTimeBaseUtcUsno, 36000, 0, true, 36013, 976563},
      // 13 + 2^-20 x (36000 - 16000 + 604800) = 13.595855712890625 s.
      {"drift over a week", &drift, kTimeBaseUtcUsno, 36000, 0, true, 36013, 595'855'713},
      {"reference week in full", &driftFullWeek, kTimeBaseUtcUsno, 36000, 0, true, 36013, 595'855'713},
      // 13.75 s onto half a second: the nanoseconds carry.
      {"carry", &carry, kTimeBaseUtcUsno, 36000, 500'000'000, true, 36014, 250'000'000},
      // -1.5 us: no whole second, the nanoseconds borrow one.
      {"negative fraction", &early, kTimeBaseUtcUsno, 36000, 1000, true, 35999, 999'999'500},
      // Outside the window, the instant test alone would give the other
      // count: more than a day before L, and a day after it.
      {"before the window", &leap, kTimeBaseUtcUsno, 172000, 0, true, 172013, 0},
      {"in the window, 1 ms before L", &leap, kTimeBaseUtcUsno, 259212, 999'000'000, true, 259225,
       999'000'000},
      {"in the window, at L", &leap, kTimeBaseUtcUsno, 259213, 0, true, 259227, 0},
      {"after the window", &leap, kTimeBaseUtcUsno, 388800, 0, true, 388814, 0},
      // L = 3 x 86400 + 14 - 1 = 259213 s again.
      {"negative leap at L", &negativeLeap, kTimeBaseUtcUsno, 259213, 0, true, 259226, 0},
      {"negative leap before L", &negativeLeap, kTimeBaseUtcUsno, 259212, 0, true, 259226, 0},
      // At the end of week 231 (1255): L = 7 x 86400 + 13 - 604800 = 13 s.
      {"end of the leap week", &weekEnd, kTimeBaseUtcUsno, -10, 0, true, 3, 0},
      {"next week, before L", &weekEnd, kTimeBaseUtcUsno, 10, 0, true, 23, 0},
      {"next week, at L", &weekEnd, kTimeBaseUtcUsno, 13, 0, true, 27, 0},
  };
  qzrtest::LogBuilder empty;
  empty.Text(std::string(100, '\n'));
  ConverterBench bench(empty);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TQZRFile& f = bench.file();
    WithGpsUtc(f, c.p != nullptr ? *c.p : GpsUtcParameters{});
    DataEvent e;
    e.seconds = static_cast<std::uint32_t>(kWeekStart + c.secondOfWeek);
    e.nanoseconds = c.ns;
    e.timeBase = c.timeBase;
    EXPECT_EQ(ConvertEventTime(f.Collected().gpsUtc, e), c.converted);
    EXPECT_EQ(e.converted, c.converted);
    EXPECT_EQ(e.seconds, kWeekStart + c.secondOfWeek);
    EXPECT_EQ(e.outSeconds, kWeekStart + c.outSecondOfWeek);
    EXPECT_EQ(e.outNanoseconds, c.outNs);
  }
}

TEST(ExternalEvent, DamagedParametersLeaveTheTimeAsRecorded) {
  qzrtest::LogBuilder empty;
  empty.Text(std::string(100, '\n'));
  ConverterBench bench(empty);
  WithGpsUtc(bench.file(), Utc(1e300, 0, 0, 232, 13, 7, 232, 13));
  DataEvent e;
  e.seconds = kWeekStart + 36000;
  e.timeBase = kTimeBaseUtcUsno;
  EXPECT_FALSE(ConvertEventTime(bench.file().Collected().gpsUtc, e));
  EXPECT_EQ(e.outSeconds, e.seconds);
}

}  // namespace
}  // namespace qzr2rin
