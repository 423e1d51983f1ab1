#pragma once

namespace qzr2rin {

// The printable ASCII characters run from the blank to the tilde; below
// them are the control characters, above them DEL.
inline constexpr unsigned char kFirstPrintable = 0x20;
inline constexpr unsigned char kDelete = 0x7F;

constexpr bool IsPrintableAscii(unsigned char c) { return c >= kFirstPrintable && c < kDelete; }
constexpr bool IsControlCharacter(unsigned char c) { return c < kFirstPrintable || c == kDelete; }

}  // namespace qzr2rin
