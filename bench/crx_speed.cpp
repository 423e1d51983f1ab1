// Times the compact RINEX stage on a RINEX observation file already in
// memory; its output is only counted unless an output file is named. Not
// part of the build; compile it against a build directory's libraries:
//
//   g++ -std=c++20 -O2 -Isrc -Iinclude bench/crx_speed.cpp <build>/libqzr2rin_output.a \
//       <build>/libqzr2rin_model.a <build>/libqzr2rin_decoders.a <build>/libqzr2rin_input.a \
//       <build>/libqzr2rin_base.a <build>/libqzr2rin_platform.a -o crx_speed
//   ./crx_speed input.rnx [output.crx]

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "output/compact/compact_rinex.h"

using namespace qzr2rin;

namespace {

class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(bool keep) : keep_(keep) {}
  void Write(std::string_view bytes) override {
    count_ += bytes.size();
    if (keep_) text_.append(bytes);
  }
  bool Flush() override { return true; }
  std::size_t Count() const { return count_; }
  const std::string& Text() const { return text_; }

 private:
  bool keep_;
  std::size_t count_ = 0;
  std::string text_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: crx_speed input.rnx [output.crx]\n");
    return 2;
  }
  std::ostringstream read;
  read << std::ifstream(argv[1], std::ios::binary).rdbuf();
  const std::string text = std::move(read).str();
  constexpr std::size_t kPiece = 1 << 16;  // what a buffered writer hands on at a time
  CountingSink out(argc > 2);
  const platform::CalendarTime when{.year = 2026, .month = 12, .day = 10, .hour = 5, .minute = 47};
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  CompactRinexSink sink(out, "QZR2RIN", when);
  for (std::size_t at = 0; at < text.size(); at += kPiece)
    sink.Write(std::string_view(text).substr(at, kPiece));
  const bool ok = sink.Flush();
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu bytes in, %zu out, %.3f s wall, %.3f s CPU, %.0f MB/s of CPU time%s%s\n", text.size(),
              out.Count(), wall, cpu, static_cast<double>(text.size()) / 1e6 / cpu,
              ok ? "" : ", problem: ", sink.Problem().c_str());
  if (argc > 2) std::ofstream(argv[2], std::ios::binary) << out.Text();
  return ok ? 0 : 1;
}
