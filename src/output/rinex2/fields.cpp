#include "output/rinex2/fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/ascii.h"

namespace qzr2rin {
namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr int kMaxPrecision = 9;
constexpr int kMaxWidth = 64;
constexpr std::uint64_t kPowersOfTen[kMaxPrecision + 1] = {1,      10,      100,      1000,      10000,
                                                           100000, 1000000, 10000000, 100000000, 1000000000};

constexpr unsigned kDecimalBase = 10;
constexpr unsigned kTwoDigits = kDecimalBase * kDecimalBase;  // values of a digit pair
constexpr unsigned kThreeDigits = kTwoDigits * kDecimalBase;  // values of a digit triple
constexpr int kWordBits = 64;
constexpr int kByteBits = 8;
constexpr std::uint64_t kByteMask = 0xFF;
// The shift of byte `at` of a word, numbered from the low end.
constexpr int ByteShift(int at) { return kByteBits * at; }
// The most characters WriteDigits writes: a 64-bit count of units has at
// most twenty digits, then the point and the sign.
constexpr int kMaxDigitsLength = 32;
// A finite double in fixed notation with nine decimals: at most 309 integer
// digits.
constexpr std::size_t kSlowTextSize = 400;
// Most formatted texts fit; a longer one is formatted a second time.
constexpr std::size_t kFormatTextSize = 256;

constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1075;  // bias plus the mantissa bits
constexpr std::uint64_t kMantissaMask = (std::uint64_t{1} << kMantissaBits) - 1;
constexpr unsigned kExponentAll = 0x7FF;

void AppendPadded(std::string& line, const char* text, std::size_t length, int width) {
  if (length < static_cast<std::size_t>(width)) line.append(static_cast<std::size_t>(width) - length, ' ');
  line.append(text, length);
}

struct Decomposed {
  std::uint64_t mantissa;  // below 2^53
  int exponent;            // |value| = mantissa * 2^exponent
};

Decomposed Decompose(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const unsigned exponentField = static_cast<unsigned>(bits >> kMantissaBits) & kExponentAll;
  const std::uint64_t mantissa = bits & kMantissaMask;
  if (exponentField == 0) return {mantissa, 1 - kExponentBias};  // subnormal
  return {mantissa | (std::uint64_t{1} << kMantissaBits), static_cast<int>(exponentField) - kExponentBias};
}

// Rounds product * 2^-shift to nearest, ties to even.
template <class Unsigned>
Unsigned RoundShifted(Unsigned product, int shift) {
  const Unsigned quotient = product >> shift;
  const Unsigned remainder = product - (quotient << shift);
  const Unsigned half = Unsigned{1} << (shift - 1);
  // Without branches: the remainders of measurements are unpredictable.
  const Unsigned up =
      static_cast<Unsigned>(remainder > half) | (static_cast<Unsigned>(remainder == half) & quotient);
  return quotient + (up & 1);
}

// |value| in units of 10^-precision, rounded to nearest with ties to even as
// printf rounds the exact binary value. False when it does not fit 64 bits.
inline bool ScaledMagnitude(double value, int precision, std::uint64_t& units) {
  const Decomposed d = Decompose(value);
  if (d.exponent >= 0) {
    // An integer of 2^52 or more: far outside any field, left to the library.
    return false;
  }
  const int shift = -d.exponent;
  if (precision <= 3) {
    // mantissa * 1000 < 2^63: one 64-bit product.
    const std::uint64_t product = d.mantissa * kPowersOfTen[precision];
    units = shift >= kWordBits ? 0 : RoundShifted(product, shift);
    return true;
  }
  // mantissa < 2^53 and the scale < 2^30: the product needs at most 83 bits,
  // and anything shifted by more is below half a unit.
  constexpr int kProductBits = 83;
  const Wide product = static_cast<Wide>(d.mantissa) * kPowersOfTen[precision];
  if (shift > kProductBits) {
    units = 0;
    return true;
  }
  const Wide quotient = RoundShifted(product, shift);
  if ((quotient >> kWordBits) != 0) return false;
  units = static_cast<std::uint64_t>(quotient);
  return true;
}

constexpr auto kDigitPairs = [] {
  std::array<char, 2 * kTwoDigits> pairs{};
  for (unsigned i = 0; i < kTwoDigits; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / kDecimalBase);
    pairs[2 * i + 1] = static_cast<char>('0' + i % kDecimalBase);
  }
  return pairs;
}();

