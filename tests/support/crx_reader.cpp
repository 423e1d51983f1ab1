#include "support/crx_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace qzrtest {
namespace {

constexpr std::size_t kLabelStart = 60;
constexpr std::string_view kCrxLabel = "CRINEX VERS   / TYP";
constexpr std::string_view kVersionLabel = "RINEX VERSION / TYPE";
constexpr std::string_view kEndLabel = "END OF HEADER";
constexpr std::string_view kTypes2Label = "# / TYPES OF OBSERV";
constexpr std::string_view kTypes3Label = "SYS / # / OBS TYPES";
constexpr std::size_t kVersionDigit = 5;  // the major version in the RINEX first line
constexpr std::size_t kTypes2Width = 6;
constexpr std::size_t kTypes3Start = 3;
constexpr std::size_t kCountWidth = 3;
constexpr std::size_t kMaxTypes = 100;

constexpr std::size_t kFieldWidth = 16;  // F14.3 value, loss of lock, strength
constexpr std::size_t kValueWidth = 14;
constexpr std::size_t kValuePoint = 10;
constexpr int kValueDecimals = 3;
constexpr std::size_t kFieldsPerLine2 = 5;

constexpr std::size_t kIdWidth = 3;
constexpr std::size_t kIdsPerLine2 = 12;
constexpr std::size_t kEpochText2 = 32;  // the epoch line up to the satellite count
constexpr std::size_t kEpochText3 = 41;  // the epoch line up to the clock
constexpr std::size_t kFlag2 = 28;
constexpr std::size_t kFlag3 = 31;
constexpr std::size_t kCount2 = 29;
constexpr std::size_t kCount3 = 32;
constexpr std::size_t kBlankBeforeFlag2 = 27;
constexpr std::size_t kClockColumn2 = 68;
constexpr std::size_t kClockWidth2 = 12;
constexpr std::size_t kClockPoint2 = 2;
constexpr int kClockDecimals2 = 9;
constexpr std::size_t kClockWidth3 = 15;
constexpr int kClockDecimals3 = 12;

constexpr int kMaxOrder = 5;
constexpr std::size_t kMaxDigits = 18;  // keeps every sum of a few tokens inside 64 bits
constexpr char kDosEnd = '\x1A';
constexpr std::size_t kExpansion = 4;  // about how much larger the RINEX text is

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Rstrip(std::string_view s) {
  const std::size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

void AppendLine(std::string& out, std::string_view line) {
  out += Rstrip(line);
  out += '\n';
}

bool HasLabel(std::string_view line, std::string_view label) {
  return line.size() > kLabelStart && line.substr(kLabelStart).starts_with(label);
}

// Columns [at, at + width) of a line, blank beyond its end.
std::string Columns(std::string_view line, std::size_t at, std::size_t width) {
  std::string out(width, ' ');
  for (std::size_t i = 0; i < width && at + i < line.size(); ++i) out[i] = line[at + i];
  return out;
}

std::optional<std::int64_t> ParseInteger(std::string_view s) {
  const bool negative = s.starts_with('-');
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.size() > kMaxDigits) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : s) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// A right-justified count such as the number of satellites; blank is 0.
std::optional<std::size_t> ParseCount(std::string_view field) {
  const std::size_t first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  const auto value = ParseInteger(Rstrip(field.substr(first)));
  if (!value || *value < 0) return std::nullopt;
  return static_cast<std::size_t>(*value);
}

// The exact integer value × 10^decimals of a fixed-point field whose point
// is at `point`, read from the text alone.
std::optional<std::int64_t> ParseFixed(std::string_view field, std::size_t point, int decimals) {
  if (field.size() != point + 1 + static_cast<std::size_t>(decimals) || field[point] != '.') {
    return std::nullopt;
  }
  std::string_view whole = field.substr(0, point);
  whole.remove_prefix(std::min(whole.find_first_not_of(' '), whole.size()));
  const bool negative = whole.starts_with('-');
  if (negative) whole.remove_prefix(1);
  std::int64_t value = 0;
  for (const char c : whole) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  for (const char c : field.substr(point + 1)) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// `scaled` / 10^decimals right-justified in `width` columns, with no
// leading zero before the point and no negative zero; nothing when it does
// not fit.
std::optional<std::string> FormatFixed(std::int64_t scaled, int decimals, std::size_t width) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(scaled);
  if (scaled < 0) magnitude = 0 - magnitude;
  std::string fraction(static_cast<std::size_t>(decimals), '0');
  for (auto digit = fraction.rbegin(); digit != fraction.rend(); ++digit) {
    *digit = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  std::string text = scaled < 0 ? "-" : "";
  if (magnitude != 0) text += std::to_string(magnitude);
  text += '.';
  text += fraction;
  if (text.size() > width) return std::nullopt;
  return std::string(width - text.size(), ' ') + text;
}

// The inverse of the text difference: a blank keeps the old character, '&'
// makes it blank, anything else replaces it.
std::string Repair(std::string_view old, std::string_view diff) {
  std::string text(old);
  if (text.size() < diff.size()) text.resize(diff.size(), ' ');
  for (std::size_t i = 0; i < diff.size(); ++i) {
    if (diff[i] == '&') {
      text[i] = ' ';
    } else if (diff[i] != ' ') {
      text[i] = diff[i];
    }
  }
  return text;
}

// A RINEX 2 epoch line and its satellite continuation lines.
void AppendEpoch2(std::string& out, std::string_view text, const std::vector<std::string>& ids,
                  std::string_view clock) {
  std::string line = Columns(text, 0, kEpochText2);
  for (std::size_t i = 0; i < ids.size() && i < kIdsPerLine2; ++i) line += ids[i];
  if (!clock.empty()) line = Columns(line, 0, kClockColumn2) + std::string(clock);
  AppendLine(out, line);
  for (std::size_t i = kIdsPerLine2; i < ids.size(); i += kIdsPerLine2) {
    line.assign(kEpochText2, ' ');
    for (std::size_t k = i; k < ids.size() && k < i + kIdsPerLine2; ++k) line += ids[k];
    AppendLine(out, line);
  }
}

bool IsArcStart(std::string_view token) { return token.size() >= 2 && token[1] == '&'; }

class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  // The next line without its end (LF or CRLF); false at the end.
  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++number_;
    return true;
  }
  std::size_t Number() const { return number_; }

