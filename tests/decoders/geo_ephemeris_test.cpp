// GEO ephemeris messages, driven through the real scanner and dispatch table.

#include "decoders/geo_ephemeris.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/ephemeris_fixtures.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::LogBuilder;

struct Fields {
  std::uint8_t prn = 122;
  std::uint8_t gpsNumber = 7;
  std::uint8_t iod = 0x1F;
  std::uint8_t accuracy = 0x0A;
  std::uint32_t toa = 43200;
  double x = -12345.5, y = 2e7, z = 0.25;
  float vx = 1.5f, vy = -0.125f, vz = 2.0f;
  float ax = 1e-4f, ay = -1e-5f, az = 0.0f;
  float gf0 = 1.5e-8f;
  float gf1 = -2.5e-12f;
  std::uint32_t tow = 388800;  // Thursday 12:00
  std::uint16_t wn = 1250;
};

// Week 1250, Thursday 12:00: 2003-12-25.
constexpr std::uint32_t kMessageDay = 1250 * 7 + 4;
constexpr std::uint32_t kMessageTime = kMessageDay * 86400 + 43200;

BodyBuilder Payload(const Fields& e) {
  BodyBuilder b;
  b.U8(e.prn).U8(e.gpsNumber).U8(e.iod).U8(e.accuracy).U32(e.toa);
  qzrtest::AddOrbit(b, e).F32(e.gf0).F32(e.gf1).U32(e.tow).U16(e.wn);
  return b;
}

Bytes Ephemeris(const Fields& e) { return qzrtest::Message("WE", Payload(e)); }

const std::vector<GeoEphemeris>& Satellite(ConverterBench& bench, unsigned prn) {
  return bench.file().Collected().ephemerides.geo.at(prn - 120);
}

std::size_t StoredCount(const TQZRFile& f) { return qzrtest::TotalRecords(f.Collected().ephemerides.geo); }

using qzrtest::DecoderText;

const char kFieldLines[] =
    "waasnum= 122\n"
    "gpsnum= 7\n"
    "IOD= 31( 0X1F )\n"
    "Accuracy=10( 0XA )\n"
    "TimeOfDay(toa)= 43200\n"
    "Xg= -12345.5\n"
    "Yg= 2e+07\n"
    "Zg= 0.25\n"
    "XgRateOfChange= 1.5\n"
    "YgRateOfChange= -0.125\n"
    "Zg=RateOfChange 2\n"
    "XgAccel= 0.0001\n"
    "YgAccel= -1e-05\n"
    "ZgAccel= 0\n"
    "Gf0= 1.5e-08\n"
    "Gf1= -2.5e-12\n"
    "tow= 388800\n"
    "wn= 1250\n";

TEST(GeoEphemeris, PayloadFillsTheRecordAndTheDump) {
  ConverterBench bench(qzrtest::LogOf(Ephemeris(Fields{})));
  EXPECT_EQ(bench.Walk(), Status::Ok);
  ASSERT_EQ(Satellite(bench, 122).size(), 1u);
  const GeoEphemeris& e = Satellite(bench, 122).front();
  EXPECT_EQ(e.number, 22);
  EXPECT_EQ(e.messageDay, kMessageDay);
  EXPECT_EQ(e.messageMsOfDay, 43'200'000u);
  EXPECT_EQ(e.gpsNumber, 7);
  EXPECT_EQ(e.iod, 0x1F);
  EXPECT_EQ(e.accuracy, 0x0A);
  EXPECT_EQ(e.toaDay, kMessageDay);
  EXPECT_EQ(e.toa, 43200u);
  EXPECT_EQ(e.ReferenceSeconds(), kMessageTime);
  qzrtest::ExpectOrbit(e, Fields{});
  EXPECT_EQ(e.gf0, 1.5e-8f);
  EXPECT_EQ(e.gf1, -2.5e-12f);
  EXPECT_EQ(e.tow, 388800u);
  EXPECT_EQ(e.wn, 1250);
  EXPECT_EQ(DecoderText(bench),
            std::string(kFieldLines) +
                " sv=22 Week =1250( Year=2003 Month=12 Day=21 ) \n"
                " tow 388800 ( Number of day per weeks = 4  Year=2003 Month=12 Day=25  12h0m0s )\n"
                " TimeOfDay= 43200( 12h0m0s )\n"
                " MiddleTow =388800; Year=2003 Month=12 Day=25 12h0m0.0s\n"
                " IOD=31( 0X1F ) Accuracy= 10 ( 0XA )\n");
}

