// Ionosphere, UTC and receiver clock parameter messages, driven through the
// real scanner and dispatch table.

#include "decoders/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::AwaitFirstTime;
using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::InFirstRun;
using qzrtest::LogBuilder;
using qzrtest::WithLost;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

struct Relation {
  double a0 = 1.5e-9;
  float a1 = -2.5e-14f;
  std::int32_t tot = 405504;
  std::uint16_t wnt = 1250;
  std::int8_t dtls = 13;
  std::uint8_t dn = 7;
  std::uint16_t wnlsf = 1251;
  std::int8_t dtlsf = 14;
};

struct GeoTail {
  std::int8_t utcsi = 0;
  std::int32_t tow = 345600;
  std::uint16_t wn = 1250;
};

BodyBuilder RelationFields(const Relation& r) {
  return BodyBuilder().F64(r.a0).F32(r.a1).I32(r.tot).U16(r.wnt).I8(r.dtls).U8(r.dn).U16(r.wnlsf).I8(r.dtlsf);
}

Bytes GpsUtc(const Relation& r) { return qzrtest::Message("UO", RelationFields(r)); }

Bytes GeoUtc(const Relation& r, const GeoTail& t = {}) {
  return qzrtest::Message("WO", RelationFields(r).I8(t.utcsi).I32(t.tow).U16(t.wn));
}

Bytes Iono(std::uint32_t tot, std::uint16_t wn, const float (&alpha)[4], const float (&beta)[4]) {
  BodyBuilder b;
  b.U32(tot).U16(wn);
  for (const float a : alpha) b.F32(a);
  for (const float v : beta) b.F32(v);
  return qzrtest::Message("IO", b);
}

Status WalkAsSet(ConverterBench& bench) { return bench.WalkAsSet(); }

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(GpsUtc, LaterValidSetReplacesTheEarlierAndIsDumped) {
  LogBuilder log;
  log.Add(GpsUtc({.a0 = 2e-9, .dtls = 12})).Add(GpsUtc({}));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  const GpsUtcParameters& p = bench.file().Collected().gpsUtc;
  EXPECT_TRUE(p.present);
  EXPECT_EQ(p.utc.a0, 1.5e-9);
  EXPECT_EQ(p.utc.a1, -2.5e-14f);
  EXPECT_EQ(p.utc.tot, 405504);
  EXPECT_EQ(p.utc.wnt, 1250);
  EXPECT_EQ(p.utc.dtls, 13);
  EXPECT_EQ(p.utc.dn, 7);
  EXPECT_EQ(p.utc.wnlsf, 1251);
  EXPECT_EQ(p.utc.dtlsf, 14);
  EXPECT_TRUE(
      Contains(bench.DumpBody(),
               "(0X39)\na0 = 1.5e-09;a1 = -2.5e-14;tot = 405504;wnt = 1250;dtls = 13;dn = 7;wnlsf = 1251;"
               "dtlsf = 14\n"))
      << bench.DumpBody();
}

struct MissingCase {
  const char* text;
  Relation relation;
};

const MissingCase kMissingRelationFields[] = {
    {"a0 = NaN", {.a0 = kNaN}},
    {"a1 = NaN", {.a1 = kNaNf}},
    {"tot = NaN", {.tot = -1}},
    {"wnt = NaN", {.wnt = 0xFFFF}},
    {"dtls = NaN", {.dtls = 127}},
    {"dn = NaN", {.dn = 255}},
    {"wnlsf = NaN", {.wnlsf = 0xFFFF}},
    {"dtlsf = NaN", {.dtlsf = 127}},
    {"a1 = NaN", {.a1 = kNaNf, .dn = 255}},  // the first field in order is named
};

TEST(GpsUtc, FieldNotAvailableKeepsThePreviousSet) {
  for (const MissingCase& c : kMissingRelationFields) {
    SCOPED_TRACE(c.text);
    LogBuilder log;
    log.Add(GpsUtc({.a0 = 2e-9})).Add(GpsUtc(c.relation));
    ConverterBench bench(log);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_TRUE(bench.file().Collected().gpsUtc.present);
    EXPECT_EQ(bench.file().Collected().gpsUtc.utc.a0, 2e-9);
    const std::string dump = bench.DumpBody();
    EXPECT_TRUE(dump.ends_with(std::string("(0X39)\n") + c.text)) << dump;  // no line end of its own
  }
}

TEST(GpsUtc, FirstRunTakesTheSetSilently) {
  LogBuilder log;
  log.Add(GpsUtc({.a0 = 2e-9})).Add(GpsUtc({.dn = 255}));
  ConverterBench bench(log);
  InFirstRun(bench.file(), true);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(bench.file().Collected().gpsUtc.present);
  EXPECT_EQ(bench.file().Collected().gpsUtc.utc.a0, 2e-9);
  EXPECT_FALSE(Contains(bench.DumpBody(), "a0 =")) << bench.DumpBody();
  EXPECT_FALSE(Contains(bench.DumpBody(), "NaN")) << bench.DumpBody();
}