 private:
  std::string_view rest_;
  std::size_t number_ = 0;
};

// One difference arc: the value and its differences up to the current order.
struct Arc {
  int top = -1;    // the highest order the arc reaches
  int order = -1;  // the order of the latest difference; -1 without an arc
  std::array<std::int64_t, kMaxOrder + 1> d{};

  bool Active() const { return order >= 0; }
  void Start(int highest, std::int64_t value) {
    top = highest;
    order = 0;
    d[0] = value;
  }
  // Takes the next difference and rebuilds the lower orders and the value.
  bool Step(std::int64_t difference) {
    order = std::min(order + 1, top);
    d[order] = difference;
    for (int k = order - 1; k >= 0; --k) {
      if (__builtin_add_overflow(d[k + 1], d[k], &d[k])) return false;
    }
    return true;
  }
};

// Feeds one token ("n&value" or a difference) to an arc; the problem when it
// cannot be read.
std::string Advance(Arc& arc, std::string_view token) {
  if (IsArcStart(token)) {
    if (!IsDigit(token[0]) || token[0] - '0' > kMaxOrder)
      return "bad arc order in '" + std::string(token) + "'";
    const auto value = ParseInteger(token.substr(2));
    if (!value) return "bad number in '" + std::string(token) + "'";
    arc.Start(token[0] - '0', *value);
    return {};
  }
  const auto difference = ParseInteger(token);
  if (!difference) return "bad number '" + std::string(token) + "'";
  if (!arc.Active()) return "a difference '" + std::string(token) + "' without an arc to continue";
  if (!arc.Step(*difference)) return "the value of '" + std::string(token) + "' overflows";
  return {};
}

struct Satellite {
  std::vector<Arc> arcs;
  std::string flags;  // loss of lock and strength of every field
};

class Decoder {
 public:
  Decoder(std::string_view crx, std::string& out) : lines_(crx), out_(out) {}

  bool Run() {
    if (!ReadHeader()) return false;
    std::string_view line;
    while (lines_.Next(line)) {
      if (!compact1_ && line.starts_with('&')) continue;  // escape lines
      if (!ReadRecord(line)) return false;
    }
    return true;
  }
  std::string Problem() const { return "line " + std::to_string(lines_.Number()) + ": " + problem_; }

