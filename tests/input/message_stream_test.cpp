#include "input/message_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "input/dump_log.h"
#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

using qzrtest::Bytes;
using qzrtest::LogBuilder;

Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Payload(std::size_t size, std::uint8_t fill = 0) { return Bytes(size, fill); }

// A scanner over a byte stream with its dump written to a file of its own.
class Scan {
 public:
  explicit Scan(Bytes bytes) : bytes_(std::move(bytes)), scanner_(bytes_, dump_) {
    dump_.Open(dir_.File("dump.txt"));
  }
  MessageScanner& operator*() { return scanner_; }
  MessageScanner* operator->() { return &scanner_; }
  std::string DumpText() {
    dump_.Flush();
    return qzrtest::ReadFile(dump_.WorkingPath());
  }

 private:
  qzrtest::TempDir dir_;
  Bytes bytes_;
  DumpLog dump_;
  MessageScanner scanner_;
};

struct Taken {
  std::size_t offset;
  std::string id;
  int bodyLength;
  bool operator==(const Taken&) const = default;
};

std::vector<Taken> Walk(MessageScanner& s) {
  std::vector<Taken> taken;
  while (s.NextMessage()) {
    taken.push_back({s.cursor, std::string{s.Id0(), s.Id1()}, s.bodyLength});
    s.Advance();
  }
  return taken;
}

std::string ForeignEntry(std::size_t count, std::size_t start, std::string_view hexBytes) {
  char head[128];
  std::snprintf(head, sizeof head, "\nError: Other text  len=%zu 0X%zx(0X%zx)\n", count, start,
                start + count - 1);
  return std::string(head) + std::string(hexBytes) + "\n";
}

TEST(SkipSeparators, LineBreaksAndCommentLines) {
  struct Case {
    const char* name;
    std::string_view text;
    std::size_t from;
    std::size_t expected;
  };
  const Case kCases[] = {
      {"no separator", "AB001x", 0, 0},
      {"CR LF", "\r\nAB", 0, 2},
      {"lone LF and CR", "\n\r\n\rAB", 0, 4},
      {"comment between line breaks", "\r\n# note\r\nAB", 0, 10},
      {"comment runs to the end", "\r\n! note", 0, 8},
      {"'/' is a comment", "\n/x\nA", 0, 4},
      {"'0' is not a comment", "\n0x\nA", 0, 1},
      {"blank is not a comment", "\n x\nA", 0, 1},
      {"'#' without a line break is data", "#x\r\nA", 0, 0},
      {"'#' later on the line is data", "\r\nA#\r\n", 0, 2},
      {"two comment lines", "\r\n#a\r\n#b\nQ", 0, 9},
      {"only line breaks", "\r\n\r\n", 0, 4},
      {"from the middle", "AB\r\n#c\nXY", 2, 7},
      {"at the end", "AB", 2, 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Scan s(B(c.text));
    EXPECT_EQ(s->SkipSeparators(c.from), c.expected);
  }
}

TEST(ReadLength, OnlyDigitsAndUpperCaseHex) {
  struct Case {
    std::string_view text;
    int expected;
  };
  const Case kCases[] = {
      {"AB000", 0},  {"AB00A", 10}, {"AB123", 0x123}, {"ABFFF", 4095}, {"AB9F0", 0x9F0},
      {"AB00a", -1}, {"ABabc", -1}, {"AB0G0", -1},    {"AB0:0", -1},   {"AB@00", -1},
      {"AB/00", -1}, {"AB 12", -1}, {"AB-12", -1},    {"AB12", -1},    {"", -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.text));
    Scan s(B(c.text));
    EXPECT_EQ(s->ReadLength(0), c.expected);
  }
  Scan s(B("xxAB0F0"));
  EXPECT_EQ(s->ReadLength(2), 0x0F0);
  EXPECT_EQ(s->ReadLength(3), -1);  // runs past the end
  EXPECT_EQ(s->ReadLength(100), -1);
}

