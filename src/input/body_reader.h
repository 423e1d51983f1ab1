#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qzr2rin {

using Body = std::span<const std::uint8_t>;

// Little-endian fields of a message body. Each read's precondition is
// Has(offset, width); a decoder checks its layout's length once, then reads
// fields by offset. No pointer casts into the mapped view: those are
// undefined on unaligned data.
class BodyReader {
 public:
  explicit BodyReader(Body body) : body_(body) {}

  std::size_t Size() const { return body_.size(); }
  bool Has(std::size_t offset, std::size_t width) const {
    return offset <= body_.size() && width <= body_.size() - offset;
  }

  std::uint8_t U8(std::size_t offset) const { return body_[offset]; }
  std::int8_t I8(std::size_t offset) const { return static_cast<std::int8_t>(body_[offset]); }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(body_[offset] | (body_[offset + 1] << kByteBits));
  }
  std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  std::uint32_t U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(body_[offset]) |
           (static_cast<std::uint32_t>(body_[offset + 1]) << kByteBits) |
           (static_cast<std::uint32_t>(body_[offset + 2]) << (2 * kByteBits)) |
           (static_cast<std::uint32_t>(body_[offset + 3]) << (3 * kByteBits));
  }
  std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  std::uint64_t U64(std::size_t offset) const {
    return static_cast<std::uint64_t>(U32(offset)) |
           (static_cast<std::uint64_t>(U32(offset + 4)) << kU32Bits);
  }
  float F32(std::size_t offset) const { return std::bit_cast<float>(U32(offset)); }
  double F64(std::size_t offset) const { return std::bit_cast<double>(U64(offset)); }

  Body Bytes(std::size_t offset, std::size_t width) const { return body_.subspan(offset, width); }

 private:
  static constexpr int kByteBits = 8;
  // A 64-bit field is two 32-bit ones, the low one first.
  static constexpr int kU32Bits = 4 * kByteBits;

  Body body_;
};

}  // namespace qzr2rin
