// Size and processor time (not wall time: the machine may be shared) of GzipSink over one file for each level
// and block size. Build from the repository root:
//   g++ -std=c++20 -O2 -Isrc bench/gzip_levels.cpp src/output/gzip_sink.cpp -ldeflate -o /tmp/gzip_levels
// Run: /tmp/gzip_levels FILE   (prints one table row per level and block)

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "output/gzip_sink.h"

namespace {

class CountingSink final : public qzr2rin::ByteSink {
 public:
  void Write(std::string_view bytes) override { size_ += bytes.size(); }
  bool Flush() override { return true; }
  std::size_t Size() const { return size_; }

 private:
  std::size_t size_ = 0;
};

constexpr int kLevels[] = {1, 4, 6, 9};
constexpr std::size_t kKiB = 1024;
constexpr std::size_t kBlocks[] = {256 * kKiB, 1024 * kKiB, 4096 * kKiB};
// Lines of about this length, as a formatter writes them.
constexpr std::size_t kLine = 81;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gzip_levels FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("input %zu bytes\nlevel  block KiB   output bytes  ratio %%   cpu s  MB/s\n", text.size());
  for (const int level : kLevels) {
    for (const std::size_t block : kBlocks) {
      CountingSink counter;
      const std::clock_t start = std::clock();
      qzr2rin::GzipSink sink(counter, level, block);
      for (std::size_t at = 0; at < text.size(); at += kLine)
        sink.Write(std::string_view(text).substr(at, kLine));
      sink.Flush();
      const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
      std::printf("%5d %10zu %14zu %8.3f %9.2f %5.0f\n", level, block / kKiB, counter.Size(),
                  100.0 * static_cast<double>(counter.Size()) / static_cast<double>(text.size()), seconds,
                  static_cast<double>(text.size()) / seconds / 1e6);
    }
  }
  return 0;
}
