#pragma once

// Builds QZR logs for tests, written from the message layouts alone: it
// shares no code with the converter, so a fault in the converter's framing,
// checksum or CRC cannot hide behind the same fault here.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qzrtest {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t Checksum8(const std::uint8_t* data, std::size_t count);
std::uint16_t Crc16(const std::uint8_t* data, std::size_t count);

// Little-endian body fields, appended in order.
class BodyBuilder {
 public:
  BodyBuilder& U8(std::uint8_t v);
  BodyBuilder& I8(std::int8_t v) { return U8(static_cast<std::uint8_t>(v)); }
  BodyBuilder& U16(std::uint16_t v);
  BodyBuilder& I16(std::int16_t v) { return U16(static_cast<std::uint16_t>(v)); }
  BodyBuilder& U32(std::uint32_t v);
  BodyBuilder& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  BodyBuilder& U64(std::uint64_t v);
  BodyBuilder& F32(float v);
  BodyBuilder& F64(double v);
  BodyBuilder& Text(std::string_view text);
  BodyBuilder& Raw(const Bytes& bytes);
  BodyBuilder& Zeros(std::size_t count);
  const Bytes& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
};

// "ID" + three upper-case hex digits + payload + checksum byte. The length
// counts the checksum byte.
Bytes Message(std::string_view id, const Bytes& payload);
Bytes Message(std::string_view id, const BodyBuilder& payload);
// The same framed with a CRC-16 (low byte first) in place of the checksum.
Bytes CrcMessage(std::string_view id, const Bytes& payload);
Bytes CrcMessage(std::string_view id, const BodyBuilder& payload);
// A message whose length digits are given verbatim (for lying or malformed
// lengths); the payload is written as it is, with no checksum added.
Bytes RawMessage(std::string_view id, std::string_view lengthDigits, const Bytes& body);
// A message with a deliberately wrong checksum byte.
Bytes BadChecksumMessage(std::string_view id, const Bytes& payload);

// One changed byte of a message, for the integrity tests.
struct ByteDamage {
  const char* name;
  std::size_t at;  // offset in the framed message
  char value;      // the new byte, or 0 to flip the old one's low bit
};
Bytes Damaged(Bytes message, const ByteDamage& damage);

// The file identification "QZ055RLOGF" + one character + receiver type +
// " Receiver Log File", blank-padded to 85 bytes, with no checksum.
Bytes IdentificationMessage(std::string_view receiverType);
// The format message: text + its checksum as two upper-case hex characters.
Bytes FormatMessage(std::string_view text = "QZ01000");
// A text message with no checksum at all ([PM], [RE], ...).
Bytes TextMessage(std::string_view id, std::string_view text);

// A whole log: messages, line breaks, comments and foreign bytes in order.
class LogBuilder {
 public:
  LogBuilder& Add(const Bytes& message);
  LogBuilder& Add(std::string_view id, const BodyBuilder& payload) { return Add(Message(id, payload)); }
  LogBuilder& Text(std::string_view text);
  LogBuilder& LineBreak() { return Text("\r\n"); }
  LogBuilder& Comment(std::string_view text) { return LineBreak().Text(text).LineBreak(); }
  LogBuilder& Foreign(const Bytes& bytes);
  const Bytes& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  // Offset the next added byte will have.
  std::size_t Offset() const { return bytes_.size(); }

  void WriteTo(const std::string& path) const;

 private:
  Bytes bytes_;
};

// A directory of its own for one test, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view content);

}  // namespace qzrtest