TEST(NextMessage, SeparatorsBetweenMessagesAreSkipped) {
  LogBuilder log;
  const std::size_t first = log.Offset();
  log.Add(qzrtest::Message("~~", Payload(5)));
  log.LineBreak().Text("# a comment line").LineBreak().LineBreak();
  const std::size_t second = log.Offset();
  log.Add(qzrtest::Message("RD", Payload(6)));
  log.LineBreak();

  Scan s(log.bytes());
  s->timeLost = s->satelliteListLost = s->glonassNumbersLost = false;  // as the decoders leave them
  EXPECT_EQ(Walk(*s), (std::vector<Taken>{{first, "~~", 6}, {second, "RD", 7}}));
  EXPECT_FALSE(s->timeLost || s->satelliteListLost || s->glonassNumbersLost) << "separators are no break";
  EXPECT_EQ(s.DumpText(), "");
}

TEST(NextMessage, CommentCharacterRightAfterMessageStartsSearch) {
  LogBuilder log;
  log.Add(qzrtest::Message("~~", Payload(5)));
  const std::size_t hash = log.Offset();
  log.Text("#!");
  const std::size_t second = log.Offset();
  log.Add(qzrtest::Message("SI", Payload(3)));
  log.Add(qzrtest::Message("rc", Payload(3)));

  Scan s(log.bytes());
  ASSERT_TRUE(s->NextMessage());
  s->timeLost = s->satelliteListLost = s->glonassNumbersLost = false;  // as the decoders leave them
  s->Advance();
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->cursor, second);
  EXPECT_FALSE(s->resyncPending);
  EXPECT_TRUE(s->timeLost && s->satelliteListLost && s->glonassNumbersLost);
  EXPECT_EQ(s.DumpText(), ForeignEntry(2, hash, "23 21 "));
}

TEST(NextMessage, IdentifierBytesRange) {
  struct Case {
    std::string_view id;
    bool valid;
  };
  const Case kCases[] = {
      {"00", true},     {"~~", true},     {"0~", true},     {"rM", true},     {"/A", false}, {"A/", false},
      {"A\x7F", false}, {"\177A", false}, {"\200A", false}, {"A\xFF", false}, {"A ", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.id)));
    LogBuilder log;
    log.Add(qzrtest::Message(c.id, Payload(4, 1)));
    const std::size_t next = log.Offset();
    log.Add(qzrtest::Message("AB", Payload(4, 1))).Add(qzrtest::Message("CD", Payload(4, 1)));
    Scan s(log.bytes());
    ASSERT_TRUE(s->NextMessage());
    EXPECT_EQ(s->cursor, c.valid ? 0 : next);
  }
}

TEST(NextMessage, LowerCaseLengthDigitStartsSearchAtThatMessage) {
  LogBuilder log;
  log.Add(qzrtest::Message("~~", Payload(5)));
  const std::size_t bad = log.Offset();
  log.Add(qzrtest::RawMessage("XY", "00a", Payload(10)));
  const std::size_t good = log.Offset();
  log.Add(qzrtest::Message("SI", Payload(3))).Add(qzrtest::Message("rc", Payload(3)));

  Scan s(log.bytes());
  ASSERT_TRUE(s->NextMessage());
  s->Advance();
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->cursor, good);
  EXPECT_EQ(s->bodyLength, 4);
  const std::string dump = s.DumpText();
  EXPECT_EQ(dump, ForeignEntry(good - bad, bad, "58 59 30 30 61 00 00 00 00 00 00 00 00 00 00 "));
}

TEST(NextMessage, TenForeignBytesGiveOneEntry) {
  LogBuilder log;
  log.Add(qzrtest::Message("~~", Payload(20)));  // 26 bytes: the foreign run starts at 0x1a
  log.Foreign({0x00, 0x11, 0x22, 0xFF, 0x80, 0x7F, 0x05, 0x2F, 0x01, 0x99});
  const std::size_t good = log.Offset();
  log.Add(qzrtest::Message("SI", Payload(3))).Add(qzrtest::Message("rc", Payload(3)));

  Scan s(log.bytes());
  const auto taken = Walk(*s);
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[1].offset, good);
  EXPECT_EQ(s.DumpText(), "\nError: Other text  len=10 0X1a(0X23)\n00 11 22 ff 80 7f 05 2f 01 99 \n");
}

