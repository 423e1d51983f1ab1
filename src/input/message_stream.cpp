#include "input/message_stream.h"

#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "input/dump_log.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kHeaderSize = 5;  // two identifier bytes, three length digits
constexpr std::uint8_t kLowestIdentifierByte = 0x30;
constexpr std::uint8_t kHighestIdentifierByte = 0x7E;

constexpr char kForeignTextLayout[] = "\nError: Other text  len=%zu 0X%zx(0X%zx)\n";
constexpr std::string_view kBadChecksumText = "Bad Checksum";

constexpr bool IsLineBreak(std::uint8_t b) { return b == '\r' || b == '\n'; }
// Only at the start of a line: "!" to "/".
constexpr bool IsCommentStart(std::uint8_t b) { return b >= '!' && b <= '/'; }

constexpr int kHexBase = 16;
constexpr int kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0x0F;

constexpr int HexDigit(std::uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// The 16-bit CRC with polynomial x^16 + x^12 + x^5 + 1, most significant
// bit first, by table: one entry per value of the byte shifted out.
constexpr unsigned kCrcPolynomial = 0x1021;
constexpr unsigned kCrcMask = 0xFFFF;
constexpr unsigned kCrcTopBit = 0x8000;
constexpr unsigned kByteMask = 0xFF;
constexpr int kByteBits = 8;

constexpr std::array<std::uint16_t, kByteMask + 1> kCrcTable = [] {
  std::array<std::uint16_t, kByteMask + 1> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned a = i << kByteBits;
    for (int bit = 0; bit < kByteBits; ++bit) {
      const bool out = (a & kCrcTopBit) != 0;
      a = (a << 1) & kCrcMask;
      if (out) a ^= kCrcPolynomial;
    }
    table[i] = static_cast<std::uint16_t>(a);
  }
  return table;
}();

}  // namespace

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
  // The sum turns by two bits per byte and a byte has four such turns, so
  // the byte at position p ends up turned by 2 * (n - p) mod 8: the bytes of
  // each position mod 4 can be XORed together first, eight at a time, and
  // each of the four lanes turned once at the end.
  static_assert(std::endian::native == std::endian::little);
  const std::size_t n = bytes.size();
  std::uint64_t words = 0;
  std::size_t p = 0;
  for (; p + sizeof words <= n; p += sizeof words) {
    std::uint64_t w = 0;
    std::memcpy(&w, bytes.data() + p, sizeof w);
    words ^= w;
  }
  const auto folded = static_cast<std::uint32_t>(words ^ (words >> 32));
  std::array<std::uint8_t, 4> lanes{};
  for (std::size_t k = 0; k < lanes.size(); ++k) lanes[k] = static_cast<std::uint8_t>(folded >> (8 * k));
  for (; p < n; ++p) lanes[p & 3] ^= bytes[p];
  std::uint8_t s = 0;
  for (std::size_t k = 0; k < lanes.size(); ++k)
    s ^= std::rotl(lanes[k], static_cast<int>(2 * ((n - k) & 3)));
  return s;
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (const std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>(kCrcTable[((crc >> kByteBits) ^ b) & kByteMask] ^ (crc << kByteBits));
  }
  return crc;
}

std::size_t MessageScanner::SkipSeparators(std::size_t position) const {
  const std::size_t end = End();
  std::size_t p = position;
  while (p < end && IsLineBreak(view_[p])) {
    while (p < end && IsLineBreak(view_[p])) ++p;
    if (p < end && IsCommentStart(view_[p])) p = SkipComment(p);
  }
  return p;
}

std::size_t MessageScanner::SkipComment(std::size_t position) const {
  const std::size_t end = End();
  std::size_t p = position;
  while (p < end && !IsLineBreak(view_[p]) && !IntactMessageAt(p)) ++p;
  return p;
}

