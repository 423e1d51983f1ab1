#include "input/profile.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <streambuf>
#include <utility>

#include "platform/streams.h"

namespace qzr2rin {
namespace {

// A line is kept to this many characters: far more than any key plus the
// longest value returned, and it bounds memory on a file with no line ends.
constexpr std::size_t kKeptLineLength = 64 * 1024;
constexpr std::size_t kReadChunk = 16 * 1024;
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Reads one line without its LF or CR LF end; false at the end of input.
// Past kKeptLineLength only the line's last non-blank character is kept, so
// that a quoted value too long to return whole still loses its quotes.
bool ReadLine(std::streambuf& in, std::string& line) {
  using Traits = std::streambuf::traits_type;
  line.clear();
  Traits::int_type c = in.sbumpc();
  if (Traits::eq_int_type(c, Traits::eof())) return false;
  bool overflow = false;
  bool hasLast = false;
  char last = 0;
  for (; !Traits::eq_int_type(c, Traits::eof()) && Traits::to_char_type(c) != '\n'; c = in.sbumpc()) {
    const char ch = Traits::to_char_type(c);
    if (line.size() < kKeptLineLength) {
      line.push_back(ch);
    } else {
      overflow = true;
      if (ch != ' ' && ch != '\t' && ch != '\r') {
        last = ch;
        hasLast = true;
      }
    }
  }
  if (overflow) {
    if (hasLast) line.push_back(last);
  } else if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return true;
}

// The profile's bytes through a buffer, for ReadLine.
class ProfileBuffer : public std::streambuf {
 public:
  explicit ProfileBuffer(platform::RegularFileReader& file) : file_(file) {}

 protected:
  int_type underflow() override {
    const std::size_t n = file_.Read(buffer_, sizeof buffer_);
    if (n == 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + n);
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  platform::RegularFileReader& file_;
  char buffer_[kReadChunk];
};

// "[ name ]" -> "name"; a header without its closing bracket names the rest
// of the line.
std::string_view SectionName(std::string_view header) {
  header.remove_prefix(1);
  const std::size_t close = header.find(']');
  return Trim(header.substr(0, close));
}

std::string CleanValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, TProfile::kMaxValueLength));
}

int LeadingInt(std::string_view text) {
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

}  // namespace

TProfile::TProfile(std::string section, std::string profilePath)
    : section_(std::move(section)), profilePath_(std::move(profilePath)) {}

std::string TProfile::GetString(std::string_view key, std::string_view defaultValue) const {
  std::optional<std::string> value = Find(key);
  if (!value) return std::string(defaultValue);
  return std::move(*value);
}

int TProfile::GetInt(std::string_view key, int defaultValue) const {
  const std::optional<std::string> value = Find(key);
  if (!value) return defaultValue;
  return LeadingInt(*value);
}

bool TProfile::Refused() const {
  return !profilePath_.empty() && platform::KindOf(profilePath_) == platform::PathKind::Other;
}

std::optional<std::string> TProfile::Find(std::string_view key) const {
  if (profilePath_.empty()) return std::nullopt;
  // Only a regular file: opening a FIFO would block and a device may never end.
  platform::RegularFileReader file(profilePath_);
  if (!file.IsOpen()) return std::nullopt;

  ProfileBuffer buffer(file);
  std::streambuf& in = buffer;
  std::string line;
  bool firstLine = true;
  bool inSection = false;
  while (ReadLine(in, line)) {
    std::string_view text = line;
    if (firstLine) {
      firstLine = false;
      if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    }
    text = Trim(text);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      inSection = EqualIgnoringCase(SectionName(text), section_);
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = Trim(text.substr(0, equals));
    if (name.empty() || !EqualIgnoringCase(name, key)) continue;
    return CleanValue(text.substr(equals + 1));
  }
  return std::nullopt;
}

double ProfileNumber(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos) return 0.0;
  text.remove_prefix(start);
  // from_chars takes no '+'; what follows it must be the number itself.
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return 0.0;
  }
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc{} || !std::isfinite(value)) return 0.0;
  return value;
}

}  // namespace qzr2rin
