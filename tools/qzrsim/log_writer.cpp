#include "log_writer.h"

#include <array>
#include <stdexcept>

namespace qzrsim {
namespace {

std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned a = i << 8;
    for (int k = 0; k < 8; ++k) a = (a & 0x8000u) ? ((a << 1) ^ 0x1021u) : (a << 1);
    table[i] = static_cast<std::uint16_t>(a);
  }
  return table;
}

std::uint8_t RotateLeft2(std::uint8_t s) { return static_cast<std::uint8_t>((s << 2) | (s >> 6)); }

}  // namespace

std::uint8_t Checksum8(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t s = 0;
  for (std::size_t i = 0; i < count; ++i) s = static_cast<std::uint8_t>(RotateLeft2(s) ^ bytes[i]);
  return RotateLeft2(s);
}

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count) {
  static const auto table = MakeCrcTable();
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < count; ++i)
    crc = static_cast<std::uint16_t>(table[((crc >> 8) ^ bytes[i]) & 0xFF] ^ (crc << 8));
  return crc;
}

std::size_t LogWriter::Header(std::string_view id, std::size_t length) {
  if (id.size() != 2 || length > 0xFFF) throw std::logic_error("message does not fit the frame");
  static const char kDigits[] = "0123456789ABCDEF";
  const std::size_t start = buffer_.size();
  buffer_.push_back(static_cast<std::uint8_t>(id[0]));
  buffer_.push_back(static_cast<std::uint8_t>(id[1]));
  buffer_.push_back(static_cast<std::uint8_t>(kDigits[(length >> 8) & 0xF]));
  buffer_.push_back(static_cast<std::uint8_t>(kDigits[(length >> 4) & 0xF]));
  buffer_.push_back(static_cast<std::uint8_t>(kDigits[length & 0xF]));
  return start;
}

void LogWriter::Checked(std::string_view id, const Body& body) {
  const std::size_t start = Header(id, body.size() + 1);
  buffer_.insert(buffer_.end(), body.bytes().begin(), body.bytes().end());
  buffer_.push_back(Checksum8(buffer_.data() + start, buffer_.size() - start));
  MaybeFlush();
}

void LogWriter::CrcChecked(std::string_view id, const Body& body) {
  const std::size_t start = Header(id, body.size() + 2);
  buffer_.insert(buffer_.end(), body.bytes().begin(), body.bytes().end());
  const std::uint16_t crc = Crc16(buffer_.data() + start, buffer_.size() - start);
  buffer_.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  buffer_.push_back(static_cast<std::uint8_t>(crc >> 8));
  MaybeFlush();
}

void LogWriter::Plain(std::string_view id, std::string_view body) {
  Header(id, body.size());
  buffer_.insert(buffer_.end(), body.begin(), body.end());
  MaybeFlush();
}

void LogWriter::Raw(std::string_view bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  MaybeFlush();
}

bool LogWriter::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    failed_ = true;
  buffer_.clear();
  return !failed_;
}

}  // namespace qzrsim
