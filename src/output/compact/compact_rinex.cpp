#include "output/compact/compact_rinex.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qzr2rin {

namespace {

constexpr std::size_t kLabelColumn = 60;
constexpr std::size_t kHeaderLineWidth = 80;
constexpr std::size_t kOutputChunk = 1 << 16;
constexpr std::size_t kIdWidth = 3;
constexpr std::size_t kFieldWidth = 16;
constexpr std::size_t kValueWidth = 14;
constexpr std::size_t kPointInField = 10;
constexpr int kDecimals = 3;
constexpr std::int64_t kSplit = 100000;  // V = U * kSplit + L
constexpr std::int64_t kResetLimit = 100000;
constexpr int kDecimalBase = 10;
constexpr std::size_t kVersionColumn = 5;
constexpr std::size_t kFileTypeColumn = 20;
constexpr std::size_t kProgramWidth = 40;
constexpr std::size_t kDateWidth = 20;
constexpr std::size_t kIntegerText = 24;
// The longest line of one satellite: "3&", 20 characters and a blank per
// field, then two flags per field and the line end.
constexpr std::size_t kSatelliteLineRoom = CompactRinexSink::kMaxTypes * (2 + kIntegerText + 1 + 2) + 2;

// RINEX 2 epoch line layout.
constexpr std::size_t kFlag2 = 28;
constexpr std::size_t kCount2 = 29;
constexpr std::size_t kList2 = 32;
constexpr std::size_t kListEnd2 = 68;
constexpr int kIdsPerLine2 = 12;
constexpr std::size_t kClock2 = 68;
constexpr std::size_t kClockPoint2 = 70;
constexpr int kClockDigits2 = 9;
constexpr int kFieldsPerLine2 = 5;

// RINEX 3 epoch line layout.
constexpr std::size_t kFlag3 = 31;
constexpr std::size_t kCount3 = 32;
constexpr std::size_t kCountWidth = 3;
constexpr std::size_t kEpochText3 = 41;
constexpr std::size_t kClockPoint3 = 43;
constexpr int kClockDigits3 = 12;

constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Label(std::string_view line) {
  return line.size() > kLabelColumn ? line.substr(kLabelColumn) : std::string_view();
}

// The C library's atoi on a fixed slice: blanks, a sign, digits.
int Atoi(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int n = 0;
  // Capped: every count read here is far below it, and a larger one is refused anyway.
  constexpr int kCap = 1000000;
  for (; i < s.size() && IsDigit(s[i]) && n < kCap; ++i) n = n * kDecimalBase + (s[i] - '0');
  return negative ? -n : n;
}

// "00" to "99", so that digits are made two at a time.
constexpr auto kDigitPairs = [] {
  constexpr int kPairs = kDecimalBase * kDecimalBase;
  std::array<char, 2 * kPairs> pairs{};
  for (int i = 0; i < kPairs; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / kDecimalBase);
    pairs[2 * i + 1] = static_cast<char>('0' + i % kDecimalBase);
  }
  return pairs;
}();

// Writes the plain decimal form of `value` at p and moves p past it.
void PutInt(char*& p, std::int64_t value) {
  constexpr std::uint64_t kPair = kDecimalBase * kDecimalBase;
  char text[kIntegerText];
  char* const end = text + kIntegerText;
  char* digits = end;
  // Negated as unsigned so that the lowest value has a magnitude too.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  while (magnitude >= kPair) {
    const std::size_t pair = 2 * static_cast<std::size_t>(magnitude % kPair);
    magnitude /= kPair;
    *--digits = kDigitPairs[pair + 1];
    *--digits = kDigitPairs[pair];
  }
  if (magnitude >= kDecimalBase) {
    *--digits = kDigitPairs[2 * magnitude + 1];
    *--digits = kDigitPairs[2 * magnitude];
  } else {
    *--digits = static_cast<char>('0' + magnitude);
  }
  if (value < 0) *p++ = '-';
  const std::size_t n = static_cast<std::size_t>(end - digits);
  std::memcpy(p, digits, n);
  p += n;
}

