#include "decoders/authentication.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "decoders/occupations.h"
#include "decoders/qzr_file.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::AtTimeOfDay;
using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::Records;
using qzrtest::UseGlonass;
using qzrtest::WithGpsUtc;
using qzrtest::WithOccupationDue;
using qzrtest::WithOutputSpan;
using qzrtest::WithReceiverIdHash;

// 2024-03-15: day and month differ, and the year needs both its bytes.
constexpr std::uint32_t kDay = 16140;
constexpr unsigned kYear = 2024;
constexpr unsigned kMonth = 3;
constexpr unsigned kDayOfMonth = 15;

// The receiver's signature, from the rule: the key with signed byte i
// XORed in at bit 8 * i mod 32; then eight rounds of "rotate left by s, add
// the next byte" over the time of day's four bytes (low first), the day,
// the month and the year's two bytes (low first); s is the time of day in
// ms, mod 119317, mod 32.
std::uint32_t ExpectedSignature(std::uint32_t key, const Bytes& signedBytes, std::uint32_t ms) {
  std::uint32_t a = key;
  for (std::size_t i = 0; i < signedBytes.size(); ++i) a ^= std::uint32_t{signedBytes[i]} << (8 * i % 32);
  const unsigned s = ms % 119317 % 32;
  const std::uint32_t next[8] = {ms & 0xFF,   (ms >> 8) & 0xFF, (ms >> 16) & 0xFF, ms >> 24,
                                 kDayOfMonth, kMonth,           kYear & 0xFF,      kYear >> 8};
  for (const std::uint32_t b : next) {
    const std::uint32_t rotated = s == 0 ? a : (a << s) | (a >> (32 - s));
    a = rotated + b;
  }
  return a;
}

// [SE]: signature, then the signed bytes (flags first); the checksum is
// added by the writer.
Bytes Signature(std::uint32_t signature, const Bytes& signedBytes) {
  return qzrtest::Message("SE", BodyBuilder().U32(signature).Raw(signedBytes));
}

std::string HeaderLine(const char* id, std::size_t offset, std::size_t length) {
  char text[64];
  std::snprintf(text, sizeof text, "\n%s len=%zu 0X%zx(0X%zx)\n", id, length, offset, offset + length + 4);
  return text;
}

// A bench over `log` at a fixed receiver time, with an occupation recorded
// and marked as asked.
class Signatures {
 public:
  Signatures(const qzrtest::LogBuilder& log, std::uint32_t key, std::uint32_t ms, bool marked, bool due)
      : bench_(log) {
    WithReceiverIdHash(f(), key);
    AtDate(f(), kDay);
    AtTimeOfDay(f(), ms);
    EXPECT_EQ(StoreOccupation(f().Collected().records, f().Occupation(), 1, "SITE", "0001"), Status::Ok);
    if (marked) Records(f()).CurrentOccupation()->occupationFlags |= kOccupationAuthenticated;
    WithOccupationDue(f(), due);
  }
  TQZRFile& f() { return bench_.file(); }
  qzrtest::ConverterBench& bench() { return bench_; }
  bool Marked() {
    return (f().Collected().records.CurrentOccupation()->occupationFlags & kOccupationAuthenticated) != 0;
  }

 private:
  qzrtest::ConverterBench bench_;
};

