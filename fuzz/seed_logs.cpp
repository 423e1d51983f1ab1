// Writes the starting corpus of the conversion fuzz target into one
// directory: small logs that reach each family of decoders, each followed by
// the byte that chooses the target's switches.
//
//   conversion_fuzz_seeds DIR

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/qzr_writer.h"

namespace {

using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::LogBuilder;

// 2004-02-01, 10:00:00 receiver time.
constexpr std::uint32_t kTen = 36'000'000;

LogBuilder Identified(const char* receiver = "QZR 3.0") {
  LogBuilder log;
  log.Add(qzrtest::IdentificationMessage(receiver)).LineBreak().Add(qzrtest::FormatMessage()).LineBreak();
  log.Add(qzrtest::TextMessage("PM", "rcvid=\"0123456789AB\"")).LineBreak();
  log.Add(qzrtest::TextMessage("PM", "version/main=\"2.3 Jan,01,2003\"")).LineBreak();
  log.Add("RD", BodyBuilder().U16(2004).U8(2).U8(1).U8(0)).LineBreak();
  return log;
}

LogBuilder& Time(LogBuilder& log, std::uint32_t ms) {
  return log.Add("~~", BodyBuilder().U32(ms)).LineBreak();
}

// GPS 5 and 12, GLONASS channel -5 numbered slot 3, GEO 122.
void MixedList(LogBuilder& log) {
  log.Add("SI", BodyBuilder().U8(5).U8(12).U8(40).U8(122)).LineBreak();
  log.Add("NN", BodyBuilder().I8(3)).LineBreak();
}

// Epochs of full-precision observables on every signal.
LogBuilder FullEncoding() {
  LogBuilder log = Identified();
  for (std::uint32_t i = 0; i < 6; ++i) {
    Time(log, kTen + i * 1000);
    MixedList(log);
    for (const char* id : {"RC", "R1", "R2"}) {
      log.Add(id, BodyBuilder().F64(0.0712).F64(0.0734).F64(0.0698).F64(0.1302)).LineBreak();
    }
    for (const char* id : {"PC", "P1", "P2"}) {
      log.Add(id, BodyBuilder().F64(-12345.5 - i).F64(2345.25).F64(1e6).F64(-7.5)).LineBreak();
    }
    for (const char* id : {"DC", "D1", "D2"}) {
      log.Add(id, BodyBuilder().I32(-1234567).I32(2345678).I32(-33).I32(0x7FFFFFFF)).LineBreak();
    }
    for (const char* id : {"EC", "E1", "E2"})
      log.Add(id, BodyBuilder().U8(45).U8(40).U8(38).U8(255)).LineBreak();
    log.Add("CC", BodyBuilder().F32(0.25f).U16(3).F32(-0.5f).U16(4).F32(1.0f).U16(5).F32(0).U16(0))
        .LineBreak();
    log.Add("SS", BodyBuilder().U8(1).U8(2).U8(3).U8(4)).LineBreak();
    log.Add("TO", BodyBuilder().F64(0.000125)).LineBreak();
    log.Add("DO", BodyBuilder().F32(0.5f)).LineBreak();
    log.Add("EL", BodyBuilder().U8(45).U8(10).U8(80).U8(127)).LineBreak();
    log.Add("AZ", BodyBuilder().U8(45).U8(10).U8(80).U8(255)).LineBreak();
  }
  Time(log, kTen + 6000);
  return log;
}

// Short and relative encodings: the short C/A range with differences for
// the other signals.
LogBuilder ShortRelativeEncoding() {
  LogBuilder log = Identified();
  for (std::uint32_t i = 0; i < 8; ++i) {
    Time(log, kTen + i * 1000);
    MixedList(log);
    log.Add("rc", BodyBuilder().I32(100).I32(-100).I32(20000).I32(-3)).LineBreak();
    log.Add("1r", BodyBuilder().I16(10).I16(-10).I16(0x7FFF).I16(5)).LineBreak();
    log.Add("2r", BodyBuilder().I16(-7).I16(7).I16(1).I16(0)).LineBreak();
    log.Add("1R", BodyBuilder().F32(1e-9f).F32(-2e-9f).F32(0).F32(3e-9f)).LineBreak();
    log.Add("pc", BodyBuilder().U32(1000 + i).U32(2000).U32(0xFFFFFFFF).U32(4)).LineBreak();
    log.Add("cp", BodyBuilder().I32(12).I32(-12).I32(0).I32(99)).LineBreak();
    log.Add("1p", BodyBuilder().I32(1).I32(2).I32(3).I32(4)).LineBreak();
    log.Add("2P", BodyBuilder().F32(0.5f).F32(-0.5f).F32(1.5f).F32(0)).LineBreak();
    log.Add("cc", BodyBuilder().I16(1).I16(-1).I16(0x7FFF).I16(0)).LineBreak();
    log.Add("CE", BodyBuilder().U8(45).U8(40).U8(38).U8(1)).LineBreak();
    log.Add("TC", BodyBuilder().U16(12).U16(0xFFFF).U16(3).U16(4)).LineBreak();
  }
  Time(log, kTen + 8000);
  return log;
}

Bytes GpsEphemeris(std::uint8_t sv) {
  BodyBuilder b;
  b.U8(sv).U32(21600).U8(0).U16(0x1A5).I32(28800).I8(2).U8(0).I16(1256);
  b.F32(-1.1641532e-08f).F32(0).F32(-2.2737368e-12f).F32(1.0e-9f).I32(28800).I16(0xA5);
  b.F64(5153.6789).F64(0.0123).F64(0.25).F64(-0.5).F64(0.3).F64(0.75);
  b.F32(1.5e-9f).F32(-2.5e-9f).F32(1e-10f);
  b.F32(250.5f).F32(-12.25f).F32(1e-6f).F32(2e-6f).F32(-3e-8f).F32(4e-8f);
  return qzrtest::Message("GE", b);
}

Bytes GlonassEphemeris() {
  BodyBuilder b;
  b.U8(3).U8(static_cast<std::uint8_t>(-5)).I16(32).I32(36000).I32(36900).U8(0).U8(2).U8(0);
  b.F64(12345.678).F64(-2345.5).F64(19876.25).F32(1.5f).F32(-2.25f).F32(3.125f);
  b.F32(1e-9f).F32(-2e-9f).F32(3e-9f).F64(-1.25e-8).F32(4.5e-5f).F32(-1.8e-12f);
  return qzrtest::Message("NE", b);
}

Bytes GeoEphemeris() {
  BodyBuilder b;
  b.U8(122).U8(7).U8(0x1F).U8(0x0A).U32(36000).F64(-12345.5).F64(2e7).F64(0.25);
  b.F32(1.5f).F32(-0.125f).F32(2.0f).F32(1e-4f).F32(-1e-5f).F32(0).F32(1.5e-8f).F32(-2.5e-12f);
  b.U32(36000).U16(1256);
  return qzrtest::Message("WE", b);
}

// Observations with every kind of navigation data beside them.
LogBuilder Navigation() {
  LogBuilder log = Identified();
  BodyBuilder iono;
  iono.U32(21600).U16(1256);
  for (const float v : {1e-8f, 2e-8f, -6e-8f, 1e-7f, 90112.0f, 0.0f, -196608.0f, 65536.0f}) iono.F32(v);
  const BodyBuilder relation =
      BodyBuilder().F64(-9.3e-10).F32(-8.9e-15f).I32(61440).U16(1256).I8(13).U8(5).U16(1256).I8(13);
  log.Add("UO", relation).LineBreak();
  log.Add("IO", iono).LineBreak();
  log.Add("WO", BodyBuilder(relation).I8(0).I32(345600).U16(1256)).LineBreak();
  for (std::uint32_t i = 0; i < 4; ++i) {
    Time(log, kTen + i * 30000);
    MixedList(log);
    log.Add("RC", BodyBuilder().F64(0.0712).F64(0.0734).F64(0.0698).F64(0.1302)).LineBreak();
    log.Add("PC", BodyBuilder().F64(-12345.5).F64(2345.25).F64(1e6).F64(-7.5)).LineBreak();
    if (i == 1) {
      log.Add(GpsEphemeris(5)).LineBreak().Add(GpsEphemeris(12)).LineBreak();
      log.Add(GlonassEphemeris()).LineBreak().Add(GeoEphemeris()).LineBreak();
    }
  }
  Time(log, kTen + 120000);
  return log;
}

// Occupations, user and external events, a signature.
LogBuilder Events() {
  LogBuilder log = Identified();
  for (std::uint32_t i = 0; i < 10; ++i) {
    Time(log, kTen + i * 1000);
    log.Add("SI", BodyBuilder().U8(5).U8(12)).LineBreak();
    log.Add("rc", BodyBuilder().I32(100).I32(-100)).LineBreak();
    if (i == 2) log.Add("==", BodyBuilder().U32(kTen + 2000).U8(0).Text("_CAN=bench")).LineBreak();
    if (i == 3) log.Add("==", BodyBuilder().U32(kTen + 3000).U8(0).Text("_SIT=north")).LineBreak();
    if (i == 4) log.Add("==", BodyBuilder().U32(kTen + 4000).U8(0).Text("_DYN=1")).LineBreak();
    if (i == 5) log.Add("XA", BodyBuilder().U32(kTen + 5500).U32(7).U8(0)).LineBreak();
    if (i == 6) log.Add("XB", BodyBuilder().U32(kTen + 6500).U32(9)).LineBreak();
    if (i == 7) log.Add("==", BodyBuilder().U32(kTen + 7000).U8(0).Text("_ANH=1.5")).LineBreak();
    if (i == 8) log.Add("SE", BodyBuilder().U32(0x12345678).U8(1).U32(kTen)).LineBreak();
  }
  Time(log, kTen + 10000);
  log.Add("PO", BodyBuilder().F64(4e6).F64(1e6).F64(4.8e6)).LineBreak();
  log.Add("VE", BodyBuilder().F32(0).F32(0).F32(0)).LineBreak();
  log.Add("DP", BodyBuilder().F32(1.5f).F32(2.5f).F32(1.1f).U8(0)).LineBreak();
  return log;
}

// Bits appended most significant first within each little-endian field of
// the raw measurement message, which packs its fields bit by bit.
class Bits {
 public:
  Bits& Put(std::uint64_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i, ++bit_) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (1u << (bit_ % 8)));
    }
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  unsigned bit_ = 0;
};