void AppendInt(std::string& out, std::int64_t value) {
  char text[kIntegerText];
  char* end = text;
  PutInt(end, value);
  out.append(text, static_cast<std::size_t>(end - text));
}

// What changed from old to now: blank where equal, '&' where now is blank.
void PutDiff(char*& p, std::string_view old, std::string_view now) {
  const std::size_t common = std::min(old.size(), now.size());
  for (std::size_t i = 0; i < common; ++i) *p++ = now[i] == old[i] ? ' ' : (now[i] == ' ' ? '&' : now[i]);
  for (std::size_t i = common; i < old.size(); ++i) *p++ = old[i] == ' ' ? ' ' : '&';
  std::memcpy(p, now.data() + common, now.size() - common);
  p += now.size() - common;
}

void AppendDiff(std::string& out, std::string_view old, std::string_view now) {
  const std::size_t start = out.size();
  out.resize(start + std::max(old.size(), now.size()));
  char* p = out.data() + start;
  PutDiff(p, old, now);
}

char* WithoutTrailingBlanks(char* p, const char* start) {
  while (p > start && p[-1] == ' ') --p;
  return p;
}

void EraseTrailingBlanks(std::string& s, std::size_t from) {
  std::size_t end = s.size();
  while (end > from && s[end - 1] == ' ') --end;
  s.resize(end);
}

std::uint32_t IdKey(const char* id) {
  constexpr int kByte = 8;
  return static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) << (2 * kByte) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << kByte |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[2]));
}

enum class Field { Value, Blank, Abnormal };

// An F14.3 field as the integer value * 1000, read from its columns.
Field ReadValue(const char* f, std::int64_t& v) {
  if (f[kPointInField] != '.') {
    for (std::size_t i = 0; i < kValueWidth; ++i) {
      if (f[i] != ' ') return Field::Abnormal;
    }
    return Field::Blank;
  }
  std::size_t i = 0;
  while (i < kPointInField && f[i] == ' ') ++i;
  bool negative = false;
  if (i < kPointInField && (f[i] == '-' || f[i] == '+')) negative = f[i++] == '-';
  std::int64_t n = 0;
  for (; i < kPointInField; ++i) {
    if (!IsDigit(f[i])) return Field::Abnormal;
    n = n * kDecimalBase + (f[i] - '0');
  }
  for (int d = 1; d <= kDecimals; ++d) {
    const char c = f[kPointInField + d];
    if (!IsDigit(c)) return Field::Abnormal;
    n = n * kDecimalBase + (c - '0');
  }
  v = negative ? -n : n;
  return Field::Value;
}

}  // namespace

CompactRinexSink::CompactRinexSink(ByteSink& next, std::string_view program,
                                   const platform::CalendarTime& when)
    : next_(next), padded_(kMaxLine + kHeaderLineWidth, ' ') {
  types3_.fill(-1);
  oldText_.assign("&");
  std::string date;
  constexpr int kCentury = 100;
  const auto two = [&date](int n) {
    date.push_back(static_cast<char>('0' + n / kDecimalBase % kDecimalBase));
    date.push_back(static_cast<char>('0' + n % kDecimalBase));
  };
  two(when.day);
  date.push_back('-');
  date.append(when.month >= 1 && when.month <= static_cast<int>(std::size(kMonths)) ? kMonths[when.month - 1]
                                                                                    : "???");
  date.push_back('-');
  two(((when.year % kCentury) + kCentury) % kCentury);
  date.push_back(' ');
  two(when.hour);
  date.push_back(':');
  two(when.minute);
  line2_.assign(program.substr(0, kProgramWidth));
  line2_.resize(kProgramWidth, ' ');
  line2_.append(date);
  line2_.resize(kProgramWidth + kDateWidth, ' ');
  line2_.append("CRINEX PROG / DATE\n");
  out_.reserve(kOutputChunk * 2);
}

void CompactRinexSink::Write(std::string_view bytes) {
  while (!bytes.empty() && problem_.empty()) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      if (pending_.size() + bytes.size() > kMaxLine + 1) {
        ++lineNumber_;
        Fail("line longer than 2048 characters");
        return;
      }
      pending_.append(bytes);
      break;
    }
    if (pending_.empty()) {
      OnLine(bytes.substr(0, end));
    } else {
      pending_.append(bytes.substr(0, end));
      OnLine(pending_);
      pending_.clear();
    }
    bytes.remove_prefix(end + 1);
  }
  if (out_.size() >= kOutputChunk) PassOn();
}

