// Times the compact RINEX stage on a RINEX observation file already in
// memory, and writes what it made. Not part of the build; compile it against
// a build directory's output library:
//
//   g++ -std=c++20 -O2 -Isrc -Iinclude bench/crx_speed.cpp <build>/libqzr2rin_output.a \
//       <build>/libqzr2rin_model.a <build>/libqzr2rin_decoders.a <build>/libqzr2rin_input.a \
//       <build>/libqzr2rin_base.a <build>/libqzr2rin_platform.a -o crx_speed
//   ./crx_speed input.rnx [output.crx]

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "output/compact/compact_rinex.h"

using namespace qzr2rin;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: crx_speed input.rnx [output.crx]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  constexpr std::size_t kPiece = 1 << 16;  // what a buffered writer hands on at a time
  StringSink out;
  const platform::CalendarTime when{.year = 2026, .month = 12, .day = 10, .hour = 5, .minute = 47};
  const auto start = std::chrono::steady_clock::now();
  CompactRinexSink sink(out, "QZR2RIN", when);
  for (std::size_t at = 0; at < text.size(); at += kPiece)
    sink.Write(std::string_view(text).substr(at, kPiece));
  const bool ok = sink.Flush();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu bytes in, %zu out, %.3f s, %.0f MB/s%s%s\n", text.size(), out.Text().size(), seconds,
              static_cast<double>(text.size()) / 1e6 / seconds,
              ok ? "" : ", problem: ", sink.Problem().c_str());
  if (argc > 2) std::ofstream(argv[2], std::ios::binary) << out.Text();
  return ok ? 0 : 1;
}
