// Gzip output: what any gzip reader reads back, headers that never vary,
// and a lost byte downstream reported at the end.

#include "output/gzip_sink.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kBlock = 64;

// Text that does not repeat within a block, so that a member boundary in the
// wrong place shows up as wrong bytes rather than as the same bytes.
std::string Text(std::size_t size) {
  std::string text;
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    text.push_back(static_cast<char>('a' + (state >> 16) % 26));
  }
  return text;
}

struct Member {
  std::size_t offset;  // of its header in the gzip bytes
  std::string text;
};

// The members one after another, each decompressed on its own.
std::vector<Member> Members(const std::string& gz) {
  const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  std::vector<Member> members;
  std::size_t at = 0;
  while (at < gz.size()) {
    std::string out(kBlock, '\0');
    std::size_t in = 0;
    std::size_t produced = 0;
    const auto result = libdeflate_gzip_decompress_ex(d.get(), gz.data() + at, gz.size() - at, out.data(),
                                                      out.size(), &in, &produced);
    if (result != LIBDEFLATE_SUCCESS) {
      ADD_FAILURE() << "member at " << at << " does not decompress: " << result;
      break;
    }
    out.resize(produced);
    members.push_back({at, out});
    at += in;
  }
  return members;
}

std::string SystemGunzip(const qzrtest::TempDir& dir, const std::string& gz) {
  const std::string path = dir.File("out.gz");
  qzrtest::WriteFile(path, gz);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("gzip -dc '" + path + "'").c_str(), "r"), pclose);
  std::string text;
  if (!pipe) return "(gzip did not start)";
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
    text.append(buffer, got);
  const int status = pclose(pipe.release());
  if (status != 0) text += "(gzip failed)";
  return text;
}

std::string Compress(const std::string& text, std::size_t piece) {
  StringSink out;
  GzipSink sink(out, kGzipLevel, kBlock);
  for (std::size_t at = 0; at < text.size(); at += piece)
    sink.Write(std::string_view(text).substr(at, piece));
  EXPECT_TRUE(sink.Flush());
  return out.Text();
}

TEST(GzipSink, EveryGzipReaderGetsTheTextBackOneMemberPerBlock) {
  struct Case {
    const char* name;
    std::size_t size;
    std::size_t piece;  // bytes per Write
    std::size_t members;
  };
  const Case kCases[] = {
      {"empty", 0, 1, 1},
      {"one byte", 1, 1, 1},
      {"exactly two blocks", 2 * kBlock, 7, 2},
      {"one past a block", kBlock + 1, kBlock + 1, 2},
      {"several blocks in one write", 5 * kBlock + 17, 5 * kBlock + 17, 6},
      {"several blocks in odd writes", 5 * kBlock + 17, 13, 6},
  };
  qzrtest::TempDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string text = Text(c.size);
    const std::string gz = Compress(text, c.piece);
    const std::vector<Member> members = Members(gz);
    ASSERT_EQ(members.size(), c.members);
    std::string joined;
    for (std::size_t i = 0; i < members.size(); ++i) {
      // Every member but the last holds a whole block.
      if (i + 1 < members.size()) {
        EXPECT_EQ(members[i].text.size(), kBlock);
      }
      joined += members[i].text;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(SystemGunzip(dir, gz), text);
  }
}

TEST(GzipSink, HeadersCarryNoNameAndNoTimeSoTheBytesNeverVary) {
  const std::string text = Text(3 * kBlock);
  const std::string gz = Compress(text, 5);
  EXPECT_EQ(Compress(text, kBlock), gz);
  const std::vector<Member> members = Members(gz);
  ASSERT_EQ(members.size(), 3u);
  for (const Member& member : members) {
    SCOPED_TRACE(member.offset);
    EXPECT_EQ(gz.substr(member.offset, 8), std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8))
        << "magic, CM 8, FLG 0, MTIME 0";
  }
}

// Takes everything and then reports a lost byte.
class LosingSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override { written += bytes.size(); }
  bool Flush() override { return false; }
  std::size_t written = 0;
};

TEST(GzipSink, ALostByteDownstreamMakesFlushFalse) {
  LosingSink next;
  GzipSink sink(next, kGzipLevel, kBlock);
  sink.Write(Text(3 * kBlock));
  EXPECT_FALSE(sink.Flush());
  EXPECT_GT(next.written, 0u);
}

}  // namespace
}  // namespace qzr2rin