TEST(NextMessage, ResynchronisationCandidates) {
  const Bytes foreign = {0x01, 0x02, 0x03};
  const Bytes ab = qzrtest::Message("AB", Payload(3));
  const Bytes cd = qzrtest::Message("CD", Payload(3));
  const Bytes ef = qzrtest::Message("EF", Payload(3));
  struct Case {
    const char* name;
    std::vector<Bytes> parts;
    bool found;
    std::size_t cursor;  // where the found message starts
  };
  const Bytes cdEmpty = qzrtest::RawMessage("CD", "000", {});
  const Bytes cdLower = qzrtest::RawMessage("CD", "00a", Payload(10));
  const Bytes badId = qzrtest::Message("C ", Payload(3));
  const Bytes comment = B("\r\n# note\r\n");
  const Case kCases[] = {
      {"valid successor", {foreign, ab, cd}, true, 3},
      {"successor after comment line", {foreign, ab, comment, cd}, true, 3},
      // The empty message is itself a fine candidate, as its successor has a body.
      {"successor of length 000", {foreign, ab, cdEmpty, ef}, true, 3 + ab.size()},
      {"successor with lower-case length", {foreign, ab, cdLower}, false, 0},
      {"successor with invalid identifier", {foreign, ab, badId}, false, 0},
      {"successor is only a header", {foreign, ab, B("CD001")}, false, 0},
      {"candidate ends at end of file", {foreign, ab}, false, 0},
      {"candidate followed by line breaks only", {foreign, ab, B("\r\n")}, false, 0},
      {"nothing but foreign bytes", {foreign, foreign, foreign}, false, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    for (const auto& part : c.parts) log.Foreign(part);
    Scan s(log.bytes());
    EXPECT_EQ(s->NextMessage(), c.found);
    if (c.found) {
      EXPECT_EQ(s->cursor, c.cursor);
      EXPECT_FALSE(s->resyncPending);
    }
    EXPECT_TRUE(s->timeLost && s->satelliteListLost && s->glonassNumbersLost);
  }
}

TEST(NextMessage, LastMessageEndingAtEndOfFileIsTaken) {
  const Bytes ab = qzrtest::Message("AB", Payload(3));
  const Bytes last = qzrtest::Message("RD", Payload(6));
  struct Case {
    const char* name;
    Bytes tail;
    std::size_t count;
  };
  const Bytes truncated(last.begin(), last.end() - 1);
  Bytes lastThenCr = last;
  lastThenCr.push_back('\r');
  const Case kCases[] = {
      {"ends exactly at the end", last, 2},
      {"followed by CR", lastThenCr, 2},
      {"truncated by one byte", truncated, 1},
      // Five bytes are too few to start a message; no gate could pass it anyway.
      {"empty message at the end", qzrtest::RawMessage("RD", "000", {}), 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = ab;
    bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
    Scan s(bytes);
    const auto taken = Walk(*s);
    EXPECT_EQ(taken.size(), c.count);
    if (c.count == 2) {
      EXPECT_EQ(taken[1], (Taken{ab.size(), "RD", 7}));
    }
  }
}

TEST(NextMessage, LengthRunningPastTheEndDoesNotSwallowWhatFollows) {
  // A damaged length near the end of the log claims more bytes than remain;
  // the messages inside that claim are still found.
  const Bytes lying = qzrtest::RawMessage("AB", "FFF", Payload(2));
  const Bytes first = qzrtest::Message("RD", Payload(6));
  const Bytes second = qzrtest::Message("CD", Payload(3));
  Bytes bytes = lying;
  bytes.insert(bytes.end(), first.begin(), first.end());
  bytes.insert(bytes.end(), second.begin(), second.end());
  bytes.push_back('\n');
  Scan s(bytes);
  const auto taken = Walk(*s);
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0], (Taken{lying.size(), "RD", 7}));
  EXPECT_EQ(taken[1], (Taken{lying.size() + first.size(), "CD", 4}));
  EXPECT_TRUE(s->timeLost);
  EXPECT_EQ(s.DumpText(), ForeignEntry(7, 0, "41 42 46 46 46 00 00 "));
}

