#include "decoders/identification.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::ConverterBench;
using qzrtest::LogBuilder;
using qzrtest::WithReceiverType;

Body TextBody(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Identification, ReceiverTypeLosesItsSuffixAndGetsTheMakerPrefix) {
  struct Case {
    std::string body;
    bool ok;
    std::string type;
  };
  const std::string suffix = " Receiver Log File";
  const Case kCases[] = {
      {"RLOGF QZR 3.0" + suffix + std::string(30, ' '), true, "MRV 3.0"},
      {"RLOGFxOTHER QZR" + suffix, true, "OTHER QZR"},
      {"RLOGF QZR 3.0 Receiver Log Fil" + std::string(30, ' '), false, ""},
      {"RLOGF " + suffix.substr(1), false, ""},
      {"RLOGF", false, ""},
      {"RLOGF A" + suffix + std::string(1, '\0') + "junk", true, "A"},
  };
  LogBuilder log;
  log.Text(std::string(100, '\n'));
  ConverterBench bench(log);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.body);
    WithReceiverType(bench.file(), "unchanged");
    EXPECT_EQ(IdentifyReceiver(bench.file().Identity(), bench.file().Options().inputFile, TextBody(c.body)),
              c.ok);
    if (c.ok) {
      EXPECT_EQ(bench.file().Identity().receiverType, c.type);
      EXPECT_EQ(bench.file().Identity().receiverNumber, "bench");
      EXPECT_EQ(bench.file().Identity().receiverVersion, "-Unknown-");
    }
  }
}

TEST(Identification, FormatMessageNeedsItsTextItsLengthAndItsChecksum) {
  struct Case {
    const char* what;
    qzrtest::Bytes message;
    Status status;
    const char* dump;
  };
  qzrtest::Bytes damaged = qzrtest::FormatMessage();
  damaged[12] = damaged[12] == 'A' ? 'B' : 'A';
  const Case kCases[] = {
      {"good", qzrtest::FormatMessage(), Status::Ok, "QZ01000"},
      {"other version", qzrtest::FormatMessage("QZ01001"), Status::NotQzrFormat, "QZ01001"},
      {"ten bytes", qzrtest::FormatMessage("QZ010000"), Status::NotQzrFormat, "QZ010000"},
      {"bad checksum", damaged, Status::BadChecksum, "Bad Checksum\n"},
      {"no room for a checksum", qzrtest::TextMessage("MF", "Q"), Status::BadChecksum, "Bad Checksum\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    LogBuilder log;
    log.Add(c.message).LineBreak();
    ConverterBench bench(log);
    EXPECT_EQ(bench.Walk(), c.status == Status::BadChecksum ? Status::Ok : c.status);
    EXPECT_NE(bench.DumpBody().find(c.dump), std::string::npos) << bench.DumpBody();
  }
}

TEST(Identification, VersionParametersSetTheTagCorrection) {
  struct Case {
    const char* text;
    bool noTagCorrection;
    bool correction;
    const char* version;
  };
  const Case kCases[] = {
      {"version/main=\"1.2\"", false, true, "CJR1.2"},
      {"version/main=\"1.2\"", true, false, "1.2"},
      {"rcv/ver/main=\"0.40\"", false, true, "CJR0.40"},
      {"version/main=\"1.3\"", false, false, "1.3"},
      {"version/main=1.2", false, false, ""},
      {"version/main=\"123456789012345678901234\"", false, false, "1234567890123456789"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    LogBuilder log;
    log.Add(qzrtest::TextMessage("PM", c.text)).LineBreak();
    ConversionOptions options;
    options.noTagCorrection = c.noTagCorrection;
    ConverterBench bench(log, options);
    EXPECT_EQ(bench.Walk(), Status::Ok);
    EXPECT_EQ(bench.file().Identity().tagCorrection, c.correction);
    EXPECT_EQ(bench.file().Identity().headerReceiverVersion, c.version);
    EXPECT_EQ(bench.DumpBody().find(std::string(c.text) + "\n"), bench.DumpBody().find('\n', 1) + 1);
  }
}

TEST(Identification, FirstReceiverIdNamesTheMarker) {
  LogBuilder log;
  log.Add(qzrtest::TextMessage("PM", "rcvid=\"12345678\"")).LineBreak();
  log.Add(qzrtest::TextMessage("PM", "rcv/id=\"ABCDEFGH\"")).LineBreak();
  ConverterBench bench(log);
  const std::int16_t before = bench.file().Occupation().occupationNumber;
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.file().Identity().markerName, "bench_5678");
  EXPECT_EQ(bench.file().Occupation().occupationNumber, before + 1);
  EXPECT_EQ(bench.file().Identity().headerReceiverNumber, "ABCDEFGH");
  EXPECT_EQ(bench.file().Identity().receiverIdHash, ReceiverIdHash("ABCDEFGH"));
}

TEST(Identification, ReceiverIdLeavesAFixedMarkerName) {
  LogBuilder log;
  log.Add(qzrtest::TextMessage("PM", "rcvid=\"12345678\"")).LineBreak();
  ConversionOptions options;
  options.markerOverridden = true;
  options.markerName = "PILLAR";
  ConverterBench bench(log, options);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.file().Identity().markerName, "PILLAR");
  EXPECT_EQ(bench.file().Identity().headerReceiverNumber, "12345678");
}

TEST(Identification, VersionRange) {
  struct Case {
    const char* text;
    bool inRange;
  };
  const Case kCases[] = {{"1.2", true},   {"1.3", false}, {"0.40", true}, {"0.39", false}, {"2.5", false},
                         {"1.002", true}, {"12", false},  {"", false},    {"a.b", false},  {"0.1.40", true}};
  for (const auto& c : kCases) EXPECT_EQ(VersionInRange(c.text), c.inRange) << c.text;
}

// The hash written out independently: skip blanks and one character, then
// rotate-and-XOR every character and the terminating zero.
std::uint32_t ExpectedHash(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) return 0;
  std::uint32_t h = 0;
  const std::string rest = text.substr(i + 1) + '\0';
  for (unsigned char c : rest) h = ((h << 5) | (h >> 27)) ^ c;
  return h;
}

TEST(Identification, ReceiverIdHash) {
  EXPECT_EQ(ReceiverIdHash("AB"), 0x840u);
  EXPECT_EQ(ReceiverIdHash("  AB"), 0x840u);
  EXPECT_EQ(ReceiverIdHash(""), 0u);
  EXPECT_EQ(ReceiverIdHash("A"), 0u);
  for (const std::string text : {"12345678", " MXX0042", "a-much-longer-receiver-id-text"}) {
    EXPECT_EQ(ReceiverIdHash(text), ExpectedHash(text)) << text;
  }
}

}  // namespace
}  // namespace qzr2rin
