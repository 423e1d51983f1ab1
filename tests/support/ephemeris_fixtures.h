#pragma once

// What the navigation-message decoder tests share: the bodies the length
// and checksum gate refuses, and the output window they are tried against.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "decoders/qzr_file.h"
#include "support/converter_bench.h"
#include "support/qzr_writer.h"

namespace qzrtest {

// The position (F64) then velocity and acceleration (F32) that GEO and
// GLONASS bodies both carry, from test fields of these names.
template <typename Fields>
BodyBuilder& AddOrbit(BodyBuilder& b, const Fields& e) {
  return b.F64(e.x).F64(e.y).F64(e.z).F32(e.vx).F32(e.vy).F32(e.vz).F32(e.ax).F32(e.ay).F32(e.az);
}

// The stored record holds the orbit exactly as sent.
template <typename Record, typename Fields>
void ExpectOrbit(const Record& r, const Fields& e) {
  EXPECT_EQ(r.x, e.x);
  EXPECT_EQ(r.y, e.y);
  EXPECT_EQ(r.z, e.z);
  EXPECT_EQ(r.vx, e.vx);
  EXPECT_EQ(r.vy, e.vy);
  EXPECT_EQ(r.vz, e.vz);
  EXPECT_EQ(r.ax, e.ax);
  EXPECT_EQ(r.ay, e.ay);
  EXPECT_EQ(r.az, e.az);
}

// A log of this one message.
LogBuilder LogOf(const Bytes& message);

// What the decoder wrote after the first message's own dump line.
std::string DecoderText(ConverterBench& bench);

// Records kept over all satellites of one system.
template <typename Lists>
std::size_t TotalRecords(const Lists& lists) {
  std::size_t n = 0;
  for (const auto& list : lists) n += list.size();
  return n;
}

// Walks `id` alone with its payload one byte short, with only its checksum,
// and with a damaged checksum. Each must give its own result and dump line
// and store nothing; `length` is the layout's length with the checksum.
// `prepare` sets the converter up before the walk, `stored` counts what
// the decoder kept, and `unseen` (when not empty) must not be in the dump:
// a refused body is never decoded.
void ExpectRefusedBodiesIgnored(std::string_view id, const Bytes& payload, std::size_t length,
                                const std::function<void(qzr2rin::TQZRFile&)>& prepare,
                                const std::function<std::size_t(const qzr2rin::TQZRFile&)>& stored,
                                std::string_view unseen = {});

// An output window as the command line leaves it once the first date is
// known; `kept` says whether the one ephemeris tried against it is stored.
struct WindowCase {
  const char* name;
  bool given;
  std::uint32_t start;   // 0: open
  std::uint32_t finish;  // 0: open
  bool kept;
};

void SetWindow(qzr2rin::TQZRFile& f, const WindowCase& c);

}  // namespace qzrtest