TEST(NextMessage, FewerThanSixBytesLeft) {
  const char* const kCases[] = {"", "A", "AB000", "\r\n\r\nAB00", "\r\n#AB001x"};
  for (const char* text : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    Scan s(B(text));
    EXPECT_FALSE(s->NextMessage());
  }
  // Six bytes hold an empty message and one more byte.
  Scan s(B("AB000\r"));
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->bodyLength, 0);
}

TEST(NextMessage, FailedChecksumThenFollowingMessageFound) {
  LogBuilder log;
  log.Add(qzrtest::Message("~~", Payload(5)));
  const std::size_t bad = log.Offset();
  log.Add(qzrtest::BadChecksumMessage("SI", Payload(6)));
  const std::size_t next = log.Offset();
  log.Add(qzrtest::Message("rc", Payload(3))).Add(qzrtest::Message("~~", Payload(5)));

  Scan s(log.bytes());
  ASSERT_TRUE(s->NextMessage());
  EXPECT_TRUE(s->MessageAccepted());
  s->Advance();
  ASSERT_TRUE(s->NextMessage());
  ASSERT_EQ(s->cursor, bad);
  EXPECT_FALSE(s->MessageAccepted());
  s->AdvanceHeader();
  s->MarkBroken();
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->cursor, next);
  EXPECT_TRUE(s->MessageAccepted());
  // The distrusted body (six zeros and the bad checksum byte) is reported as foreign.
  const std::size_t body = bad + 5;
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%02x ", log.bytes()[next - 1]);
  EXPECT_EQ(s.DumpText(),
            "Bad Checksum\n" + ForeignEntry(7, body, "00 00 00 00 00 00 " + std::string(checksum)));
}

TEST(NextMessage, MessageInsideFailedBodyIsTaken) {
  const Bytes inner = qzrtest::Message("rc", Payload(3));
  LogBuilder log;
  log.Add(qzrtest::BadChecksumMessage("SI", inner));
  const std::size_t trailer = log.Offset() - 1;  // the outer message's bad checksum byte
  log.Add(qzrtest::Message("~~", Payload(5))).Add(qzrtest::Message("RD", Payload(5)));

  Scan s(log.bytes());
  ASSERT_TRUE(s->NextMessage());
  EXPECT_FALSE(s->MessageAccepted());
  s->AdvanceHeader();
  s->MarkBroken();
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->cursor, 5u);
  EXPECT_EQ(std::string({s->Id0(), s->Id1()}), "rc");
  EXPECT_FALSE(s->resyncPending);
  EXPECT_TRUE(s->MessageAccepted());
  s->Advance();
  ASSERT_TRUE(s->NextMessage());
  EXPECT_EQ(s->cursor, trailer + 1);
}

TEST(Checksum, RotateAndXor) {
  struct Case {
    Bytes bytes;
    std::uint8_t expected;
  };
  const Case kCases[] = {
      {B("abc"), 0xF3},     {{}, 0x00},     {{0x01}, 0x04},       {{0x80}, 0x02},
      {{0xFF, 0xFF}, 0x00}, {{0x40}, 0x01}, {{0x40, 0x00}, 0x04},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(Checksum(c.bytes), c.expected);
  }
}