 private:
  bool Fail(std::string why) {
    problem_ = std::move(why);
    return false;
  }
  bool Next(std::string_view& line) { return lines_.Next(line) || Fail("the file seems to be truncated"); }

  bool ReadHeader() {
    std::string_view line;
    if (!Next(line)) return false;
    const std::string_view crxVersion = line.substr(0, kCountWidth);
    if ((crxVersion != "1.0" && crxVersion != "3.0") || !HasLabel(line, kCrxLabel)) {
      return Fail("not a compact RINEX first line");
    }
    compact1_ = crxVersion == "1.0";
    if (!Next(line) || !Next(line)) return false;
    const bool versionMatches =
        line.size() > kVersionDigit &&
        (compact1_ ? line[kVersionDigit] == '2' : (line[kVersionDigit] == '3' || line[kVersionDigit] == '4'));
    if (!HasLabel(line, kVersionLabel) || !versionMatches)
      return Fail("no RINEX version line of this format");
    for (;;) {
      if (!NoteTypes(line)) return false;
      AppendLine(out_, line);
      if (HasLabel(line, kEndLabel)) return true;
      if (!Next(line)) return false;
    }
  }

  bool NoteTypes(std::string_view line) {
    std::optional<std::size_t> count;
    if (compact1_ && HasLabel(line, kTypes2Label) && line[kTypes2Width - 1] != ' ') {
      count = ParseCount(line.substr(0, kTypes2Width));
      if (count) types2_ = static_cast<int>(std::min(*count, kMaxTypes + 1));
    } else if (!compact1_ && HasLabel(line, kTypes3Label) && line[0] != ' ') {
      count = ParseCount(line.substr(kTypes3Start, kCountWidth));
      if (count) types3_[line[0]] = static_cast<int>(*count);
    } else {
      return true;
    }
    if (!count || *count > kMaxTypes) return Fail("bad number of observation types");
    return true;
  }

  int TypeCount(std::string_view id) const {
    if (compact1_) return types2_;
    const auto found = types3_.find(id[0]);
    return found == types3_.end() ? -1 : found->second;
  }

  void Reset() {
    oldText_.clear();
    clock_ = {};
    previous_.clear();
  }

  bool ReadRecord(std::string_view line) {
    const std::size_t flagAt = compact1_ ? kFlag2 : kFlag3;
    const bool initialised = line.starts_with(compact1_ ? '&' : '>');
    if (initialised) {
      if (line.size() > flagAt && IsDigit(line[flagAt]) && line[flagAt] > '1') return ReadEvent(line);
      Reset();
      oldText_ = "&";
    } else if (oldText_.empty()) {
      return Fail("the epoch line is a difference, but there is no epoch to apply it to");
    }
    std::string text = Repair(oldText_, line);
    const bool shaped = compact1_ ? text.size() > flagAt && text[0] == ' ' && text[kBlankBeforeFlag2] == ' '
                                  : text.size() > flagAt && text[0] == '>';
    if (!shaped || !IsDigit(text[flagAt])) return Fail("bad epoch line '" + text + "'");
    if (text[flagAt] > '1') return Fail("an event record written as a difference");
    const std::size_t prefix = compact1_ ? kEpochText2 : kEpochText3;
    if (text.size() < prefix) text.resize(prefix, ' ');
    const auto count = ParseCount(text.substr(compact1_ ? kCount2 : kCount3, kCountWidth));
    if (!count) return Fail("bad number of satellites");
    if (text.size() < prefix + kIdWidth * *count) return Fail("fewer satellites listed than counted");
    if (Rstrip(text).size() > prefix + kIdWidth * *count) return Fail("more satellites listed than counted");
    text.resize(prefix + kIdWidth * *count);
    return ReadEpoch(text, *count);
  }

