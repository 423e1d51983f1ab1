// Observable messages through the scanner and dispatch table: each family's
// element layout, scale, marker, limits and target, the per-message checks,
// and the per-epoch messages.

#include "decoders/observables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "decoders/dispatch.h"
#include "decoders/epoch_data.h"
#include "decoders/satellite_list.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::InProgress;
using qzrtest::ListSatellites;
using qzrtest::LogBuilder;
using qzrtest::Message;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- bench helpers ----

using Lost = ConverterBench::Lost;
using Walked = ConverterBench::Walked;

Walked Walk(ConverterBench& bench, Lost lost = {}) { return bench.WalkEach(lost); }

LogBuilder Log(const std::vector<Bytes>& messages) {
  LogBuilder log;
  for (const Bytes& m : messages) log.Add(m);
  log.LineBreak();
  return log;
}

void Put(BodyBuilder& b, double v) { b.F64(v); }
void Put(BodyBuilder& b, float v) { b.F32(v); }
void Put(BodyBuilder& b, std::int32_t v) { b.I32(v); }
void Put(BodyBuilder& b, std::uint32_t v) { b.U32(v); }
void Put(BodyBuilder& b, std::int16_t v) { b.I16(v); }
void Put(BodyBuilder& b, std::uint16_t v) { b.U16(v); }
void Put(BodyBuilder& b, std::uint8_t v) { b.U8(v); }
void Put(BodyBuilder& b, std::int8_t v) { b.I8(v); }

template <typename T>
Bytes Values(std::string_view id, std::initializer_list<T> values) {
  BodyBuilder b;
  for (const T v : values) Put(b, v);
  return Message(id, b);
}

Bytes List(std::initializer_list<std::uint8_t> indexes) { return Values<std::uint8_t>("SI", indexes); }

// Index bytes of one satellite of each system.
constexpr std::uint8_t kGps5 = 5;
constexpr std::uint8_t kGlonassChannelMinus5 = 40;  // numbered slot 3 below
constexpr std::uint8_t kGeo125 = 125;
constexpr std::uint8_t kUnknown = 200;

// A one-satellite list; a GLONASS satellite gets slot 3.
std::vector<Bytes> ListOf(std::uint8_t index) {
  std::vector<Bytes> m{List({index})};
  if (index == kGlonassChannelMinus5) m.push_back(Values<std::int8_t>("NN", {3}));
  return m;
}

// A receiver time: a message of an identifier already in the epoch belongs
// to the next one.
Bytes Time(std::uint32_t ms) { return Values<std::uint32_t>("~~", {ms}); }

const SignalSlot& SetOf(TQZRFile& f, std::size_t satellite, int signal) {
  return f.Assembly().epoch.slots[satellite].signals[static_cast<std::size_t>(signal)];
}

bool NothingStored(TQZRFile& f, std::size_t satellites) {
  for (std::size_t i = 0; i < satellites; ++i) {
    for (const SignalSlot& s : f.Assembly().epoch.slots[i].signals) {
      if (s.signalFlags != 0) return false;
    }
    if (f.Assembly().epoch.satellites[i].elevation != 0) return false;
  }
  return true;
}

// ---- the per-satellite frame, for every identifier ----

struct Family {
  const char* id;
  std::size_t elementSize;
  Bytes noData;  // one element holding the family's no-data marker
};

BodyBuilder Element(void (*put)(BodyBuilder&)) {
  BodyBuilder b;
  put(b);
  return b;
}

const std::vector<Family>& Families() {
  const Bytes f64 = Element([](BodyBuilder& b) { b.F64(kNaN); }).bytes();
  const Bytes f32 = Element([](BodyBuilder& b) { b.F32(kNaNf); }).bytes();
  const Bytes i32 = Element([](BodyBuilder& b) { b.I32(0x7FFFFFFF); }).bytes();
  const Bytes u32 = Element([](BodyBuilder& b) { b.U32(0xFFFFFFFF); }).bytes();
  const Bytes i16 = Element([](BodyBuilder& b) { b.I16(0x7FFF); }).bytes();
  const Bytes smoothing = Element([](BodyBuilder& b) { b.F32(kNaNf).U16(0x1234); }).bytes();
  static const std::vector<Family> kFamilies = {
      {"RC", 8, f64},       {"R1", 8, f64},       {"R2", 8, f64},          {"1R", 4, f32},   {"2R", 4, f32},
      {"rc", 4, i32},       {"r1", 4, i32},       {"r2", 4, i32},          {"1r", 2, i16},   {"2r", 2, i16},
      {"PC", 8, f64},       {"P1", 8, f64},       {"P2", 8, f64},          {"pc", 4, u32},   {"p1", 4, u32},
      {"p2", 4, u32},       {"CP", 4, f32},       {"1P", 4, f32},          {"2P", 4, f32},   {"cp", 4, i32},
      {"1p", 4, i32},       {"2p", 4, i32},       {"DC", 4, i32},          {"D1", 4, i32},   {"D2", 4, i32},
      {"CC", 6, smoothing}, {"C1", 6, smoothing}, {"C2", 6, smoothing},    {"cc", 2, i16},   {"c1", 2, i16},
      {"c2", 2, i16},       {"EC", 1, {255}},     {"E1", 1, {1}},          {"E2", 1, {255}}, {"CE", 1, {1}},
      {"1E", 1, {255}},     {"2E", 1, {1}},       {"TC", 2, {0xFF, 0xFF}}, {"EL", 1, {127}}, {"AZ", 1, {255}},
  };
  return kFamilies;
}