TEST(GeoEphemeris, ReferenceDayFollowsTheMessageAcrossMidnight) {
  struct Case {
    const char* name;
    std::uint32_t tow;
    std::uint32_t toa;
    std::uint16_t wn;
    std::uint32_t messageDay;
    std::uint32_t messageMs;
    std::uint32_t toaDay;
    std::uint16_t week;
  };
  const std::uint32_t thursday = 4 * 86400;
  const Case kCases[] = {
      {"23:55:00 with toa 00:05:00 is the next day", thursday + 86100, 300, 1250, kMessageDay, 86'100'000,
       kMessageDay + 1, 1250},
      {"00:02:00 with toa 23:55:00 is the previous day", thursday + 120, 86100, 1250, kMessageDay, 120'000,
       kMessageDay - 1, 1250},
      {"twelve hours apart stays on the day", thursday + 43200, 0, 1250, kMessageDay, 43'200'000, kMessageDay,
       1250},
      {"just over twelve hours ahead", thursday + 43201, 0, 1250, kMessageDay, 43'201'000, kMessageDay + 1,
       1250},
      {"week 200 is week 1224", thursday + 43200, 43200, 200, 1224 * 7 + 4, 43'200'000, 1224 * 7 + 4, 1224},
      {"week 511 is week 1535", 0, 0, 511, 1535 * 7, 0, 1535 * 7, 1535},
      {"week 512 stays", 0, 0, 512, 512 * 7, 0, 512 * 7, 512},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Fields f;
    f.tow = c.tow;
    f.toa = c.toa;
    f.wn = c.wn;
    ConverterBench bench(qzrtest::LogOf(Ephemeris(f)));
    EXPECT_EQ(bench.Walk(), Status::Ok);
    ASSERT_EQ(Satellite(bench, 122).size(), 1u);
    const GeoEphemeris& e = Satellite(bench, 122).front();
    EXPECT_EQ(e.messageDay, c.messageDay);
    EXPECT_EQ(e.messageMsOfDay, c.messageMs);
    EXPECT_EQ(e.toaDay, c.toaDay);
    EXPECT_EQ(e.wn, c.week);
    EXPECT_EQ(e.ReferenceSeconds(), c.toaDay * 86400 + c.toa);
  }
}

TEST(GeoEphemeris, OnlyGeoPrnsAreKept) {
  struct Case {
    std::uint8_t prn;
    bool kept;
  };
  const Case kCases[] = {{119, false}, {120, true}, {138, true}, {139, false}, {0, false}, {255, false}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.prn));
    Fields f;
    f.prn = c.prn;
    ConverterBench bench(qzrtest::LogOf(Ephemeris(f)));
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(StoredCount(bench.file()), c.kept ? 1u : 0u);
    if (c.kept) {
      EXPECT_EQ(Satellite(bench, c.prn).size(), 1u);
    }
    const std::string text = DecoderText(bench);
    // The fields are shown before the number is checked.
    EXPECT_EQ(text.rfind("waasnum= " + std::to_string(c.prn) + "\ngpsnum= 7\n", 0), 0u) << text;
    const std::string refusal = "wn= 1250\nErorr WASS ephemeris. Missing SV number \n";
    EXPECT_EQ(text.size() >= refusal.size() &&
                  text.compare(text.size() - refusal.size(), refusal.size(), refusal) == 0,
              !c.kept)
        << text;
  }
}

TEST(GeoEphemeris, OnlyARepeatOfTheLastRecordIsDropped) {
  const Fields a;
  Fields later = a;
  later.tow = a.tow + 120;
  Fields otherIod = a;
  otherIod.iod = 0x20;
  Fields otherAccuracy = a;
  otherAccuracy.accuracy = 3;
  Fields otherOffset = a;
  otherOffset.gf0 = 1.6e-8f;
  Fields nearDrift = a;
  nearDrift.gf1 = a.gf1 + 4e-13f;
  Fields otherDrift = a;
  otherDrift.gf1 = a.gf1 + 1e-12f;
  Fields otherOrbit = a;  // the orbit is not compared
  otherOrbit.x = 1.0;
  otherOrbit.toa = 0;
  struct Case {
    const char* name;
    std::vector<Fields> sent;
    std::size_t stored;
    bool already;
  };
  const Case kCases[] = {
      {"same message twice", {a, a}, 1, true},
      {"same content, later tow", {a, later}, 2, false},
      {"other issue of data", {a, otherIod}, 2, false},
      {"other accuracy", {a, otherAccuracy}, 2, false},
      {"other clock offset", {a, otherOffset}, 2, false},
      {"drift within tolerance", {a, nearDrift}, 1, true},
      {"other drift", {a, otherDrift}, 2, false},
      {"other orbit, same clock and time", {a, otherOrbit}, 1, true},
      {"repeat of an older record", {a, later, a}, 3, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    for (const Fields& e : c.sent) log.Add(Ephemeris(e));
    ConverterBench bench(log);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    ASSERT_EQ(Satellite(bench, 122).size(), c.stored);
    EXPECT_EQ(Satellite(bench, 122).front().x, a.x);  // the first one stays
    const std::string dump = bench.DumpBody();
    EXPECT_EQ(dump.find(" IOD=31( 0X1F ) Accuracy= 10 ( 0XA )\n   Already\n") != std::string::npos, c.already)
        << dump;
  }
}

TEST(GeoEphemeris, OutputWindowIsWidenedToTwoHourBlocks) {
  // kMessageTime falls on a two-hour boundary.
  static_assert(kMessageTime % 7200 == 0);
  const qzrtest::WindowCase kCases[] = {
      {"start in the block after next", true, kMessageTime + 14399, 0, true},
      {"start two blocks later", true, kMessageTime + 14400, 0, false},
      {"finish two blocks earlier", true, 0, kMessageTime - 14400, true},
      {"finish a second before that", true, 0, kMessageTime - 14401, false},
      {"both ends open", true, 0, 0, true},
      {"no window given", false, kMessageTime + 86400, kMessageTime - 86400, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(qzrtest::LogOf(Ephemeris(Fields{})));
    qzrtest::SetWindow(bench.file(), c);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(StoredCount(bench.file()), c.kept ? 1u : 0u);
    const std::string text = DecoderText(bench);
    if (!c.kept) {
      EXPECT_EQ(text, std::string(kFieldLines) + "Time has not got in interval\n");
    }
  }
}

TEST(GeoEphemeris, ShortOrDamagedBodiesAreIgnored) {
  qzrtest::ExpectRefusedBodiesIgnored(
      "WE", Payload(Fields{}).bytes(), 71, [](TQZRFile&) {}, StoredCount, "waasnum=");
}

}  // namespace
}  // namespace qzr2rin