  bool ReadEpoch(const std::string& text, std::size_t count) {
    const std::size_t prefix = compact1_ ? kEpochText2 : kEpochText3;
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < count; ++i) {
      ids.push_back(text.substr(prefix + kIdWidth * i, kIdWidth));
      if (std::find(ids.begin(), ids.end() - 1, ids.back()) != ids.end() - 1) {
        return Fail("satellite '" + ids.back() + "' twice in one epoch");
      }
    }
    std::string clock;
    if (!ReadClock(clock)) return false;
    if (compact1_) {
      AppendEpoch2(out_, text, ids, clock);
    } else {
      AppendLine(out_, text.substr(0, kEpochText3) + clock);
    }
    std::map<std::string, Satellite, std::less<>> now;
    for (const std::string& id : ids) {
      if (!ReadSatellite(id, now[id])) return false;
    }
    previous_ = std::move(now);
    oldText_ = text;
    return true;
  }

  bool ReadClock(std::string& clock) {
    std::string_view line;
    if (!Next(line)) return false;
    if (line.empty()) {
      clock_ = {};
      return true;
    }
    if (std::string why = Advance(clock_, line); !why.empty()) return Fail("clock: " + why);
    const auto text = compact1_ ? FormatFixed(clock_.d[0], kClockDecimals2, kClockWidth2)
                                : FormatFixed(clock_.d[0], kClockDecimals3, kClockWidth3);
    if (!text) return Fail("the clock offset is out of range");
    clock = *text;
    return true;
  }

  bool ReadSatellite(const std::string& id, Satellite& now) {
    const int types = TypeCount(id);
    if (types < 0) return Fail("no observation types for satellite '" + id + "'");
    const auto n = static_cast<std::size_t>(types);
    std::string_view line;
    if (!Next(line)) return false;
    const auto before = previous_.find(id);
    const bool known = before != previous_.end();
    now.arcs = known ? before->second.arcs : std::vector<Arc>(n);
    now.flags = known ? before->second.flags : std::string(2 * n, ' ');
    std::vector<std::optional<std::int64_t>> values(n);
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t end = std::min(line.find(' '), line.size());
      const std::string_view token = line.substr(0, end);
      line.remove_prefix(std::min(end + 1, line.size()));
      if (token.empty()) {
        now.arcs[j] = {};
        if (compact1_ && known) now.flags.replace(2 * j, 2, "  ");
        continue;
      }
      if (!known && !IsArcStart(token)) {
        return Fail("new satellite '" + id + "', but its data arc is not initialised");
      }
      if (std::string why = Advance(now.arcs[j], token); !why.empty()) return Fail(id + ": " + why);
      values[j] = now.arcs[j].d[0];
    }
    if (line.size() > 2 * n) return Fail("too many flags for satellite '" + id + "'");
    now.flags = Repair(now.flags, line);
    return AppendData(id, values, now.flags);
  }

  bool AppendData(std::string_view id, const std::vector<std::optional<std::int64_t>>& values,
                  std::string_view flags) {
    std::string line = compact1_ ? "" : std::string(id);
    for (std::size_t j = 0; j < values.size(); ++j) {
      if (compact1_ && j != 0 && j % kFieldsPerLine2 == 0) {
        AppendLine(out_, line);
        line.clear();
      }
      const auto text = values[j] ? FormatFixed(*values[j], kValueDecimals, kValueWidth)
                                  : std::optional<std::string>(std::string(kValueWidth, ' '));
      if (!text) return Fail("a value of satellite '" + std::string(id) + "' is out of range");
      line += *text;
      line += flags.substr(2 * j, 2);
    }
    if (!compact1_ || !values.empty()) AppendLine(out_, line);
    return true;
  }

  bool ReadEvent(std::string_view line) {
    std::string text(line);
    if (compact1_) text[0] = ' ';
    AppendLine(out_, text);
    const auto count = ParseCount(Columns(text, compact1_ ? kCount2 : kCount3, kCountWidth));
    if (!count) return Fail("bad number of records in an event");
    for (std::size_t i = 0; i < *count; ++i) {
      if (!Next(line) || !NoteTypes(line)) return false;
      AppendLine(out_, line);
    }
    Reset();
    return true;
  }

  Lines lines_;
  std::string& out_;
  std::string problem_;
  bool compact1_ = false;  // CRX 1.0 of RINEX 2 rather than CRX 3.0
  int types2_ = -1;
  std::map<char, int> types3_;
  std::string oldText_;  // empty while the next epoch must be written whole
  Arc clock_;
  std::map<std::string, Satellite, std::less<>> previous_;
};

