#include "support/qzr_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace qzrtest {

std::uint8_t Checksum8(const std::uint8_t* data, std::size_t count) {
  auto rotate2 = [](unsigned v) { return static_cast<unsigned>(((v << 2) | (v >> 6)) & 0xFFu); };
  unsigned s = 0;
  for (std::size_t i = 0; i < count; ++i) s = rotate2(s) ^ data[i];
  return static_cast<std::uint8_t>(rotate2(s));
}

std::uint16_t Crc16(const std::uint8_t* data, std::size_t count) {
  // Bitwise, without a table: a different road to the same CRC.
  unsigned crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= static_cast<unsigned>(data[i]) << 8;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000u) ? ((crc << 1) ^ 0x1021u) : (crc << 1);
      crc &= 0xFFFFu;
    }
  }
  return static_cast<std::uint16_t>(crc);
}

BodyBuilder& BodyBuilder::U8(std::uint8_t v) {
  bytes_.push_back(v);
  return *this;
}
BodyBuilder& BodyBuilder::U16(std::uint16_t v) {
  bytes_.push_back(static_cast<std::uint8_t>(v));
  bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  return *this;
}
BodyBuilder& BodyBuilder::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return *this;
}
BodyBuilder& BodyBuilder::U64(std::uint64_t v) {
  for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return *this;
}
BodyBuilder& BodyBuilder::F32(float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  return U32(u);
}
BodyBuilder& BodyBuilder::F64(double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, 8);
  return U64(u);
}
BodyBuilder& BodyBuilder::Text(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}
BodyBuilder& BodyBuilder::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}
BodyBuilder& BodyBuilder::Zeros(std::size_t count) {
  bytes_.insert(bytes_.end(), count, 0);
  return *this;
}

namespace {

Bytes Header(std::string_view id, std::size_t length) {
  if (id.size() != 2) throw std::invalid_argument("identifier must have two characters");
  if (length > 0xFFF) throw std::invalid_argument("body longer than 4095 bytes");
  char digits[4];
  std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(length));
  Bytes out;
  out.reserve(5 + length);
  for (char c : id) out.push_back(static_cast<std::uint8_t>(c));
  for (int i = 0; i < 3; ++i) out.push_back(static_cast<std::uint8_t>(digits[i]));
  return out;
}

}  // namespace

Bytes Message(std::string_view id, const Bytes& payload) {
  Bytes out = Header(id, payload.size() + 1);
  out.insert(out.end(), payload.begin(), payload.end());
  out.push_back(Checksum8(out.data(), out.size()));
  return out;
}
Bytes Message(std::string_view id, const BodyBuilder& payload) { return Message(id, payload.bytes()); }

Bytes CrcMessage(std::string_view id, const Bytes& payload) {
  Bytes out = Header(id, payload.size() + 2);
  out.insert(out.end(), payload.begin(), payload.end());
  const std::uint16_t crc = Crc16(out.data(), out.size());
  out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  out.push_back(static_cast<std::uint8_t>(crc >> 8));
  return out;
}
Bytes CrcMessage(std::string_view id, const BodyBuilder& payload) { return CrcMessage(id, payload.bytes()); }

Bytes RawMessage(std::string_view id, std::string_view lengthDigits, const Bytes& body) {
  Bytes out(id.begin(), id.end());
  out.insert(out.end(), lengthDigits.begin(), lengthDigits.end());
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes BadChecksumMessage(std::string_view id, const Bytes& payload) {
  Bytes out = Message(id, payload);
  out.back() = static_cast<std::uint8_t>(out.back() ^ 0x5A);
  return out;
}

Bytes IdentificationMessage(std::string_view receiverType) {
  std::string text = "RLOGF ";
  text += receiverType;
  text += " Receiver Log File";
  if (text.size() > 85) throw std::invalid_argument("receiver type too long");
  text.resize(85, ' ');
  return TextMessage("QZ", text);
}

Bytes FormatMessage(std::string_view text) {
  Bytes out = Header("MF", text.size() + 2);
  out.insert(out.end(), text.begin(), text.end());
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", Checksum8(out.data(), out.size()));
  out.push_back(static_cast<std::uint8_t>(digits[0]));
  out.push_back(static_cast<std::uint8_t>(digits[1]));
  return out;
}

Bytes TextMessage(std::string_view id, std::string_view text) {
  Bytes out = Header(id, text.size());
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

LogBuilder& LogBuilder::Add(const Bytes& message) {
  bytes_.insert(bytes_.end(), message.begin(), message.end());
  return *this;
}
LogBuilder& LogBuilder::Text(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}
LogBuilder& LogBuilder::Foreign(const Bytes& bytes) { return Add(bytes); }

void LogBuilder::WriteTo(const std::string& path) const {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()));
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qzr2rin-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Bytes Damaged(Bytes message, const ByteDamage& damage) {
  std::uint8_t& b = message.at(damage.at);
  b = damage.value == 0 ? static_cast<std::uint8_t>(b ^ 0x01) : static_cast<std::uint8_t>(damage.value);
  return message;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace qzrtest