Bytes Repeat(const Bytes& element, std::size_t times) {
  Bytes out;
  for (std::size_t i = 0; i < times; ++i) out.insert(out.end(), element.begin(), element.end());
  return out;
}

TEST(ObservableFrame, UnknownEntriesAreIgnoredAndMarkersStoreNothing) {
  for (const Family& fam : Families()) {
    SCOPED_TRACE(fam.id);
    ConverterBench bench(Log({List({kUnknown, kGps5}), Message(fam.id, Repeat(fam.noData, 2))}));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, (std::vector<Status>{Status::Ok, Status::Ok}));
    EXPECT_EQ(w.texts[1], "Ignore NaN \n");
    EXPECT_TRUE(NothingStored(bench.file(), 2));
  }
}

TEST(ObservableFrame, BadChecksumFailsWithoutUsingTheBody) {
  for (const Family& fam : Families()) {
    SCOPED_TRACE(fam.id);
    ConverterBench bench(Log({List({kGps5}), qzrtest::BadChecksumMessage(fam.id, Repeat(fam.noData, 1))}));
    const Walked w = Walk(bench);
    ASSERT_GE(w.results.size(), 2u);
    EXPECT_EQ(w.results[1], Status::BadChecksum);
    EXPECT_EQ(w.texts[1].rfind("Bad Checksum\n", 0), 0u) << w.texts[1];
  }
}

TEST(ObservableFrame, LostTimeListOrNumbersSkipTheMessage) {
  const Lost kLost[] = {{true, false, false}, {false, true, false}, {false, false, true}};
  for (const Family& fam : Families()) {
    for (const Lost& lost : kLost) {
      SCOPED_TRACE(std::string(fam.id) + (lost.time ? " time" : lost.list ? " list" : " numbers"));
      ConverterBench bench(Log({Message(fam.id, Repeat(fam.noData, 1))}));
      ListSatellites(bench.file(), {MapSatelliteIndex(kGps5, kListUnknownChannel)});
      const Walked w = Walk(bench, lost);
      ASSERT_EQ(w.results, std::vector<Status>{Status::Ok});
      EXPECT_EQ(w.texts[0], "Lost time, skipping\n");
    }
  }
}

TEST(ObservableFrame, WrongElementCountDropsTheWholeMessage) {
  for (const Family& fam : Families()) {
    SCOPED_TRACE(fam.id);
    // One element short, one too many, and an empty body.
    ConverterBench bench(
        Log({List({kGps5, 9}), Message(fam.id, Repeat(fam.noData, 1)), Message(fam.id, Repeat(fam.noData, 3)),
             qzrtest::RawMessage(fam.id, "000", {}), Message("GT", BodyBuilder().U8(0))}));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, std::vector<Status>(5, Status::Ok));
    EXPECT_EQ(w.texts[1], "    Error Len! Expected:2 arrived: 1\n");
    EXPECT_EQ(w.texts[2], "    Error Len! Expected:2 arrived: 3\n");
    EXPECT_EQ(w.texts[3], "    Error Len! Expected:2 arrived: 0\n");
  }
}

// ---- each family's value, scale and target ----

enum class Field { Pseudorange, CarrierPhase, Doppler, Smoothing, SignalToNoise };

double Read(const SignalSlot& s, Field field) {
  switch (field) {
    case Field::Pseudorange: return s.pseudorange;
    case Field::CarrierPhase: return s.carrierPhase;
    case Field::Doppler: return s.doppler;
    case Field::Smoothing: return s.smoothingCorrection;
    case Field::SignalToNoise: return s.status2;
  }
  return 0;
}

// A C/A pseudorange with a part below the short form's 1e-11 s resolution.
constexpr double kCaRange = 0.0700000000049;

struct ValueCase {
  const char* name;
  std::uint8_t index;
  bool withCaRange;  // an [RC] of kCaRange first
  Bytes message;
  int signal;
  Field field;
  double expected;
  double tolerance;
  std::uint16_t flags;
  const char* text;
};