bool CompactRinexSink::Flush() {
  if (problem_.empty() && !pending_.empty()) {
    OnLine(pending_);
    pending_.clear();
  }
  if (problem_.empty() && stage_ != Stage::EpochLine && stage_ != Stage::Ended) {
    ++lineNumber_;
    Fail("file seems to be truncated");
  }
  if (!problem_.empty()) return false;
  PassOn();
  return next_.Flush();
}

void CompactRinexSink::PassOn() {
  if (out_.empty() || !problem_.empty()) return;
  next_.Write(out_);
  out_.clear();
}

void CompactRinexSink::Fail(std::string_view what) {
  if (!problem_.empty()) return;
  problem_.assign(what);
  problem_.append(" in line ");
  AppendInt(problem_, static_cast<std::int64_t>(lineNumber_));
  out_.clear();
}

void CompactRinexSink::Emit(std::string_view text) { out_.append(text); }

void CompactRinexSink::EmitLine(std::string_view text) {
  out_.append(text);
  out_.push_back('\n');
}

void CompactRinexSink::OnLine(std::string_view raw) {
  ++lineNumber_;
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  if (raw.size() > kMaxLine) {
    Fail("line longer than 2048 characters");
    return;
  }
  const std::string_view line = TrimRight(raw);
  switch (stage_) {
    case Stage::FirstLine: OnFirstLine(line); break;
    case Stage::Header: OnHeaderLine(line); break;
    case Stage::EpochLine: OnEpochLine(line); break;
    case Stage::SatelliteLines: OnSatelliteLine(line); break;
    case Stage::DataLines: OnDataLine(line); break;
    case Stage::EventLines: OnEventLine(line); break;
    case Stage::Ended:
      if (!line.empty()) Fail("text after the end of file mark");
      break;
  }
}

void CompactRinexSink::OnFirstLine(std::string_view line) {
  const char version = line.size() > kVersionColumn ? line[kVersionColumn] : ' ';
  if (!Label(line).starts_with("RINEX VERSION / TYPE") || line.size() <= kFileTypeColumn ||
      line[kFileTypeColumn] != 'O' || (version != '2' && version != '3' && version != '4')) {
    Fail("not a RINEX observation file");
    return;
  }
  rinex3_ = version != '2';
  std::string first(rinex3_ ? "3.0" : "1.0");
  first.resize(kDateWidth, ' ');
  first.append("COMPACT RINEX FORMAT");
  first.resize(kDateWidth + kProgramWidth, ' ');
  first.append("CRINEX VERS   / TYPE\n");
  Emit(first);
  Emit(line2_);
  EmitLine(line);
  stage_ = Stage::Header;
}

void CompactRinexSink::TakeTypes(std::string_view line) {
  const std::string_view label = Label(line);
  int count = 0;
  if (!rinex3_ && label.starts_with("# / TYPES OF OBSERV") && line[kVersionColumn] != ' ') {
    count = types2_ = Atoi(line.substr(0, kVersionColumn + 1));
  } else if (rinex3_ && label.starts_with("SYS / # / OBS TYPES") && line[0] != ' ') {
    count = types3_[static_cast<unsigned char>(line[0])] = Atoi(line.substr(kCountWidth, kCountWidth));
  } else {
    return;
  }
  if (count > kMaxTypes || count < 0) Fail("more than 100 observation types");
}

void CompactRinexSink::OnHeaderLine(std::string_view line) {
  TakeTypes(line);
  EmitLine(line);
  if (Label(line).starts_with("END OF HEADER")) stage_ = Stage::EpochLine;
}

void CompactRinexSink::OnEpochLine(std::string_view line) {
  // A DOS end of file mark may close the text.
  if (line == "\x1a") {
    stage_ = Stage::Ended;
    return;
  }
  std::memcpy(padded_.data(), line.data(), line.size());
  if (rinex3_) {
    OnEpochLine3(line);
  } else {
    OnEpochLine2(line);
  }
  std::memset(padded_.data(), ' ', line.size());
}