TEST(Signature, CheckMarksOrClearsTheCurrentOccupation) {
  struct Case {
    const char* name;
    std::uint32_t signKey;   // the receiver's
    std::uint32_t checkKey;  // the converter's
    std::uint32_t ms;
    Bytes signedBytes;
    std::uint32_t signatureError;  // added to the right signature
    const char* text;
    bool marked;
  };
  const Bytes kContent = {0x01, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};  // folds past bit 31
  const Case kCases[] = {
      {"match", 0x9E3779B9, 0x9E3779B9, 45296789, kContent, 0, " Matched", true},
      {"signature one off", 0x9E3779B9, 0x9E3779B9, 45296789, kContent, 1, " Mismatch", false},
      {"another key", 0x9E3779B9, 0x9E3779B8, 45296789, kContent, 0, " Mismatch", false},
      {"no receiver id: key 0", 0, 0, 45296789, kContent, 0, " Matched", true},
      {"flags byte alone", 0x12345678, 0x12345678, 86399999, {0x01}, 0, " Matched", true},
      {"rotation 0 at midnight", 0x12345678, 0x12345678, 0, kContent, 0, " Matched", true},
      {"rotation 0 at 119317 ms", 0x12345678, 0x12345678, 119317, kContent, 0, " Matched", true},
      {"rotation 31", 0x12345678, 0x12345678, 119317 + 31, kContent, 0, " Matched", true},
      {"exactly 5 bytes", 0x12345678, 0x12345678, 1000, {}, 0, " no Varnesk AUTH", false},
      {"flag bit 0 clear", 0x12345678, 0x12345678, 1000, {0xFE, 0x11, 0x22}, 0, " no Varnesk AUTH", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bytes message =
        Signature(ExpectedSignature(c.signKey, c.signedBytes, c.ms) + c.signatureError, c.signedBytes);
    qzrtest::LogBuilder log;
    log.Add(message).LineBreak();
    // Start from the opposite mark, with a new occupation due so that the
    // check always runs.
    Signatures s(log, c.checkKey, c.ms, !c.marked, true);

    EXPECT_EQ(s.bench().Walk(), Status::Ok);
    EXPECT_EQ(s.bench().DumpBody(), HeaderLine("SE", 0, message.size() - 5) + c.text + "\n");
    EXPECT_EQ(s.Marked(), c.marked);
    EXPECT_EQ(s.f().Occupation().authenticated, c.marked);
    EXPECT_FALSE(s.f().Scanner().timeLost);
  }
}

TEST(Signature, RotationZeroRoundsArePlainAdditions) {
  // Key 0 and the flags byte 0x01 fold to 1; then the bytes of the time of
  // day, 15, 3, 0xE8 and 0x07 are simply added.
  struct Case {
    std::uint32_t ms;
    std::uint32_t signature;
  };
  const Case kCases[] = {
      {0, 1 + 15 + 3 + 0xE8 + 0x07},
      {119317, 1 + 0x15 + 0xD2 + 0x01 + 15 + 3 + 0xE8 + 0x07},  // 119317 = 0x0001D215
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ms);
    qzrtest::LogBuilder log;
    log.Add(Signature(c.signature, {0x01})).LineBreak();
    Signatures s(log, 0, c.ms, false, true);
    EXPECT_EQ(s.bench().Walk(), Status::Ok);
    EXPECT_TRUE(s.Marked());
  }
}

TEST(Signature, MarkedOccupationIsCheckedAgainOnlyWhenANewOneIsDue) {
  struct Case {
    bool due;
    const char* secondText;  // after the second message's header line
    bool marked;
  };
  const Case kCases[] = {
      {false, "", true},
      {true, " Mismatch\n", false},
  };
  const std::uint32_t key = 0xCAFEF00D;
  const std::uint32_t ms = 3600000;
  const Bytes content = {0x01, 0x02, 0x03};
  const Bytes match = Signature(ExpectedSignature(key, content, ms), content);
  const Bytes mismatch = Signature(ExpectedSignature(key, content, ms) ^ 0x80000000, content);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.due ? "due" : "not due");
    qzrtest::LogBuilder log;
    log.Add(match).Add(mismatch).LineBreak();
    Signatures s(log, key, ms, false, c.due);
    EXPECT_EQ(s.bench().Walk(), Status::Ok);
    EXPECT_EQ(s.bench().DumpBody(), HeaderLine("SE", 0, match.size() - 5) + " Matched\n" +
                                        HeaderLine("SE", match.size(), mismatch.size() - 5) + c.secondText);
    EXPECT_EQ(s.Marked(), c.marked);
  }
}