// The sum is taken several bytes at a time: every length and every
// position of a single changed byte must still give the byte-wise result.
TEST(Checksum, AgreesWithTheByteWiseSumAtEveryLengthAndPosition) {
  std::mt19937 random(11);
  for (std::size_t size = 0; size <= 40; ++size) {
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    ASSERT_EQ(Checksum(bytes), qzrtest::Checksum8(bytes.data(), bytes.size())) << size;
    for (std::size_t p = 0; p < size; ++p) {
      Bytes changed = bytes;
      changed[p] ^= 0x81;
      ASSERT_EQ(Checksum(changed), qzrtest::Checksum8(changed.data(), changed.size())) << size << " at " << p;
    }
  }
}

TEST(Crc16, XmodemVectorAndFixtureWriter) {
  EXPECT_EQ(Crc16(B("123456789")), 0x31C3);
  EXPECT_EQ(Crc16({}), 0x0000);
  EXPECT_EQ(Crc16(B("A")), 0x58E5);

  std::mt19937 random(7);
  for (std::size_t size : {1u, 2u, 255u, 256u, 4095u}) {
    SCOPED_TRACE(size);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    EXPECT_EQ(Crc16(bytes), qzrtest::Crc16(bytes.data(), bytes.size()));
    EXPECT_EQ(Checksum(bytes), qzrtest::Checksum8(bytes.data(), bytes.size()));
  }
}