bool MessageScanner::EitherCheckHolds(std::size_t position, std::size_t length) const {
  if (length == 0 || position > End() || kHeaderSize + length > End() - position) return false;
  const std::size_t last = position + kHeaderSize + length - 1;
  if (Checksum(view_.subspan(position, kHeaderSize + length - 1)) == view_[last]) return true;
  if (length < 2) return false;
  const auto stored = static_cast<std::uint16_t>(view_[last] << 8 | view_[last - 1]);
  return Crc16(view_.subspan(position, kHeaderSize + length - 2)) == stored;
}

bool MessageScanner::HeaderOrEndAt(std::size_t position) const {
  const std::size_t end = End();
  std::size_t p = position;
  while (p < end && IsLineBreak(view_[p])) ++p;
  if (p == end) return true;
  if (p > position && IsCommentStart(view_[p])) return true;
  return IdentifierValid(p) && ReadLength(p) >= 0;
}

bool MessageScanner::IntactMessageAt(std::size_t position) const {
  if (!IdentifierValid(position)) return false;
  const int length = ReadLength(position);
  if (length <= 0) return false;
  const auto n = static_cast<std::size_t>(length);
  if (kHeaderSize + n > End() - position) return false;
  // A text line can hold a header and, by chance, a matching check byte;
  // that the next header follows too makes it a message.
  return HeaderOrEndAt(position + kHeaderSize + n) && EitherCheckHolds(position, n);
}

int MessageScanner::ReadLength(std::size_t position) const {
  if (position >= End() || End() - position < kHeaderSize) return -1;
  int value = 0;
  for (std::size_t i = 2; i < kHeaderSize; ++i) {
    const int digit = HexDigit(view_[position + i]);
    if (digit < 0) return -1;
    value = value * kHexBase + digit;
  }
  return value;
}

bool MessageScanner::IdentifierValid(std::size_t position) const {
  if (position >= End() || End() - position < 2) return false;
  const auto valid = [](std::uint8_t b) { return b >= kLowestIdentifierByte && b <= kHighestIdentifierByte; };
  return valid(view_[position]) && valid(view_[position + 1]);
}

// SkipSeparators(position), reusing earlier walks. Every line break inside a
// walked range [start, result) skips to the same result, so a walk that
// reaches the start of a known range can jump to its result. `candidate` is
// the search position: no later candidate can need a range ending at or
// before candidate + 5.
std::size_t MessageScanner::SkipSeparatorsRemembered(std::size_t position, std::size_t candidate) {
  const std::size_t end = End();
  if (position >= end || !IsLineBreak(view_[position])) return position;

  while (!walkedSkips_.empty() && walkedSkips_.begin()->second <= candidate + kHeaderSize) {
    walkedSkips_.erase(walkedSkips_.begin());
  }
  auto next = walkedSkips_.upper_bound(position);
  if (next != walkedSkips_.begin()) {
    const auto before = std::prev(next);
    if (position < before->second) return before->second;
  }
  const bool haveNext = next != walkedSkips_.end();
  const std::size_t stop = haveNext ? next->first : end;

  std::size_t p = position;
  while (p < end && IsLineBreak(view_[p])) {
    while (p < end && IsLineBreak(view_[p]) && !(haveNext && p == stop)) ++p;
    if (haveNext && p == stop) {
      // A comment skip halts on line breaks, so the known range's start
      // (always a line break) cannot be stepped over.
      p = next->second;
      walkedSkips_.erase(next);
      break;
    }
    if (p < end && IsCommentStart(view_[p])) p = SkipComment(p);
  }
  walkedSkips_.emplace(position, p);
  return p;
}

bool MessageScanner::IsCandidate(std::size_t position) {
  const std::size_t end = End();
  if (!IdentifierValid(position)) return false;
  const int length = ReadLength(position);
  if (length < 0) return false;
  const std::size_t successor = position + kHeaderSize + static_cast<std::size_t>(length);
  if (successor >= end) return false;
  const std::size_t p = SkipSeparatorsRemembered(successor, position);
  return p < end && end - p > kHeaderSize && IdentifierValid(p) && ReadLength(p) > 0;
}