TEST(Signature, MatchBeforeAnyOccupationMarksTheOneRecordedNext) {
  const Bytes content = {0x01};
  qzrtest::LogBuilder log;
  log.Add(Signature(ExpectedSignature(7, content, 5000), content)).LineBreak();
  qzrtest::ConverterBench bench(log);
  TQZRFile& f = bench.file();
  WithReceiverIdHash(f, 7);
  AtDate(f, kDay);
  AtTimeOfDay(f, 5000);

  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_TRUE(f.Occupation().authenticated);
  EXPECT_FALSE(IsOccupationAuthenticated(f.Collected().records));
  ASSERT_EQ(StoreOccupation(f.Collected().records, f.Occupation(), 1, "SITE", "0001"), Status::Ok);
  EXPECT_TRUE(IsOccupationAuthenticated(f.Collected().records));
}

TEST(Signature, TwentyFirstDamagedMessageClearsTheMark) {
  const std::uint32_t key = 0x01020304;
  const std::uint32_t ms = 250;
  const Bytes content = {0x01, 0x99};
  const Bytes match = Signature(ExpectedSignature(key, content, ms), content);
  const Bytes damaged = qzrtest::BadChecksumMessage("SE", BodyBuilder().U32(0).Raw(content).bytes());

  qzrtest::LogBuilder log;
  for (int i = 0; i < 21; ++i) log.Add(damaged);
  log.Add(match).Add(damaged).LineBreak();
  Signatures s(log, key, ms, true, false);

  // The count lives for the whole conversion, so walk the messages with one
  // state; the framing here is sound, so each message is simply passed.
  SignatureState state;
  std::vector<Status> results;
  std::vector<bool> marks;
  s.bench().ForEachBody([&](Body body) {
    results.push_back(CheckSignature(s.f(), state, body));
    marks.push_back(s.Marked());
  });

  ASSERT_EQ(results.size(), 23u);
  for (std::size_t i = 0; i < 20; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(results[i], Status::BadChecksum);
    EXPECT_TRUE(marks[i]);
  }
  EXPECT_EQ(results[20], Status::BadChecksum);
  EXPECT_FALSE(marks[20]) << "21st damaged";
  EXPECT_EQ(results[21], Status::Ok);
  EXPECT_TRUE(marks[21]) << "a match marks again";
  EXPECT_EQ(results[22], Status::BadChecksum);
  EXPECT_FALSE(marks[22]) << "every further damaged one clears";
  EXPECT_EQ(state.badSignatureCount, 22);
}