TEST(ObservableFamilies, ScaleAndStoreTheirValues) {
  constexpr double kL1 = 1575420000.0;
  constexpr double kGlonassL1Minus5 = 1602000000.0 - 5 * 562500.0;
  constexpr double kGlonassL2Minus5 = 1246000000.0 - 5 * 437500.0;
  // The C/A range as the short form carries it: (kCaRange - 0.075) is
  // -499999999.51e-11 s, cut toward zero to -499999999e-11.
  constexpr double kCaRangeCarried = 0.07000000001;
  const ValueCase kCases[] = {
      {"full range C/A", kGps5, false, Values<double>("RC", {0.0712}), 0, Field::Pseudorange, 0.0712, 0,
       0x0110, "0.0712 \n"},
      {"full range P1 has no set mark", kGps5, false, Values<double>("R1", {0.0712}), 1, Field::Pseudorange,
       0.0712, 0, 0x0100, "0.0712 \n"},
      {"full range L2", kGps5, false, Values<double>("R2", {0.0712}), 2, Field::Pseudorange, 0.0712, 0,
       0x0108, "0.0712 \n"},
      {"relative range", kGps5, true, Values<float>("2R", {0x1p-20f}), 2, Field::Pseudorange,
       kCaRange + 0x1p-20, 1e-15, 0x0108, "9.53674e-07 \n"},
      {"short range 0 is 0.075 s", kGps5, false, Values<std::int32_t>("rc", {0}), 0, Field::Pseudorange,
       0.075, 1e-15, 0x0110, "0 (0.075) \n"},
      {"short range negative", kGps5, false, Values<std::int32_t>("r1", {-2000000000}), 1, Field::Pseudorange,
       0.055, 1e-15, 0x0100, "-2000000000 (0.055) \n"},
      {"short relative range", kGps5, true, Values<std::int16_t>("2r", {1000}), 2, Field::Pseudorange,
       kCaRange + 2e-7 + 1e-8, 1e-15, 0x0108, "1000 \n"},
      {"full phase", kGps5, false, Values<double>("PC", {-12345.5}), 0, Field::CarrierPhase, -12345.5, 0,
       0x0210, "-12345.5 \n"},
      {"relative phase GPS L1", kGps5, true, Values<float>("CP", {0x1p-10f}), 0, Field::CarrierPhase,
       kL1 * (0x1p-10 + kCaRange), 1e-5, 0x0310, "0.000976562 \n"},
      {"relative phase GLONASS L1 P", kGlonassChannelMinus5, true, Values<float>("1P", {0x1p-10f}), 1,
       Field::CarrierPhase, kGlonassL1Minus5 * (0x1p-10 + kCaRange), 1e-5, 0x0200, "0.000976562 \n"},
      {"relative phase GLONASS L2", kGlonassChannelMinus5, true, Values<float>("2P", {0x1p-10f}), 2,
       Field::CarrierPhase, kGlonassL2Minus5 * (0x1p-10 + kCaRange), 1e-5, 0x0208, "0.000976562 \n"},
      {"short relative phase uses the carried range", kGps5, true, Values<std::int32_t>("cp", {1 << 30}), 0,
       Field::CarrierPhase, kL1 * (0x1p-10 + kCaRangeCarried), 1e-4, 0x0310, "1073741824 \n"},
      {"Doppler", kGps5, false, Values<std::int32_t>("DC", {-12345678}), 0, Field::Doppler, -1234.5678, 1e-3,
       0x0410, "-12345678 \n"},
      {"Doppler at its lower limit", kGps5, false, Values<std::int32_t>("D2", {-200000000}), 2,
       Field::Doppler, -20000, 0, 0x0408, "-200000000 \n"},
      {"smoothing skips its two spare bytes", kGps5, false,
       Message("CC", BodyBuilder().F32(1e-9f).U16(0xABCD)), 0, Field::Smoothing, 0.299792458, 1e-6, 0x0810,
       "1e-09 \n"},
      {"short smoothing adds nothing of the range", kGps5, true, Values<std::int16_t>("c2", {-100}), 2,
       Field::Smoothing, -0.299792458, 1e-6, 0x0808, "-100 \n"},
      {"C/N0 dB-Hz", kGps5, false, Values<std::uint8_t>("EC", {45}), 0, Field::SignalToNoise, 45, 0, 0x0050,
       "45 \n"},
      {"C/N0 byte 2 is data", kGps5, false, Values<std::uint8_t>("E1", {2}), 1, Field::SignalToNoise, 2, 0,
       0x0040, "2 \n"},
      {"C/N0 quarter dB-Hz", kGps5, false, Values<std::uint8_t>("2E", {180}), 2, Field::SignalToNoise, 180, 0,
       0x4048, "180 \n"},
  };
  for (const ValueCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> messages = ListOf(c.index);
    if (c.withCaRange) messages.push_back(Values<double>("RC", {kCaRange}));
    messages.push_back(c.message);
    ConverterBench bench(Log(messages));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, std::vector<Status>(messages.size(), Status::Ok));
    EXPECT_EQ(w.texts.back(), c.text);
    const SignalSlot& set = SetOf(bench.file(), 0, c.signal);
    EXPECT_NEAR(Read(set, c.field), c.expected, c.tolerance);
    EXPECT_EQ(set.signalFlags, c.flags);
  }
}