void CompactRinexSink::ResetArcs() {
  oldText_.assign("&");
  clockOrder_ = -1;
  epochs_[current_ ^ 1].count = 0;
}

void CompactRinexSink::StartEvent(std::string_view shown, std::string_view countText) {
  EmitLine(shown);
  ResetArcs();
  eventLinesLeft_ = Atoi(countText);
  stage_ = eventLinesLeft_ > 0 ? Stage::EventLines : Stage::EpochLine;
}

void CompactRinexSink::OnEventLine(std::string_view line) {
  TakeTypes(line);
  EmitLine(line);
  if (--eventLinesLeft_ == 0) stage_ = Stage::EpochLine;
}

bool CompactRinexSink::ReadClock(std::string_view line, std::size_t start, std::size_t point, int digits) {
  const char* p = padded_.data();
  std::size_t i = start;
  while (i < point && p[i] == ' ') ++i;
  bool negative = false;
  if (i < point && p[i] == '-') {
    negative = true;
    ++i;
  }
  std::int64_t n = 0;
  for (; i < point; ++i) {
    if (!IsDigit(p[i])) return false;
    n = n * kDecimalBase + (p[i] - '0');
  }
  if (p[point] != '.' || line.size() < point + 1 + static_cast<std::size_t>(digits)) return false;
  for (int d = 1; d <= digits; ++d) {
    if (!IsDigit(p[point + d])) return false;
    n = n * kDecimalBase + (p[point + d] - '0');
  }
  clockValue_ = negative ? -n : n;
  return true;
}

bool CompactRinexSink::AddSatellite(const char* text) {
  const std::uint32_t id = IdKey(text);
  EpochSatellites& now = epochs_[current_];
  for (int i = 0; i < now.count; ++i) {
    if (now.ids[i] == id) {
      Fail("duplicated satellite");
      return false;
    }
  }
  now.ids[now.count++] = id;
  epochText_.append(text, kIdWidth);
  return true;
}

void CompactRinexSink::OnEpochLine2(std::string_view line) {
  if (line.size() <= kFlag2 || line[0] != ' ' || line[kFlag2 - 1] != ' ' || !IsDigit(line[kFlag2])) {
    Fail("abnormal epoch line");
    return;
  }
  const std::string_view padded(padded_.data(), kHeaderLineWidth);
  if (line[kFlag2] > '1') {
    std::string shown("&");
    shown.append(line.substr(1));
    StartEvent(shown, padded.substr(kCount2, kCountWidth));
    return;
  }
  hasClock_ = line.size() > kClock2;
  if (hasClock_ && !ReadClock(line, kClock2, kClockPoint2, kClockDigits2)) {
    Fail("invalid format for clock offset");
    return;
  }
  epochSatellites_ = Atoi(padded.substr(kCount2, kCountWidth));
  if (epochSatellites_ > kMaxSatellites || epochSatellites_ < 0) {
    Fail(epochSatellites_ < 0 ? "abnormal epoch line" : "more than 100 satellites");
    return;
  }
  epochText_.assign(padded.substr(0, kList2));
  epochs_[current_].count = 0;
  satellitesListed_ = 0;
  OnSatelliteLine(line);
}

void CompactRinexSink::OnSatelliteLine(std::string_view line) {
  if (stage_ == Stage::SatelliteLines) std::memcpy(padded_.data(), line.data(), line.size());
  // Old files write continuation lines from column 1.
  const std::size_t from = stage_ == Stage::SatelliteLines && padded_[2] != ' ' ? 0 : kList2;
  const int here = std::min(kIdsPerLine2, epochSatellites_ - satellitesListed_);
  for (int i = 0; i < here; ++i) {
    if (!AddSatellite(padded_.data() + from + kIdWidth * i)) return;
  }
  static_assert(kList2 + kIdWidth * kIdsPerLine2 == kListEnd2);
  satellitesListed_ += here;
  if (stage_ == Stage::SatelliteLines) std::memset(padded_.data(), ' ', line.size());
  if (satellitesListed_ < epochSatellites_) {
    stage_ = Stage::SatelliteLines;
    return;
  }
  body_.Clear();
  satelliteIndex_ = 0;
  lineOfSatellite_ = 0;
  stage_ = Stage::DataLines;
  if (epochSatellites_ == 0) EndEpoch();
}

