#pragma once

// Framing of receiver-log messages: a two-character identifier, three
// upper-case hexadecimal length digits and the body, whose last byte is the
// 8-bit rotating checksum (or whose last two bytes are the CRC-16).

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qzrsim {

// A message body under construction; every field little-endian.
class Body {
 public:
  Body& U8(std::uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  Body& I8(std::int8_t v) { return U8(static_cast<std::uint8_t>(v)); }
  Body& U16(std::uint16_t v) { return Put(v, 2); }
  Body& I16(std::int16_t v) { return Put(static_cast<std::uint16_t>(v), 2); }
  Body& U32(std::uint32_t v) { return Put(v, 4); }
  Body& I32(std::int32_t v) { return Put(static_cast<std::uint32_t>(v), 4); }
  Body& F32(float v) { return Put(std::bit_cast<std::uint32_t>(v), 4); }
  Body& F64(double v) { return Put(std::bit_cast<std::uint64_t>(v), 8); }
  Body& Text(std::string_view t) {
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }

 private:
  Body& Put(std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  std::vector<std::uint8_t> bytes_;
};

std::uint8_t Checksum8(const std::uint8_t* bytes, std::size_t count);
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count);

// Streams messages into a file through a large buffer.
class LogWriter {
 public:
  explicit LogWriter(std::FILE* file) : file_(file) {}
  ~LogWriter() { Flush(); }
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Appends the checksum byte to the body.
  void Checked(std::string_view id, const Body& body);
  // Appends the CRC-16, low byte first.
  void CrcChecked(std::string_view id, const Body& body);
  // Written exactly as given: text messages without a check, line breaks.
  void Plain(std::string_view id, std::string_view body);
  void Raw(std::string_view bytes);
  bool Flush();
  bool failed() const { return failed_; }

 private:
  std::size_t Header(std::string_view id, std::size_t length);
  void MaybeFlush() {
    if (buffer_.size() >= (1u << 20)) Flush();
  }
  std::FILE* file_;
  std::vector<std::uint8_t> buffer_;
  bool failed_ = false;
};

}  // namespace qzrsim