// Writes the digits of a scaled magnitude so that they end just before
// `end`; returns where they start. At most kMaxDigitsLength characters. A constant
// precision makes every division a multiplication.
template <int Precision>
char* WriteDigits(char* end, std::uint64_t units, bool negative) {
  constexpr std::uint64_t kScale = kPowersOfTen[Precision];
  char* p = end;
  std::uint64_t whole = units / kScale;
  std::uint64_t decimals = units % kScale;
  if constexpr (Precision > 0) {
    int left = Precision;
    for (; left >= 2; left -= 2) {
      p -= 2;
      std::memcpy(p, &kDigitPairs[2 * (decimals % kTwoDigits)], 2);
      decimals /= kTwoDigits;
    }
    if (left == 1) *--p = static_cast<char>('0' + decimals);
    *--p = '.';
  }
  while (whole >= kTwoDigits) {
    p -= 2;
    std::memcpy(p, &kDigitPairs[2 * (whole % kTwoDigits)], 2);
    whole /= kTwoDigits;
  }
  if (whole >= kDecimalBase) {
    p -= 2;
    std::memcpy(p, &kDigitPairs[2 * whole], 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (negative) *--p = '-';
  return p;
}

char* WriteNotFinite(char* end, double value) {
  const std::string_view text = std::isinf(value) ? "inf" : "nan";
  char* p = end - text.size();
  std::memcpy(p, text.data(), text.size());
  if (std::signbit(value)) *--p = '-';
  return p;
}

// The digits of `value` ending just before `end`, or null when the value
// is left to the library.
template <int Precision>
char* FormatRight(char* end, double value) {
  if (!std::isfinite(value)) return WriteNotFinite(end, value);
  std::uint64_t units = 0;
  if (!ScaledMagnitude(value, Precision, units)) return nullptr;
  return WriteDigits<Precision>(end, units, std::signbit(value));
}

char* FormatRight(char* end, double value, int precision) {
  switch (precision) {
    case 0: return FormatRight<0>(end, value);
    case 1: return FormatRight<1>(end, value);
    case 2: return FormatRight<2>(end, value);
    case 3: return FormatRight<3>(end, value);
    case 4: return FormatRight<4>(end, value);
    case 5: return FormatRight<5>(end, value);
    case 6: return FormatRight<6>(end, value);
    case 7: return FormatRight<7>(end, value);
    case 8: return FormatRight<8>(end, value);
    default: return FormatRight<9>(end, value);
  }
}

void AppendSlow(std::string& line, double value, int width, int precision) {
  // Far outside any field; the library's exact conversion is as correct.
  char text[kSlowTextSize];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
  AppendPadded(line, text, static_cast<std::size_t>(result.ptr - text), width);
}

constexpr auto kDigitTriples = [] {
  std::array<char, 4 * kThreeDigits> triples{};
  for (unsigned i = 0; i < kThreeDigits; ++i) {
    triples[4 * i] = static_cast<char>('0' + i / kTwoDigits);
    triples[4 * i + 1] = static_cast<char>('0' + i / kDecimalBase % kDecimalBase);
    triples[4 * i + 2] = static_cast<char>('0' + i % kDecimalBase);
  }
  return triples;
}();

// The three digit characters of 0..999 in the low three bytes.
constexpr std::uint32_t kTripleMask = (std::uint32_t{1} << ByteShift(3)) - 1;
std::uint64_t Triple(std::uint32_t n) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, &kDigitTriples[4 * n], 4);
  return bytes & kTripleMask;
}

// Sets byte `at` (0..15) of a 16-byte field held as two words.
void SetByte(std::uint64_t& head, std::uint64_t& tail, int at, char c) {
  std::uint64_t& word = at < 8 ? head : tail;
  const int shift = ByteShift(at & 7);
  word = (word & ~(kByteMask << shift)) | (std::uint64_t{static_cast<unsigned char>(c)} << shift);
}

// The 16 columns of a finite observation below 10^13 units, composed in two
// words without a long chain of divisions or data-dependent branches,
// which measurement values would defeat: zero-padded "dddddddddd.ddd" from
// digit triples, the leading zeros turned into blanks, the sign before the
// first digit, then the two flag characters. Bytes are numbered from the
// low end of each word.
void WriteObservationField(char* field, std::uint64_t units, bool negative, char lossOfLock, char strength) {
  const auto high = static_cast<std::uint32_t>(units / 1000000);
  const auto low = static_cast<std::uint32_t>(units % 1000000);
  const std::uint32_t top = high / 1000;
  const std::uint64_t lastThree = Triple(low / 1000);  // the integer digits in columns 8-10
  std::uint64_t head = (std::uint64_t{'0'} + top / kThreeDigits) |
                       Triple(top % kThreeDigits) << ByteShift(1) |
                       Triple(high % kThreeDigits) << ByteShift(4) | (lastThree & kByteMask) << ByteShift(7);
  std::uint64_t tail = lastThree >> ByteShift(1) | std::uint64_t{'.'} << ByteShift(2) |
                       Triple(low % kThreeDigits) << ByteShift(3) |
                       std::uint64_t{static_cast<unsigned char>(lossOfLock)} << ByteShift(6) |
                       std::uint64_t{static_cast<unsigned char>(strength)} << ByteShift(7);
  // Leading zeros, at most nine: the first bytes equal to '0'. '0' and ' '
  // differ in one bit.
  constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
  constexpr std::uint64_t kZerosToBlanks = kZeros ^ 0x2020202020202020ULL;
  const int zerosInHead = std::countr_zero(head ^ kZeros) / 8;
  const int blanks = zerosInHead + ((zerosInHead == 8 && (tail & 0xFF) == '0') ? 1 : 0);
  const std::uint64_t mask = blanks >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * blanks)) - 1;
  head ^= kZerosToBlanks & mask;
  if (blanks == 9) tail ^= kZerosToBlanks & kByteMask;
  if (negative) SetByte(head, tail, blanks - 1, '-');
  std::memcpy(field, &head, 8);
  std::memcpy(field + 8, &tail, 8);
}