class Canonical2 {
 public:
  explicit Canonical2(std::string_view rinex) : lines_(rinex) {}

  std::string Run() {
    std::string_view line;
    while (lines_.Next(line)) {
      NoteTypes(line);
      AppendLine(out_, line);
      if (HasLabel(line, kEndLabel)) break;
    }
    while (lines_.Next(line)) {
      const bool epoch = line.size() > kFlag2 && line[0] == ' ' && line[kBlankBeforeFlag2] == ' ' &&
                         IsDigit(line[kFlag2]) && ParseCount(Columns(line, kCount2, kCountWidth));
      if (!epoch) {
        AppendLine(out_, line);
      } else if (line[kFlag2] > '1') {
        Event(line);
      } else {
        Epoch(line);
      }
    }
    return std::move(out_);
  }

 private:
  void NoteTypes(std::string_view line) {
    if (!HasLabel(line, kTypes2Label) || line[kTypes2Width - 1] == ' ') return;
    types_ = std::min(ParseCount(line.substr(0, kTypes2Width)).value_or(0), kMaxTypes);
  }

  void Event(std::string_view line) {
    AppendLine(out_, line);
    const std::size_t count = *ParseCount(Columns(line, kCount2, kCountWidth));
    for (std::size_t i = 0; i < count && lines_.Next(line); ++i) {
      NoteTypes(line);
      AppendLine(out_, line);
    }
  }

  void Epoch(std::string_view line) {
    const std::size_t count = *ParseCount(Columns(line, kCount2, kCountWidth));
    std::vector<std::string> ids;
    std::string_view list = line;
    std::size_t from = kEpochText2;
    while (ids.size() < count) {
      for (std::size_t k = 0; k < kIdsPerLine2 && ids.size() < count; ++k) {
        ids.push_back(Columns(list, from + kIdWidth * k, kIdWidth));
      }
      if (ids.size() < count && !lines_.Next(list)) break;
      from = list.size() > 2 && list[2] != ' ' ? 0 : kEpochText2;
    }
    std::string clock;
    if (Rstrip(line).size() > kClockColumn2) {
      clock = Columns(line, kClockColumn2, kClockWidth2);
      const auto value = ParseFixed(clock, kClockPoint2, kClockDecimals2);
      if (value) clock = FormatFixed(*value, kClockDecimals2, kClockWidth2).value_or(clock);
    }
    AppendEpoch2(out_, line, ids, clock);
    const std::size_t linesPerSatellite = (types_ + kFieldsPerLine2 - 1) / kFieldsPerLine2;
    for (std::size_t s = 0; s < ids.size() * linesPerSatellite && lines_.Next(line); ++s) {
      const std::size_t fields =
          std::min(kFieldsPerLine2, types_ - (s % linesPerSatellite) * kFieldsPerLine2);
      Data(line, fields);
    }
  }

  void Data(std::string_view line, std::size_t fields) {
    std::string out;
    for (std::size_t j = 0; j < fields; ++j) {
      const std::string field = Columns(line, kFieldWidth * j, kFieldWidth);
      std::string value = field.substr(0, kValueWidth);
      if (const auto v = ParseFixed(value, kValuePoint, kValueDecimals)) {
        value = FormatFixed(*v, kValueDecimals, kValueWidth).value_or(value);
      }
      out += value;
      out += field.substr(kValueWidth);
    }
    AppendLine(out_, out);
  }

  Lines lines_;
  std::string out_;
  std::size_t types_ = 0;
};

}  // namespace

bool DecompressCrx(std::string_view crx, std::string& rinex, std::string& problem) {
  rinex.clear();
  problem.clear();
  if (crx.ends_with(kDosEnd)) crx.remove_suffix(1);
  if (!crx.empty() && !crx.ends_with('\n')) {
    problem = "the file seems to be truncated: its last line has no end";
    return false;
  }
  rinex.reserve(crx.size() * kExpansion);
  Decoder decoder(crx, rinex);
  if (decoder.Run()) return true;
  problem = decoder.Problem();
  return false;
}

std::string CanonicalRinex2(std::string_view rinex) { return Canonical2(rinex).Run(); }

}  // namespace qzrtest