void CompactRinexSink::OnEpochLine3(std::string_view line) {
  const std::string_view padded(padded_.data(), kEpochText3);
  if (line.empty() || line[0] != '>' || !IsDigit(padded[kFlag3])) {
    Fail("abnormal epoch line");
    return;
  }
  if (padded[kFlag3] > '1') {
    StartEvent(line, padded.substr(kCount3, kCountWidth));
    return;
  }
  hasClock_ = line.size() > kEpochText3;
  if (hasClock_ && !ReadClock(line, kEpochText3, kClockPoint3, kClockDigits3)) {
    Fail("invalid format for clock offset");
    return;
  }
  epochSatellites_ = Atoi(padded.substr(kCount3, kCountWidth));
  if (epochSatellites_ > kMaxSatellites || epochSatellites_ < 0) {
    Fail(epochSatellites_ < 0 ? "abnormal epoch line" : "more than 100 satellites");
    return;
  }
  epochText_.assign(padded);
  epochs_[current_].count = 0;
  body_.Clear();
  satelliteIndex_ = 0;
  lineOfSatellite_ = 0;
  stage_ = Stage::DataLines;
  if (epochSatellites_ == 0) EndEpoch();
}

void CompactRinexSink::OnDataLine(std::string_view line) {
  std::memcpy(padded_.data(), line.data(), line.size());
  if (rinex3_) {
    OnDataLine3(line);
  } else {
    OnDataLine2(line);
  }
  std::memset(padded_.data(), ' ', line.size());
}

void CompactRinexSink::OnDataLine2(std::string_view line) {
  const int first = lineOfSatellite_ * kFieldsPerLine2;
  const int last = std::min(types2_, first + kFieldsPerLine2);
  if (line.size() > kFieldWidth * static_cast<std::size_t>(std::max(last - first, 0))) {
    Fail("mismatch of number of the data types");
    return;
  }
  if (lineOfSatellite_ == 0) BeginSatellite(satelliteIndex_);
  if (!CompactFields(padded_.data(), first, last)) return;
  ++lineOfSatellite_;
  if (last < types2_) return;
  EndSatellite();
  lineOfSatellite_ = 0;
  if (++satelliteIndex_ == epochSatellites_) EndEpoch();
}

void CompactRinexSink::OnDataLine3(std::string_view line) {
  const int types = types3_[static_cast<unsigned char>(padded_[0])];
  if (types < 0) {
    Fail("satellite of a system without SYS / # / OBS TYPES");
    return;
  }
  if (line.size() > kIdWidth + kFieldWidth * static_cast<std::size_t>(types)) {
    Fail("mismatch of number of the data types");
    return;
  }
  if (!AddSatellite(padded_.data())) return;
  epochs_[current_].types[satelliteIndex_] = types;
  BeginSatellite(satelliteIndex_);
  if (!CompactFields(padded_.data() + kIdWidth, 0, types)) return;
  EndSatellite();
  if (++satelliteIndex_ == epochSatellites_) EndEpoch();
}

void CompactRinexSink::BeginSatellite(int index) {
  EpochSatellites& now = epochs_[current_];
  const EpochSatellites& before = epochs_[current_ ^ 1];
  if (!rinex3_) now.types[index] = types2_;
  const std::uint32_t id = now.ids[index];
  previousIndex_ = -1;
  if (index < before.count && before.ids[index] == id) {
    previousIndex_ = index;
  } else {
    for (int i = 0; i < before.count; ++i) {
      if (before.ids[i] == id) {
        previousIndex_ = i;
        break;
      }
    }
  }
  if (previousIndex_ >= 0 && before.types[previousIndex_] != now.types[index]) previousIndex_ = -1;
  lineStart_ = cursor_ = body_.Room(kSatelliteLineRoom);
}