// printf's "%<width>d" (or "%0<width>d") for 0..999; anything else through
// printf itself.
void AppendSmall(std::string& line, int value, int width, bool zeros) {
  if (value < 0 || value >= static_cast<int>(kThreeDigits)) {
    AppendFormat(line, zeros ? "%0*d" : "%*d", width, value);
    return;
  }
  char text[3];
  int length = 0;
  constexpr int kHundred = static_cast<int>(kTwoDigits);
  if (value >= kHundred) text[length++] = static_cast<char>('0' + value / kHundred);
  if (value >= 10) text[length++] = static_cast<char>('0' + value / 10 % 10);
  text[length++] = static_cast<char>('0' + value % 10);
  if (length < width) line.append(static_cast<std::size_t>(width - length), zeros ? '0' : ' ');
  line.append(text, static_cast<std::size_t>(length));
}

}  // namespace

void AppendFixed(std::string& line, double value, int width, int precision) {
  precision = std::clamp(precision, 0, kMaxPrecision);
  width = std::clamp(width, 0, kMaxWidth);
  char text[kMaxWidth + kMaxDigitsLength];
  char* const end = text + sizeof text;
  char* start = FormatRight(end, value, precision);
  if (start == nullptr) {
    AppendSlow(line, value, width, precision);
    return;
  }
  if (end - start < width) {
    std::memset(end - width, ' ', static_cast<std::size_t>(width - (end - start)));
    start = end - width;
  }
  line.append(start, static_cast<std::size_t>(end - start));
}

void AppendObservation(std::string& line, double value, char lossOfLock, char strength) {
  char field[kObservationFieldWidth];
  if (PutObservation(field, value, lossOfLock, strength)) {
    line.append(field, kObservationFieldWidth);
    return;
  }
  AppendSlow(line, value, kObservationWidth, kObservationPrecision);
  line += lossOfLock;
  line += strength;
}

bool PutObservation(char* field, double value, char lossOfLock, char strength) {
  if (!std::isfinite(value)) {
    std::memset(field, ' ', kObservationWidth);
    WriteNotFinite(field + kObservationWidth, value);
    field[kObservationWidth] = lossOfLock;
    field[kObservationWidth + 1] = strength;
    return true;
  }
  std::uint64_t units = 0;
  if (!ScaledMagnitude(value, kObservationPrecision, units)) return false;
  // Ten integer digits fit, or nine and the sign.
  const bool negative = std::signbit(value);
  constexpr std::uint64_t kNineDigits = kPowersOfTen[kMaxPrecision];
  constexpr std::uint64_t kUnitsPerWhole = kPowersOfTen[kObservationPrecision];
  if (units >= (negative ? kNineDigits : kNineDigits * kDecimalBase) * kUnitsPerWhole) return false;
  WriteObservationField(field, units, negative, lossOfLock, strength);
  return true;
}

void AppendFormat(std::string& line, const char* layout, ...) {
  char text[kFormatTextSize];
  va_list args;
  va_start(args, layout);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(text, sizeof text, layout, args);
  va_end(args);
  if (length >= 0 && static_cast<std::size_t>(length) < sizeof text) {
    line.append(text, static_cast<std::size_t>(length));
  } else if (length > 0) {
    const std::size_t start = line.size();
    line.resize(start + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(line.data() + start, static_cast<std::size_t>(length) + 1, layout, again);
    line.resize(start + static_cast<std::size_t>(length));
  }
  va_end(again);
}

void AppendEpochFields(std::string& line, int year2, int month, int day, int hour, int minute, double seconds,
                       int flag, int count) {
  constexpr int kYearWidth = 2;
  constexpr int kWidth = 3;
  constexpr int kSecondsWidth = 11;
  constexpr int kSecondsPrecision = 7;
  line += ' ';
  AppendSmall(line, year2, kYearWidth, true);
  AppendSmall(line, month, kWidth, false);
  AppendSmall(line, day, kWidth, false);
  AppendSmall(line, hour, kWidth, false);
  AppendSmall(line, minute, kWidth, false);
  AppendFixed(line, seconds, kSecondsWidth, kSecondsPrecision);
  AppendSmall(line, flag, kWidth, false);
  AppendSmall(line, count, kWidth, false);
}

void FinishLabelled(std::string& line, std::string_view label) {
  line.resize(kLabelColumn, ' ');
  // A line end or other control character in a name or a profile text would
  // split the record or shift its label; bytes from 0x80 up are left alone.
  for (char& c : line) {
    if (IsControlCharacter(static_cast<unsigned char>(c))) c = ' ';
  }
  line += label;
  line += '\n';
}

std::string Labelled(std::string_view value, std::string_view label) {
  std::string line(value);
  FinishLabelled(line, label);
  return line;
}

}  // namespace qzr2rin