TEST(GeoUtc, TakesCompleteSetAndDumpsIt) {
  LogBuilder log;
  log.Add(GeoUtc({.dtls = -2}, {.utcsi = 3}));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  const GeoUtcParameters& p = bench.file().Collected().geoUtc;
  EXPECT_TRUE(p.present);
  EXPECT_EQ(p.utc.a0, 1.5e-9);
  EXPECT_EQ(p.utc.dtls, -2);
  EXPECT_EQ(p.utc.dtlsf, 14);
  EXPECT_EQ(p.utcsi, 3);
  EXPECT_EQ(p.tow, 345600);
  EXPECT_EQ(p.wn, 1250);
  EXPECT_TRUE(Contains(bench.DumpBody(),
                       "\na0 = 1.5e-09;a1 = -2.5e-14;tot = 405504;wnt = 1250;dtls = -2;dn = 7;wnlsf = 1251;"
                       "dtlsf = 14;utcsi = 3;tow = 345600;wn = 1250\n"))
      << bench.DumpBody();
  EXPECT_FALSE(bench.file().Collected().gpsUtc.present);
}

TEST(GeoUtc, FieldNotAvailableLeavesTheSetAbsent) {
  struct Case {
    const char* text;
    Relation relation;
    GeoTail tail;
  };
  const Case kCases[] = {
      {"dtls = NaN", {.dtls = 127}, {}},
      {"utcsi= NaN", {}, {.utcsi = 127}},
      {"tow = NaN", {}, {.tow = -1}},
      {"wn = NaN", {}, {.wn = 0xFFFF}},
      {"dtlsf = NaN", {.dtlsf = 127}, {.utcsi = 127}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    LogBuilder log;
    log.Add(GeoUtc(c.relation, c.tail));
    ConverterBench bench(log);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_FALSE(bench.file().Collected().geoUtc.present);
    EXPECT_TRUE(bench.DumpBody().ends_with(std::string("(0X23)\n") + c.text)) << bench.DumpBody();
  }
}

TEST(Ionosphere, LatestSetIsStoredAsReceivedAndDumped) {
  LogBuilder log;
  log.Add(Iono(2 * 86400 + 3723, 100, {1.1e-8f, 2.2e-8f, -6e-8f, 1.2e-7f}, {90112, 0, -196608, 65536}));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  const IonoParameters& p = bench.file().Collected().iono;
  EXPECT_TRUE(p.present);
  EXPECT_EQ(p.wn, 100);  // the rollover is applied where a date is formed, not here
  EXPECT_EQ(p.tot, 2u * 86400 + 3723);
  EXPECT_EQ(p.alpha[2], -6e-8f);
  EXPECT_EQ(p.beta[3], 65536.0f);
  EXPECT_EQ(bench.DumpBody(),
            "\nIO len=39 0X0(0X2b)\n"
            " wn=100 tot=176523 Year=2001 Month=7 Day=24 1h2m3.0s\n"
            "1.1e-08 2.2e-08 -6e-08 1.2e-07\n"
            "90112 0 -196608 65536\n");
}

TEST(Ionosphere, AllZeroSetReplacesTheEarlierOne) {
  LogBuilder log;
  log.Add(Iono(7, 1100, {1, 2, 3, 4}, {5, 6, 7, 8})).Add(Iono(0, 0, {0, 0, 0, 0}, {0, 0, 0, 0}));
  ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  const IonoParameters& p = bench.file().Collected().iono;
  EXPECT_TRUE(p.present);
  EXPECT_EQ(p.tot, 0u);
  EXPECT_EQ(p.wn, 0);
  EXPECT_EQ(p.alpha[0], 0.0f);
  EXPECT_EQ(p.beta[3], 0.0f);
  EXPECT_TRUE(Contains(bench.DumpBody(), " wn=0 tot=0 Year=1999 Month=8 Day=22 0h0m0.0s\n0 0 0 0\n0 0 0 0\n"))
      << bench.DumpBody();
}

TEST(ClockParameters, ValueIsTakenOnlyWithTrustedTimeAndList) {
  struct Case {
    const char* name;
    Bytes message;
    bool timeLost, listLost, numbersLost;
    std::uint16_t flags;
    double value;  // offset or drift taken
    const char* dumpEnd;
  };
  const Case kCases[] = {
      {"offset", qzrtest::Message("TO", BodyBuilder().F64(0.000125)), false, false, false, kExtrasClockOffset,
       0.000125, "(0Xd)\n0.000125\n"},
      {"negative offset", qzrtest::Message("TO", BodyBuilder().F64(-3.5e-9)), false, false, false,
       kExtrasClockOffset, -3.5e-9, "(0Xd)\n-3.5e-09\n"},
      {"offset NaN", qzrtest::Message("TO", BodyBuilder().F64(kNaN)), false, false, false, 0, 0,
       "(0Xd)\nNaN\n "},
      {"offset with time lost", qzrtest::Message("TO", BodyBuilder().F64(1.0)), true, false, false, 0, 0,
       "Lost time, skipping\n"},
      {"offset with list lost", qzrtest::Message("TO", BodyBuilder().F64(1.0)), false, true, false, 0, 0,
       "Lost time, skipping\n"},
      {"drift", qzrtest::Message("DO", BodyBuilder().F32(0.5f)), false, false, false, kExtrasClockDrift, 0.5,
       "(0X9)\n0.5\n"},
      {"drift NaN", qzrtest::Message("DO", BodyBuilder().F32(kNaNf)), false, false, false, 0, 0,
       "(0X9)\nNaN\n"},
      {"drift with numbers lost", qzrtest::Message("DO", BodyBuilder().F32(0.5f)), false, false, true, 0, 0,
       "Lost time, skipping\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(c.message);
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    WithLost(f, {.time = c.timeLost, .list = c.listLost, .numbers = c.numbersLost});
    EXPECT_EQ(WalkAsSet(bench), Status::Ok);
    EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, c.flags);
    EXPECT_EQ(c.flags == kExtrasClockDrift ? static_cast<double>(f.Assembly().epochExtras.clockDrift)
                                           : f.Assembly().epochExtras.clockOffset,
              c.value);
    EXPECT_TRUE(bench.DumpBody().ends_with(c.dumpEnd)) << bench.DumpBody();
  }
}

TEST(ClockParameters, OffsetBeforeTheFirstReceiverTimeIsSkipped) {
  LogBuilder log;
  log.Add("TO", BodyBuilder().F64(1e-6))
      .Add("~~", BodyBuilder().U32(1000))
      .Add("TO", BodyBuilder().F64(2e-6));
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  ASSERT_TRUE(f.Scanner().timeLost);  // as the converter starts
  WithLost(f, {.time = true});
  AwaitFirstTime(f, false);
  EXPECT_EQ(WalkAsSet(bench), Status::Ok);
  EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, kExtrasClockOffset);
  EXPECT_EQ(f.Assembly().epochExtras.clockOffset, 2e-6);
  EXPECT_TRUE(Contains(bench.DumpBody(), "(0Xd)\nLost time, skipping\n")) << bench.DumpBody();
}