struct LimitCase {
  const char* name;
  std::uint8_t index;
  Bytes message;
  int signal;
  std::uint16_t validFlag;
  bool stored;
  const char* text;
};

TEST(ObservableLimits, BothBoundsAreInclusiveAndDependOnTheSystem) {
  const LimitCase kCases[] = {
      {"GPS range 0.1", kGps5, Values<double>("RC", {0.1}), 0, kFlagPseudorange, true, "0.1 \n"},
      {"GEO range 0.1", kGeo125, Values<double>("RC", {0.1}), 0, kFlagPseudorange, true, "0.1 \n"},
      {"GPS range above", kGps5, Values<double>("RC", {0.1000001}), 0, kFlagPseudorange, false,
       "0.1 0.1>MAX( 0.1 )   \n"},
      {"GPS range 0.05", kGps5, Values<double>("RC", {0.05}), 0, kFlagPseudorange, true, "0.05 \n"},
      {"GPS range below", kGps5, Values<double>("RC", {0.0499999}), 0, kFlagPseudorange, false,
       "0.0499999 0.0499999<MIN( 0.05 )   \n"},
      {"GLONASS range 0.1", kGlonassChannelMinus5, Values<double>("R2", {0.1}), 2, kFlagPseudorange, true,
       "0.1 \n"},
      {"GEO range 0.2", kGeo125, Values<double>("R1", {0.2}), 1, kFlagPseudorange, true, "0.2 \n"},
      {"GEO range above", kGeo125, Values<double>("R1", {0.2000001}), 1, kFlagPseudorange, false,
       "0.2 0.2>MAX( 0.2 )   \n"},
      {"GEO range below", kGeo125, Values<double>("RC", {0.0999}), 0, kFlagPseudorange, false,
       "0.0999 0.0999<MIN( 0.1 )   \n"},
      {"GEO short range always below", kGeo125, Values<std::int32_t>("rc", {0}), 0, kFlagPseudorange, false,
       "0 (0.075) 0.075<MIN( 0.1 )   \n"},
      {"GPS short range top", kGps5, Values<std::int32_t>("rc", {2147483646}), 0, kFlagPseudorange, true,
       "2147483646 (0.0964748) \n"},
      {"GPS short range bottom", kGps5, Values<std::int32_t>("r2", {-2147483647 - 1}), 2, kFlagPseudorange,
       true, "-2147483648 (0.0535252) \n"},
      {"range infinity", kGps5, Values<double>("RC", {kInf}), 0, kFlagPseudorange, false,
       "inf inf>MAX( 0.1 )   \n"},
      {"phase 1e15", kGps5, Values<double>("PC", {1e15}), 0, kFlagCarrierPhase, true, "1e+15 \n"},
      {"phase -1e15", kGps5, Values<double>("P2", {-1e15}), 2, kFlagCarrierPhase, true, "-1e+15 \n"},
      {"phase above", kGps5, Values<double>("P1", {1.0000001e15}), 1, kFlagCarrierPhase, false,
       "1e+15 1e+15>MAX( 1e+15 )   \n"},
      {"phase below", kGps5, Values<double>("PC", {-1.0000001e15}), 0, kFlagCarrierPhase, false,
       "-1e+15 -1e+15<MIN( -1e+15 )   \n"},
      {"GEO Doppler at limit", kGeo125, Values<std::int32_t>("DC", {100000000}), 0, kFlagDoppler, true,
       "100000000 \n"},
      {"GEO Doppler above", kGeo125, Values<std::int32_t>("DC", {100000001}), 0, kFlagDoppler, false,
       "100000001 100000001>MAX( 100000000 )   \n"},
      {"GEO Doppler below", kGeo125, Values<std::int32_t>("D2", {-100000001}), 2, kFlagDoppler, false,
       "-100000001 -100000001<MIN( -100000000 )   \n"},
      {"GPS Doppler at limit", kGps5, Values<std::int32_t>("D1", {200000000}), 1, kFlagDoppler, true,
       "200000000 \n"},
      {"GPS Doppler above", kGps5, Values<std::int32_t>("D1", {200000001}), 1, kFlagDoppler, false,
       "200000001 200000001>MAX( 200000000 )   \n"},
      {"GLONASS Doppler below", kGlonassChannelMinus5, Values<std::int32_t>("D2", {-200000001}), 2,
       kFlagDoppler, false, "-200000001 -200000001<MIN( -200000000 )   \n"},
  };
  for (const LimitCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> messages = ListOf(c.index);
    messages.push_back(c.message);
    ConverterBench bench(Log(messages));
    const Walked w = Walk(bench);
    EXPECT_EQ(w.texts.back(), c.text);
    const std::uint16_t flags = SetOf(bench.file(), 0, c.signal).signalFlags;
    EXPECT_EQ((flags & c.validFlag) != 0, c.stored) << std::hex << flags;
  }
}