// Raw measurement epochs of two satellites, with a reference epoch ahead.
LogBuilder RawMeasurements() {
  LogBuilder log = Identified();
  constexpr std::uint32_t kWeekMs = 0 * 86'400'000 + kTen;
  for (std::uint32_t i = 0; i < 5; ++i) {
    Bits w;
    w.Put(i, 16).Put(1256, 11).Put(0, 2).Put(0, 3).Put(kWeekMs + i * 1000, 32).Put(0, 2).Put(10, 14);
    w.Put(0, 5).Put(0, 3).Put(2, 5).Put(0, 3);
    for (const std::uint8_t index : {std::uint8_t{5}, std::uint8_t{40}}) {
      w.Put(1'000'000'000u + i * 37, 32).Put(index, 8).Put(1, 3).Put(0, 5);
      w.Put(0, 6).Put(index & 0x1F, 5).Put(3, 5).Put(45, 6).Put(0, 3).Put(0, 3).Put(1000 + i, 20);
      w.Put(0, 16).Put(100, 10).Put(0, 6).Put(0, 7).Put(12345, 25);
      w.Put(25, 16).Put(40, 6).Put(0, 3).Put(2, 3).Put(2000 + i, 20);
      w.Put(0, 16).Put(100, 10).Put(0, 6).Put(0, 7).Put(9876, 25);
    }
    log.Add(qzrtest::CrcMessage("rM", w.bytes())).LineBreak();
  }
  log.Add(qzrtest::CrcMessage("rE", BodyBuilder().U16(1256).U32(kTen).U16(0))).LineBreak();
  return log;
}

void Write(const std::string& dir, const std::string& name, const LogBuilder& log, std::uint8_t selector) {
  Bytes bytes = log.bytes();
  bytes.push_back(selector);
  const std::string path = dir + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  struct Seed {
    const char* name;
    LogBuilder log;
  };
  const std::vector<Seed> seeds = {
      {"full", FullEncoding()}, {"short", ShortRelativeEncoding()}, {"navigation", Navigation()},
      {"events", Events()},     {"raw", RawMeasurements()},
  };
  // Each log under a few switch sets: plain, dump log, the process-wide
  // flags, a time window, exclusions, and with its checksums left alone.
  for (const Seed& s : seeds) {
    for (const unsigned selector : {0x00u, 0x01u, 0x02u, 0x04u, 0x06u, 0x0Bu, 0x11u}) {
      char suffix[8];
      std::snprintf(suffix, sizeof suffix, "-%02x", selector);
      Write(dir, std::string(s.name) + suffix, s.log, static_cast<std::uint8_t>(selector));
    }
  }
  return 0;
}
