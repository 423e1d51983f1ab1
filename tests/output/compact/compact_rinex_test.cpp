// Compact RINEX from RINEX observation text: the reference pairs, line 2,
// arcs, flags, events, clocks and the texts that cannot be compacted.

#include "output/compact/compact_rinex.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qzr2rin {
namespace {

const platform::CalendarTime kWhen{.year = 2026, .month = 12, .day = 10, .hour = 5, .minute = 47};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WithoutLine2(const std::string& text) {
  const std::size_t first = text.find('\n');
  if (first == std::string::npos) return text;
  const std::size_t second = text.find('\n', first + 1);
  return text.substr(0, first + 1) + (second == std::string::npos ? "" : text.substr(second + 1));
}

struct Result {
  std::string text;
  bool flushed = false;
  std::string problem;
};

// Compacts `rinex` handed over in pieces of `piece` bytes (0: all at once).
Result Compact(const std::string& rinex, std::size_t piece = 0) {
  StringSink out;
  CompactRinexSink sink(out, "QZR2RIN 1.40", kWhen);
  if (piece == 0) {
    sink.Write(rinex);
  } else {
    for (std::size_t at = 0; at < rinex.size(); at += piece)
      sink.Write(std::string_view(rinex).substr(at, piece));
  }
  Result r;
  r.flushed = sink.Flush();
  r.problem = sink.Problem();
  r.text = out.Text();
  return r;
}

// The lines after the header of a compacted text.
[[maybe_unused]] std::vector<std::string> BodyLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = text.find("END OF HEADER\n");
  if (at == std::string::npos) return lines;
  at = text.find('\n', at) + 1;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

struct Pair {
  const char* rinex;
  const char* compact;
};

const Pair kPairs[] = {
    {"r2-sample-events.26o", "r2-sample-events.crx1"},
    {"r2-clock-offset.26o", "r2-clock-offset.crx1"},
    {"r2-gps-raw-lost-epochs.26o", "r2-gps-raw-lost-epochs.crx1"},
    {"r2-real-york0440.15o", "r2-real-york0440.crx1"},
    {"r3-example-events_MO.rnx", "r3-example-events_MO.crx3"},
    {"r3-real-CEDA00USA_R_20182100000_23H_15S_MO.rnx", "r3-real-CEDA00USA_R_20182100000_23H_15S_MO.crx3"},
    {"r3-real-P43300USA_R_20190012056_17M_15S_MO.rnx", "r3-real-P43300USA_R_20190012056_17M_15S_MO.crx3"},
};

TEST(CompactRinexSink, ReferencePairsMatchApartFromLine2InAnySplit) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(p.rinex);
    const std::string rinex = ReadFile(std::string(QZR2RIN_TEST_DATA "/hatanaka/") + p.rinex);
    const std::string expected =
        WithoutLine2(ReadFile(std::string(QZR2RIN_TEST_DATA "/hatanaka/") + p.compact));
    ASSERT_FALSE(rinex.empty());
    ASSERT_FALSE(expected.empty());
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      SCOPED_TRACE(piece);
      const Result r = Compact(rinex, piece);
      EXPECT_EQ(r.problem, "");
      EXPECT_TRUE(r.flushed);
      EXPECT_TRUE(WithoutLine2(r.text) == expected)
          << "first difference at byte "
          << std::distance(expected.begin(),
                           std::mismatch(expected.begin(), expected.end(), WithoutLine2(r.text).begin(),
                                         WithoutLine2(r.text).end())
                               .first);
    }
  }
}

}  // namespace
}  // namespace qzr2rin