// ---- relative families and their C/A reference ----

struct RelativeCase {
  const char* id;
  Bytes element;
  const char* text;
};

TEST(ObservableRelative, WithoutACaPseudorangeEveryElementIsDropped) {
  const RelativeCase kCases[] = {
      {"1R", BodyBuilder().F32(1e-6f).bytes(), "1e-06 (No PR CA Code)1e-06 (No PR CA Code)\n"},
      {"2R", BodyBuilder().F32(1e-6f).bytes(), "1e-06 (No PR CA Code)1e-06 (No PR CA Code)\n"},
      {"1r", BodyBuilder().I16(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"2r", BodyBuilder().I16(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"CP", BodyBuilder().F32(1e-6f).bytes(), "1e-06 (No PR CA Code)  1e-06 (No PR CA Code)  \n"},
      {"1P", BodyBuilder().F32(1e-6f).bytes(), "1e-06 (No PR CA Code)  1e-06 (No PR CA Code)  \n"},
      {"2P", BodyBuilder().F32(1e-6f).bytes(), "1e-06 (No PR CA Code)  1e-06 (No PR CA Code)  \n"},
      {"cp", BodyBuilder().I32(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"1p", BodyBuilder().I32(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"2p", BodyBuilder().I32(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"cc", BodyBuilder().I16(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"c1", BodyBuilder().I16(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
      {"c2", BodyBuilder().I16(7).bytes(), "7 (No PR CA Code)  7 (No PR CA Code)  \n"},
  };
  for (const RelativeCase& c : kCases) {
    SCOPED_TRACE(c.id);
    // Satellite 5 has only a P-code range, satellite 9 a C/A range that its
    // limits dropped: neither is a reference.
    ConverterBench bench(Log({List({kGps5, 9}), Values<double>("R1", {0.07, 0.07}),
                              Values<double>("RC", {kNaN, 0.2}), Message(c.id, Repeat(c.element, 2))}));
    const Walked w = Walk(bench);
    EXPECT_EQ(w.texts.back(), c.text);
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(SetOf(bench.file(), i, 0).signalFlags, 0);
      EXPECT_EQ(SetOf(bench.file(), i, 2).signalFlags, 0);
    }
    EXPECT_EQ(SetOf(bench.file(), 0, 1).signalFlags, kFlagPseudorange);  // the P range alone
  }
}

TEST(ObservableRelative, ReferenceIsTheSameSatellitesCaRange) {
  ConverterBench bench(
      Log({List({kGps5, 9}), Values<double>("RC", {kNaN, 0.08}), Values<float>("2R", {1e-6f, 0x1p-20f})}));
  const Walked w = Walk(bench);
  EXPECT_EQ(w.texts.back(), "1e-06 (No PR CA Code)9.53674e-07 \n");
  EXPECT_EQ(SetOf(bench.file(), 0, 2).signalFlags, 0);
  EXPECT_DOUBLE_EQ(SetOf(bench.file(), 1, 2).pseudorange, 0.08 + 0x1p-20);
}

// ---- Doppler and C/N0 ----

TEST(ObservableDoppler, L1CaDopplerAlsoFillsTheL1PSet) {
  struct Case {
    const char* id;
    std::uint16_t flags[3];
  };
  const Case kCases[] = {
      {"DC", {0x0410, 0x1400, 0}},  // the P set's copy is marked as one
      {"D1", {0, 0x0400, 0}},
      {"D2", {0, 0, 0x0408}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.id);
    ConverterBench bench(Log({List({kGps5}), Values<std::int32_t>(c.id, {50000})}));
    Walk(bench);
    for (int s = 0; s < kSignalCount; ++s) {
      const SignalSlot& set = SetOf(bench.file(), 0, s);
      EXPECT_EQ(set.signalFlags, c.flags[s]) << "signal " << s;
      EXPECT_FLOAT_EQ(set.doppler, c.flags[s] != 0 ? 5.0f : 0.0f) << "signal " << s;
    }
  }
}

// The P set keeps its own L1 Doppler whichever message came first; the
// C/A Doppler fills it, marked as a copy, only when [D1] sent none.
TEST(ObservableDoppler, MeasuredL1PDopplerIsNeverReplacedByACopy) {
  struct Case {
    const char* name;
    const char* first;
    const char* second;
    std::uint16_t flags;
    float hertz;
  };
  const Case kCases[] = {
      {"DC then D1", "DC", "D1", 0x0400, 7.0f},
      {"D1 then DC", "D1", "DC", 0x0400, 5.0f},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log(
        {List({kGps5}), Values<std::int32_t>(c.first, {50000}), Values<std::int32_t>(c.second, {70000})}));
    Walk(bench);
    EXPECT_EQ(SetOf(bench.file(), 0, kSignalPL1).signalFlags, c.flags);
    EXPECT_FLOAT_EQ(SetOf(bench.file(), 0, kSignalPL1).doppler, c.hertz);
  }
}

TEST(ObservableSignalToNoise, LaterMessageDecidesTheUnits) {
  ConverterBench bench(
      Log({List({kGps5}), Values<std::uint8_t>("CE", {180}), Values<std::uint8_t>("EC", {44}),
           Values<std::uint8_t>("E2", {40}), Values<std::uint8_t>("2E", {160})}));
  Walk(bench);
  EXPECT_EQ(SetOf(bench.file(), 0, 0).status2, 44);
  EXPECT_EQ(SetOf(bench.file(), 0, 0).signalFlags, kFlagCn0InStatus2 | kFlagCaSet);
  EXPECT_EQ(SetOf(bench.file(), 0, 2).status2, 160);
  EXPECT_EQ(SetOf(bench.file(), 0, 2).signalFlags, kFlagCn0InStatus2 | kFlagCn0QuarterUnits | kFlagL2Set);
}

// ---- short carrier phase unwrapping ----

struct UnwrapCase {
  const char* name;
  std::vector<std::uint32_t> raws;
  std::int32_t wraps;
};

TEST(ShortCarrierPhase, UnwrapsAcrossTheQuarterBoundaries) {
  const UnwrapCase kCases[] = {
      {"top to bottom wraps up", {0xF0000000, 0x10000000}, 1},
      {"bottom to top wraps down", {0x10000000, 0xF0000000}, -1},
      {"a previous 0 never wraps down", {0xF0000000}, 0},
      {"a previous 0 then top then bottom", {0xF0000000, 0x10000000, 0xF0000000, 0x10000000}, 1},
      {"second quarter to top does not wrap", {0x50000000, 0xF0000000}, 0},
      {"exactly 0xC0000000 is not the top", {0xC0000000, 0x10000000}, 0},
      {"0x40000000 is not the bottom", {0xF0000000, 0x40000000}, 0},
      {"two wraps up", {0xF0000000, 0x10000000, 0x80000000, 0xF0000000, 0x3FFFFFFF}, 2},
  };
  for (const UnwrapCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> messages;
    std::uint32_t ms = 1000;
    for (const std::uint32_t raw : c.raws) {
      messages.push_back(Time(ms += 1000));
      messages.push_back(List({kGps5}));
      messages.push_back(Values<std::uint32_t>("pc", {raw}));
    }
    ConverterBench bench(Log(messages));
    Walk(bench);
    const PhaseTrack& track = bench.file().Assembly().phase.gps[0][kGps5 - 1];
    EXPECT_EQ(track.phaseWraps, c.wraps);
    EXPECT_EQ(track.lastRawPhase, c.raws.back());
    const SignalSlot& set = SetOf(bench.file(), 0, 0);
    EXPECT_DOUBLE_EQ(set.carrierPhase, (c.wraps * 4294967296.0 + c.raws.back()) / 1024);
    EXPECT_EQ(set.signalFlags, kFlagCarrierPhase | kFlagCaSet);
  }
}

TEST(ShortCarrierPhase, WrapUpGrowsThePhaseByTheStep) {
  ConverterBench bench(Log({List({kGps5}), Values<std::uint32_t>("pc", {0xF0000000})}));
  Walk(bench);
  const double before = SetOf(bench.file(), 0, 0).carrierPhase;
  ConverterBench after(Log({List({kGps5}), Values<std::uint32_t>("pc", {0xF0000000}), Time(2000),
                            List({kGps5}), Values<std::uint32_t>("pc", {0x10000000})}));
  const Walked w = Walk(after);
  EXPECT_DOUBLE_EQ(SetOf(after.file(), 0, 0).carrierPhase - before, 0x20000000 / 1024.0);
  EXPECT_EQ(w.texts.back(), "268435456 \n");
}

TEST(ShortCarrierPhase, EachSystemSignalAndSatelliteKeepsItsOwnCounter) {
  // GPS 5 and 6, GLONASS slot 3, GEO 125.
  const Bytes list = List({kGps5, 6, kGlonassChannelMinus5, kGeo125});
  const Bytes numbers = Values<std::int8_t>("NN", {3});
  ConverterBench bench(
      Log({list, numbers, Values<std::uint32_t>("pc", {0xF0000000, 0xF0000000, 0xF0000000, 0xF0000000}),
           Time(2000), list, numbers,
           Values<std::uint32_t>("pc", {0x10000000, 0xF0000000, 0x10000000, 0x10000000}),
           Values<std::uint32_t>("p2", {0x10000000, 0x10000000, 0x10000000, 0x10000000})}));
  Walk(bench);
  const PhaseUnwrapping& p = bench.file().Assembly().phase;
  EXPECT_EQ(p.gps[0][4].phaseWraps, 1);
  EXPECT_EQ(p.gps[0][5].phaseWraps, 0);
  EXPECT_EQ(p.glonass[0][3].phaseWraps, 1);
  EXPECT_EQ(p.geo[0][5].phaseWraps, 1);
  for (std::size_t i : {4u, 5u}) EXPECT_EQ(p.gps[2][i].phaseWraps, 0);
  EXPECT_EQ(p.glonass[2][3].phaseWraps, 0);
  EXPECT_EQ(p.geo[2][5].phaseWraps, 0);
  EXPECT_DOUBLE_EQ(SetOf(bench.file(), 3, 0).carrierPhase, (4294967296.0 + 0x10000000) / 1024);
}

// ---- per-satellite values outside the slots ----

TEST(ObservableExtras, ElevationTimeCorrectionAndAzimuth) {
  const Bytes list = List({kGps5, kUnknown, 9});
  ConverterBench bench(
      Log({list, Values<std::int8_t>("EL", {30, 20, 30}), Time(2000), list,
           Values<std::int8_t>("EL", {127, 20, -5}), Values<std::uint16_t>("TC", {0xFFFF, 1, 65534}),
           Values<std::uint8_t>("AZ", {180, 1, 255})}));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.texts.size(), 7u);
  EXPECT_EQ(w.texts[1], "30 Ignore 30 \n");
  EXPECT_EQ(w.texts[4], "NaN Ignore -5 \n");
  EXPECT_EQ(w.texts[5], "NaN Ignore 65534 \n");
  EXPECT_EQ(w.texts[6], "360 Ignore NaN \n");
  const auto& sats = bench.file().Assembly().epoch.satellites;
  EXPECT_EQ(sats[0].elevation, 0);  // the no-data marker stores 0
  EXPECT_EQ(sats[1].elevation, 0);
  EXPECT_EQ(sats[2].elevation, -5);
  for (std::size_t i = 0; i < 3; ++i) {
    for (const SignalSlot& s : bench.file().Assembly().epoch.slots[i].signals) EXPECT_EQ(s.signalFlags, 0);
  }
}

// ---- long lists and the slots touched ----

TEST(ObservableList, FortyEntriesAreAllDecoded) {
  BodyBuilder indexes;
  for (std::uint8_t n = 1; n <= 37; ++n) indexes.U8(n);
  indexes.U8(38).U8(39).U8(40);
  BodyBuilder ranges;
  for (std::int32_t i = 0; i < 40; ++i) ranges.I32(i * 1000);
  ConverterBench bench(
      Log({Message("SI", indexes), Values<std::int8_t>("NN", {1, 2, 3}), Message("rc", ranges)}));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>(3, Status::Ok));
  TQZRFile& f = bench.file();
  ASSERT_EQ(f.Assembly().epoch.count, 40);
  for (std::size_t i = 0; i < 40; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(SetOf(f, i, 0).signalFlags, kFlagPseudorange | kFlagCaSet);
    EXPECT_NEAR(SetOf(f, i, 0).pseudorange, 0.075 + static_cast<double>(i) * 1e-8, 1e-15);
  }
  EXPECT_EQ(f.Assembly().epoch.satellites[39].satelliteId, kSystemGlonass | 3);
}

TEST(ObservableList, OnlyTheListedSlotsAreTouchedAndCleared) {
  ConverterBench bench(Log({List({kGps5, 9, 12}), Values<std::int32_t>("rc", {1, 2, 3})}));
  Walk(bench);
  EpochInProgress& e = InProgress(bench.file());
  EXPECT_EQ(e.dirtySlots, 3u);
  e.slots[3].signals[0].signalFlags = 0x1234;  // outside the list: not ours to clear
  e.ClearSlots();
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(e.slots[i].signals[0].signalFlags, 0);
  EXPECT_EQ(e.slots[3].signals[0].signalFlags, 0x1234);
  EXPECT_EQ(e.dirtySlots, 0u);
  e.Touch(kMaxListEntries + 10);
  EXPECT_EQ(e.dirtySlots, e.slots.size());
}

// ---- whole-epoch messages ----

TEST(ObservableEpochValues, PositionVelocityAndDilution) {
  ConverterBench bench(Log({
      Values<double>("PO", {1.5, kNaN, -3e6}),
      Values<float>("VE", {1, 2, 3}),
      Message("PV", BodyBuilder().F64(4).F64(5).F64(6).U32(0xFFFFFFFF).F32(7).F32(kNaNf).F32(9)),
      Message("DP", BodyBuilder().F32(3).F32(4).F32(kNaNf).U8(255)),
  }));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>(4, Status::Ok));
  EXPECT_EQ(w.texts[0], "Position 1.5 NaN -3e+06 \n");
  EXPECT_EQ(w.texts[1], "Velocity 1 2 3\n");
  EXPECT_EQ(w.texts[2], "Position 4 5 6 \nVelocity 7 NaN 9\n");
  EXPECT_EQ(w.texts[3], "3 4 NaN 255\n");
  const EpochExtras& x = bench.file().Assembly().epochExtras;
  EXPECT_EQ(x.position, (std::array<double, 3>{4, 5, 6}));
  EXPECT_EQ(x.velocity, (std::array<float, 3>{7, 0, 9}));
  EXPECT_EQ(x.extrasFlags & kExtrasVelocity, 0);  // a NaN component clears it
  EXPECT_FLOAT_EQ(x.pdop, 5);
}

TEST(ObservableEpochValues, VelocityValidUntilANaN) {
  struct Case {
    std::array<float, 3> v;
    bool valid;
    const char* text;
  };
  const Case kCases[] = {
      {{1, 2, 3}, true, "Velocity 1 2 3\n"},
      {{kNaNf, 2, 3}, false, "Velocity NaN 2 3\n"},
      {{1, 2, kNaNf}, false, "Velocity 1 2 NaN\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    ConverterBench bench(Log({Message("VE", BodyBuilder().F32(c.v[0]).F32(c.v[1]).F32(c.v[2]))}));
    const Walked w = Walk(bench);
    EXPECT_EQ(w.texts[0], c.text);
    EXPECT_EQ((bench.file().Assembly().epochExtras.extrasFlags & kExtrasVelocity) != 0, c.valid);
  }
}

TEST(ObservableEpochValues, DilutionNeedsBothFirstValues) {
  struct Case {
    float a;
    float b;
    float pdop;
  };
  const Case kCases[] = {{3, 4, 5}, {0, 4, 9}, {3, 0, 9}, {kNaNf, 4, 9}, {-3, 4, 5}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
    ConverterBench bench(Log({Message("DP", BodyBuilder().F32(9).F32(0.0001f).F32(0).U8(1)),
                              Message("DP", BodyBuilder().F32(c.a).F32(c.b).F32(1).U8(2))}));
    Walk(bench);
    EXPECT_NEAR(bench.file().Assembly().epochExtras.pdop, c.pdop, 1e-5);
  }
}

TEST(ObservableEpochValues, ShortBodiesAreIgnored) {
  struct Case {
    const char* id;
    std::size_t length;
  };
  const Case kCases[] = {{"PO", 25}, {"VE", 13}, {"PV", 41}, {"DP", 14}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.id);
    const Bytes payload(c.length - 2, 0x11);  // one byte short, with its checksum
    ConverterBench bench(Log(
        {Message(c.id, payload), qzrtest::RawMessage(c.id, "000", {}), Message("GT", BodyBuilder().U8(0))}));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, std::vector<Status>(3, Status::Ok));
    EXPECT_EQ(w.texts[0], "    Error Len! Expected:" + std::to_string(c.length) +
                              " arrived: " + std::to_string(c.length - 1) + "\n");
    EXPECT_EQ(w.texts[1], "    Error Len! Expected:" + std::to_string(c.length) + " arrived: 0\n");
    const EpochExtras& x = bench.file().Assembly().epochExtras;
    EXPECT_EQ(x.position, (std::array<double, 3>{}));
    EXPECT_EQ(x.extrasFlags, 0);
    EXPECT_EQ(x.pdop, 0);
  }
}

TEST(ObservableEpochValues, ChecksumAndLostFlags) {
  const char* kIds[] = {"PO", "VE", "PV", "DP"};
  for (const char* id : kIds) {
    SCOPED_TRACE(id);
    const Bytes payload(45, 0x22);
    ConverterBench lost(Log({Message(id, payload)}));
    const Walked l = Walk(lost, {true, false, false});
    EXPECT_EQ(l.texts[0], "Lost time, skipping\n");
    ConverterBench bad(Log({qzrtest::BadChecksumMessage(id, payload)}));
    const Walked b = Walk(bad);
    EXPECT_EQ(b.results[0], Status::BadChecksum);
    EXPECT_EQ(b.texts[0].rfind("Bad Checksum\n", 0), 0u);
    EXPECT_EQ(bad.file().Assembly().epochExtras.position, (std::array<double, 3>{}));
  }
}

TEST(ObservableAccepted, OnlyTheChecksumIsChecked) {
  const char* kIds[] = {"FC", "F1", "F2", "NC", "N1", "N2"};
  for (const char* id : kIds) {
    SCOPED_TRACE(id);
    ConverterBench bench(Log({Message(id, Bytes{1, 2, 3}), qzrtest::RawMessage(id, "000", {}),
                              qzrtest::BadChecksumMessage(id, Bytes{1, 2, 3})}));
    const Walked w = Walk(bench, {true, true, true});
    ASSERT_GE(w.results.size(), 3u);
    EXPECT_EQ(w.results[0], Status::Ok);
    EXPECT_EQ(w.texts[0], "");
    EXPECT_EQ(w.texts[1], "    Error Len! Expected:1 arrived: 0\n");
    EXPECT_EQ(w.results[2], Status::BadChecksum);
  }
}

}  // namespace
}  // namespace qzr2rin