// Appends the tokens of fields [first, last) of the current satellite, whose
// text starts at `fields`, and keeps their flags.
bool CompactRinexSink::CompactFields(const char* fields, int first, int last) {
  EpochSatellites& now = epochs_[current_];
  EpochSatellites& before = epochs_[current_ ^ 1];
  const std::size_t base = static_cast<std::size_t>(satelliteIndex_) * kMaxTypes;
  const std::size_t oldBase = static_cast<std::size_t>(std::max(previousIndex_, 0)) * kMaxTypes;
  for (int j = first; j < last; ++j) {
    const char* f = fields + kFieldWidth * static_cast<std::size_t>(j - first);
    Arc& arc = now.arcs[base + j];
    char* flags = &now.flags[(base + j) * 2];
    flags[0] = f[kValueWidth];
    flags[1] = f[kValueWidth + 1];
    if (j > 0) *cursor_++ = ' ';
    std::int64_t v = 0;
    const Field kind = ReadValue(f, v);
    if (kind == Field::Abnormal) {
      Fail("abnormal data field");
      return false;
    }
    if (kind == Field::Blank) {
      arc.order = -1;
      if (rinex3_) continue;
      if (flags[0] != ' ' || flags[1] != ' ') {
        Fail("data is blank but there is flag");
        return false;
      }
      if (previousIndex_ >= 0) before.flags[(oldBase + j) * 2] = before.flags[(oldBase + j) * 2 + 1] = ' ';
      continue;
    }
    arc.v[0] = v;
    arc.u[0] = v / kSplit;
    const Arc* old = previousIndex_ >= 0 ? &before.arcs[oldBase + j] : nullptr;
    arc.order = old == nullptr || old->order < 0 ? 0 : std::min(old->order + 1, kMaxOrder);
    for (int k = 0; k < arc.order; ++k) {
      arc.v[k + 1] = arc.v[k] - old->v[k];
      arc.u[k + 1] = arc.u[k] - old->u[k];
    }
    if (arc.order > 0 && (arc.u[arc.order] > kResetLimit || arc.u[arc.order] < -kResetLimit)) arc.order = 0;
    if (arc.order == 0) {
      *cursor_++ = '3';
      *cursor_++ = '&';
    }
    PutInt(cursor_, arc.v[arc.order]);
  }
  return true;
}

void CompactRinexSink::EndSatellite() {
  const EpochSatellites& now = epochs_[current_];
  const EpochSatellites& before = epochs_[current_ ^ 1];
  const std::size_t width = static_cast<std::size_t>(now.types[satelliteIndex_]) * 2;
  const std::string_view flags(&now.flags[static_cast<std::size_t>(satelliteIndex_) * kMaxTypes * 2], width);
  char* p = cursor_;
  *p++ = ' ';
  if (previousIndex_ >= 0) {
    PutDiff(p,
            std::string_view(&before.flags[static_cast<std::size_t>(previousIndex_) * kMaxTypes * 2], width),
            flags);
    p = WithoutTrailingBlanks(p, lineStart_);
  } else if (rinex3_) {
    for (const char c : flags) *p++ = c == ' ' ? '&' : c;
  } else {
    std::memcpy(p, flags.data(), width);
    p = WithoutTrailingBlanks(p + width, lineStart_);
  }
  *p++ = '\n';
  body_.Commit(p);
}

void CompactRinexSink::EndEpoch() {
  const std::size_t start = out_.size();
  AppendDiff(out_, oldText_, epochText_);
  EraseTrailingBlanks(out_, start);
  out_.push_back('\n');
  if (hasClock_) {
    const auto before = clock_;
    clockOrder_ = std::min(clockOrder_ + 1, kMaxOrder);
    clock_[0] = clockValue_;
    for (int k = 0; k < clockOrder_; ++k) clock_[k + 1] = clock_[k] - before[k];
    if (clockOrder_ == 0) out_.append("3&");
    AppendInt(out_, clock_[clockOrder_]);
  } else {
    clockOrder_ = -1;
  }
  out_.push_back('\n');
  out_.append(body_.View());
  body_.Clear();
  oldText_.swap(epochText_);
  current_ ^= 1;
  stage_ = Stage::EpochLine;
}

}  // namespace qzr2rin