bool MessageScanner::NextMessage() {
  const std::size_t end = End();
  cursor = SkipSeparators(cursor);
  if (cursor >= end || end - cursor <= kHeaderSize) return false;

  const bool broken = resyncPending;
  if (IdentifierValid(cursor)) {
    resyncPending = false;
  } else {
    MarkBroken();
  }
  bodyLength = ReadLength(cursor);
  if (bodyLength < 0) MarkBroken();
  // A length that runs past the end of the file is damage, not the end of
  // the log: the messages it would swallow are still looked for.
  if (!resyncPending && kHeaderSize + static_cast<std::size_t>(bodyLength) > end - cursor) MarkBroken();
  afterBreak = broken || resyncPending;

  if (resyncPending) {
    std::size_t candidate = cursor;
    while (!IsCandidate(candidate)) {
      ++candidate;
      if (end - candidate <= kHeaderSize) return false;
    }
    ReportForeignBytes(cursor, candidate - cursor);
    cursor = candidate;
    resyncPending = false;
    bodyLength = ReadLength(cursor);
  }
  // A message that ends exactly at the end of the file is complete.
  return kHeaderSize + static_cast<std::size_t>(bodyLength) <= end - cursor;
}

bool MessageScanner::BodyInView(int minimumLength) const {
  return bodyLength >= minimumLength && cursor <= End() &&
         kHeaderSize + static_cast<std::size_t>(bodyLength) <= End() - cursor;
}

bool MessageScanner::MessageAccepted() const {
  if (!BodyInView(1)) {
    ReportBadChecksum();
    return false;
  }
  const std::size_t length = static_cast<std::size_t>(bodyLength);
  const std::uint8_t stored = view_[cursor + kHeaderSize + length - 1];
  if (Checksum(view_.subspan(cursor, kHeaderSize + length - 1)) == stored) return true;
  ReportBadChecksum();
  return false;
}

bool MessageScanner::CrcAccepted() const {
  if (!BodyInView(2)) {
    ReportBadChecksum();
    return false;
  }
  const std::size_t length = static_cast<std::size_t>(bodyLength);
  const std::size_t last = cursor + kHeaderSize + length - 1;
  const auto stored = static_cast<std::uint16_t>(view_[last] << 8 | view_[last - 1]);
  if (Crc16(view_.subspan(cursor, kHeaderSize + length - 2)) == stored) return true;
  ReportBadChecksum();
  return false;
}

bool MessageScanner::EitherCheckAccepted() const {
  if (bodyLength > 0 && EitherCheckHolds(cursor, static_cast<std::size_t>(bodyLength))) return true;
  ReportBadChecksum();
  return false;
}

bool MessageScanner::LengthBorneOut() const {
  if (!BodyInView(0)) return false;
  const auto length = static_cast<std::size_t>(bodyLength);
  return HeaderOrEndAt(cursor + kHeaderSize + length) || EitherCheckHolds(cursor, length);
}

void MessageScanner::ReportForeignBytes(std::size_t start, std::size_t count) const {
  if (!dump_.Enabled() || count == 0) return;
  dump_.Printf(kForeignTextLayout, count, start, start + count - 1);
  static constexpr char kHex[] = "0123456789abcdef";
  constexpr std::size_t kChunk = 3 * 4096;
  std::string line;
  line.reserve(kChunk);
  for (const std::uint8_t b : view_.subspan(start, count)) {
    line.push_back(kHex[b >> kNibbleBits]);
    line.push_back(kHex[b & kNibbleMask]);
    line.push_back(' ');
    if (line.size() >= kChunk) {
      dump_.Write(line);
      line.clear();
    }
  }
  dump_.Write(line);
  dump_.EndLine();
}

void MessageScanner::ReportBadChecksum() const {
  if (!reportFailures || !dump_.Enabled()) return;
  dump_.Write(kBadChecksumText);
  dump_.EndLine();
}

}  // namespace qzr2rin