// Every byte of a message is covered by its check, and nothing outside it.
TEST(IntegrityGates, EveryByteIsCovered) {
  struct Case {
    const char* name;
    Bytes message;
    bool crc;
  };
  const Case kCases[] = {
      {"checksum", qzrtest::Message("GE", Payload(9, 0x5A)), false},
      {"crc", qzrtest::CrcMessage("rM", Payload(9, 0x5A)), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto accepted = [&](const Bytes& message) {
      Bytes bytes = message;
      bytes.push_back('\r');
      Scan s(bytes);
      EXPECT_TRUE(s->NextMessage());
      return c.crc ? s->CrcAccepted() : s->MessageAccepted();
    };
    EXPECT_TRUE(accepted(c.message));
    for (std::size_t i = 0; i < c.message.size(); ++i) {
      if (i >= 2 && i < 5) continue;  // length digits: a change reframes the message
      SCOPED_TRACE(i);
      Bytes flipped = c.message;
      flipped[i] = static_cast<std::uint8_t>(flipped[i] ^ 0x01);
      EXPECT_FALSE(accepted(flipped));
    }
  }
}

TEST(IntegrityGates, CrcIsStoredLowByteFirst) {
  Bytes message = qzrtest::CrcMessage("rE", Payload(4, 0x33));
  std::swap(message[message.size() - 1], message[message.size() - 2]);
  Scan s(message);
  ASSERT_TRUE(s->NextMessage());
  EXPECT_FALSE(s->CrcAccepted());
  EXPECT_EQ(s.DumpText(), "Bad Checksum\n");
}

TEST(IntegrityGates, BodyTooShortForItsCheck) {
  struct Case {
    const char* name;
    Bytes message;
    bool crc;
  };
  const Case kCases[] = {
      {"checksum on empty body", qzrtest::RawMessage("GE", "000", {}), false},
      {"crc on empty body", qzrtest::RawMessage("rM", "000", {}), true},
      // A lone byte that happens to equal the CRC's low byte must not pass.
      {"crc on one byte", qzrtest::RawMessage("rM", "001", {0x00}), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = c.message;
    bytes.push_back('\n');
    Scan s(bytes);
    ASSERT_TRUE(s->NextMessage());
    EXPECT_FALSE(c.crc ? s->CrcAccepted() : s->MessageAccepted());
    EXPECT_EQ(s.DumpText(), "Bad Checksum\n");
  }
}

TEST(NextMessage, EmptyViewAndClosedDump) {
  DumpLog closed;
  MessageScanner s({}, closed);
  EXPECT_FALSE(s.NextMessage());
  const Bytes foreign = {1, 2, 3, 'A', 'B', '0', '0', '2', 0, 0, 'C', 'D', '0', '0', '1', 0};
  MessageScanner t(foreign, closed);
  ASSERT_TRUE(t.NextMessage());
  EXPECT_EQ(t.cursor, 3u);
}

// A plain search written straight from the candidate rules, without the
// scanner's reuse of earlier separator skips.
std::size_t PlainSearch(const MessageScanner& s, const Bytes& bytes, std::size_t from) {
  const std::size_t end = bytes.size();
  const auto validId = [&](std::size_t p) {
    return p + 1 < end && bytes[p] >= 0x30 && bytes[p] <= 0x7E && bytes[p + 1] >= 0x30 &&
           bytes[p + 1] <= 0x7E;
  };
  for (std::size_t c = from; c + 5 < end; ++c) {
    const int length = s.ReadLength(c);
    if (!validId(c) || length < 0 || c + 5 + static_cast<std::size_t>(length) >= end) continue;
    const std::size_t p = s.SkipSeparators(c + 5 + static_cast<std::size_t>(length));
    if (p + 5 < end && validId(p) && s.ReadLength(p) > 0) return c;
  }
  return end;
}

// Few symbols, so that candidates, line breaks and comment lines crowd.
Bytes SeparatorHeavyBytes(std::mt19937& random, bool lines) {
  const std::uint8_t kAlphabet[] = {'\r', '\n', '#', 'A', '0', '1', '2', 'F', 0x00};
  const std::uint8_t kFiller[] = {'A', '0', '1', '2', 'F'};
  Bytes bytes;
  while (bytes.size() < 3000) {
    if (!lines) {
      bytes.push_back(kAlphabet[random() % std::size(kAlphabet)]);
      continue;
    }
    // Mostly comment lines, in long runs that many candidates land in.
    bytes.push_back('\r');
    bytes.push_back('\n');
    if (random() % 8 != 0) bytes.push_back('#');
    for (auto n = random() % 14; n > 0; --n) bytes.push_back(kFiller[random() % std::size(kFiller)]);
  }
  return bytes;
}

TEST(NextMessage, SearchAgreesWithPlainSearchOnSeparatorHeavyInput) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 80; ++round) {
    SCOPED_TRACE(round);
    const Bytes bytes = SeparatorHeavyBytes(random, round % 2 == 1);
    Scan s(bytes);
    // Distrust every message, so that each step is a search.
    while (true) {
      const std::size_t from = s->SkipSeparators(s->cursor);
      if (from + 5 >= bytes.size()) {
        EXPECT_FALSE(s->NextMessage());
        break;
      }
      const int length = s->ReadLength(from);
      const bool direct = length >= 0 && bytes[from] >= 0x30 && bytes[from] <= 0x7E &&
                          bytes[from + 1] >= 0x30 && bytes[from + 1] <= 0x7E &&
                          from + 5 + static_cast<std::size_t>(length) <= bytes.size();
      const std::size_t expected = direct ? from : PlainSearch(*s, bytes, from);
      if (!s->NextMessage()) {
        if (!direct) {
          EXPECT_EQ(expected, bytes.size());
        }
        break;
      }
      ASSERT_EQ(s->cursor, expected);
      s->AdvanceHeader();
      s->MarkBroken();
    }
  }
}

TEST(NextMessage, RandomBytesWalkToTheEnd) {
  std::mt19937 random(12345);
  Bytes bytes(400 * 1024);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  // Sprinkle plausible headers and line breaks among the noise.
  for (std::size_t i = 0; i + 8 < bytes.size(); i += 97 + random() % 400) {
    const char* kPieces[] = {"AB00A", "~~012", "rM0FF", "\r\n#", "\r\n", "QZ000"};
    const std::string_view piece = kPieces[random() % std::size(kPieces)];
    std::copy(piece.begin(), piece.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i));
  }
  Scan s(bytes);
  const auto taken = Walk(*s);
  EXPECT_FALSE(taken.empty());
  for (const auto& t : taken) {
    ASSERT_GE(t.bodyLength, 0);
    ASSERT_LE(t.offset + 5 + static_cast<std::size_t>(t.bodyLength), bytes.size());
  }
}

}  // namespace
}  // namespace qzr2rin