TEST(ParameterMessages, ShortOrDamagedBodiesAreIgnored) {
  struct Case {
    const char* name;
    Bytes message;
    const char* dump;
  };
  const Case kCases[] = {
      {"[IO] of 38 bytes", qzrtest::Message("IO", BodyBuilder().Zeros(37)),
       "    Error Len! Expected:39 arrived: 38\n"},
      {"[UO] of 23 bytes", qzrtest::Message("UO", BodyBuilder().Zeros(22)),
       "    Error Len! Expected:24 arrived: 23\n"},
      {"empty [UO]", qzrtest::RawMessage("UO", "000", {}), "    Error Len! Expected:24 arrived: 0\n"},
      {"[WO] of 30 bytes", qzrtest::Message("WO", BodyBuilder().Zeros(29)),
       "    Error Len! Expected:31 arrived: 30\n"},
      {"[TO] of 8 bytes", qzrtest::Message("TO", BodyBuilder().Zeros(7)),
       "    Error Len! Expected:9 arrived: 8\n"},
      {"[DO] of 4 bytes", qzrtest::Message("DO", BodyBuilder().Zeros(3)),
       "    Error Len! Expected:5 arrived: 4\n"},
      {"damaged [IO]", qzrtest::BadChecksumMessage("IO", Bytes(38, 0)), "Bad Checksum\n"},
      {"damaged [UO]", qzrtest::BadChecksumMessage("UO", Bytes(23, 0)), "Bad Checksum\n"},
      {"damaged [WO]", qzrtest::BadChecksumMessage("WO", Bytes(30, 0)), "Bad Checksum\n"},
      {"damaged [TO]", qzrtest::BadChecksumMessage("TO", Bytes(8, 0)), "Bad Checksum\n"},
      {"damaged [DO]", qzrtest::BadChecksumMessage("DO", Bytes(4, 0)), "Bad Checksum\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(c.message).LineBreak();  // an empty body is taken only with a byte after it
    ConverterBench bench(log);
    const TQZRFile& f = bench.file();
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_FALSE(f.Collected().iono.present);
    EXPECT_FALSE(f.Collected().gpsUtc.present);
    EXPECT_FALSE(f.Collected().geoUtc.present);
    EXPECT_EQ(f.Assembly().epochExtras.extrasFlags, 0);
    EXPECT_TRUE(Contains(bench.DumpBody(), c.dump)) << bench.DumpBody();
  }
}

}  // namespace
}  // namespace qzr2rin