TEST(Signature, ShortOrDamagedBodiesAreNotRead) {
  struct Case {
    const char* name;
    Bytes message;
    const char* text;  // after the header line
    bool broken;       // reported as an integrity failure
  };
  const Case kCases[] = {
      {"empty", qzrtest::RawMessage("SE", "000", {}), "    Error Len! Expected:5 arrived: 0\n", false},
      {"checksum only", qzrtest::Message("SE", Bytes{}), "    Error Len! Expected:5 arrived: 1\n", false},
      {"four bytes", qzrtest::Message("SE", Bytes{1, 2, 3}), "    Error Len! Expected:5 arrived: 4\n", false},
      {"damaged", qzrtest::BadChecksumMessage("SE", Bytes{1, 2, 3, 4, 1}), "Bad Checksum\n", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    qzrtest::LogBuilder log;
    log.Add(c.message).LineBreak();
    Signatures s(log, 0, 0, true, true);
    EXPECT_EQ(s.bench().Walk(), Status::Ok);
    const std::string dump = s.bench().DumpBody();
    EXPECT_EQ(dump.substr(0, dump.find('\n', 1) + 1), HeaderLine("SE", 0, c.message.size() - 5));
    EXPECT_NE(dump.find(c.text), std::string::npos) << dump;
    EXPECT_EQ(s.f().Scanner().timeLost, c.broken);
    EXPECT_TRUE(s.Marked());
  }
}

TEST(IgnoredMessage, AcceptedOnItsChecksumAndNeverDumped) {
  const char* const kIds[] = {"GT", "GO", "GP", "UP", "NT", "NO", "SO", "SP"};
  for (const char* id : kIds) {
    SCOPED_TRACE(id);
    const Bytes payload = {0x51, 0x52, 0x53};
    {
      qzrtest::LogBuilder log;
      log.Add(qzrtest::Message(id, payload)).LineBreak();
      qzrtest::ConverterBench bench(log);
      EXPECT_EQ(bench.Walk(), Status::Ok);
      EXPECT_EQ(bench.DumpBody(), HeaderLine(id, 0, 4));
      EXPECT_FALSE(bench.file().Scanner().timeLost);
    }
    {
      qzrtest::LogBuilder log;
      log.Add(qzrtest::BadChecksumMessage(id, payload)).LineBreak();
      qzrtest::ConverterBench bench(log);
      EXPECT_EQ(bench.Walk(), Status::Ok);
      const std::string dump = bench.DumpBody();
      EXPECT_TRUE(dump.starts_with(HeaderLine(id, 0, 4) + "Bad Checksum\n")) << dump;
      EXPECT_TRUE(bench.file().Scanner().timeLost);
    }
  }
}

// A converter over a log of nothing, for setting state by hand.
class Crafted {
 public:
  Crafted() : bench_(qzrtest::LogBuilder().LineBreak()) {}
  TQZRFile& f() { return bench_.file(); }

 private:
  qzrtest::ConverterBench bench_;
};

TEST(OccupationMark, OnlyBitZeroOfTheCurrentOccupation) {
  Crafted c;
  SetOccupationAuthenticated(c.f().Collected().records, true);  // no occupation: nothing to mark
  EXPECT_FALSE(IsOccupationAuthenticated(c.f().Collected().records));

  ASSERT_EQ(StoreOccupation(c.f().Collected().records, c.f().Occupation(), 1, "SITE", "0001"), Status::Ok);
  DataOccup& occupation = *Records(c.f()).CurrentOccupation();
  occupation.occupationFlags = 0x06;
  SetOccupationAuthenticated(c.f().Collected().records, true);
  EXPECT_EQ(occupation.occupationFlags, 0x07);
  EXPECT_TRUE(IsOccupationAuthenticated(c.f().Collected().records));
  SetOccupationAuthenticated(c.f().Collected().records, false);
  EXPECT_EQ(occupation.occupationFlags, 0x06);
  EXPECT_FALSE(IsOccupationAuthenticated(c.f().Collected().records));
}

TEST(WriterAccess, ObservationSpanOnlyWithStoredEpochs) {
  struct Case {
    bool stored;
    std::uint32_t firstSeconds, firstNs, lastSeconds, lastNs;
  };
  const Case kCases[] = {
      {true, 1394582400, 500, 1394586000, 999999999},
      {false, 0, 0, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.stored);
    Crafted k;
    // Times left over without epochs (a cancelled occupation) are not shown.
    WithOutputSpan(k.f(), TGPSTimeNS(1394582400, 500), TGPSTimeNS(1394586000, 999999999));
    if (c.stored) Records(k.f()).AppendEpoch();

    TGPSTimeNS first(1, 1);
    TGPSTimeNS last(1, 1);
    GetObservationSpan(k.f(), first, last);
    EXPECT_EQ(first, TGPSTimeNS(c.firstSeconds, c.firstNs));
    EXPECT_EQ(last, TGPSTimeNS(c.lastSeconds, c.lastNs));
  }
}

TEST(WriterAccess, HeaderLeapSecondsNeedUtcAndGlonass) {
  struct Case {
    const char* name;
    bool utcPresent;
    bool useGlonass;
    std::int8_t dtls;
    int expected;
  };
  const Case kCases[] = {
      {"received", true, true, 18, 18},
      {"not received", false, true, 18, 0},
      {"-R", true, false, 18, 0},
      {"negative count", true, true, -2, -2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Crafted k;
    WithGpsUtc(k.f(), {.present = c.utcPresent, .utc = {.dtls = c.dtls}});
    UseGlonass(k.f(), c.useGlonass);
    EXPECT_EQ(GetHeaderLeapSeconds(k.f()), c.expected);
  }
}

}  // namespace
}  // namespace qzr2rin
