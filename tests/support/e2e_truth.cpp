#include "support/e2e_truth.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace qzrtest::e2e {

std::vector<std::string> SplitCommas(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) out.push_back(field);
  if (!line.empty() && line.back() == ',') out.emplace_back();
  return out;
}

namespace {

double Field(const std::string& f) { return f.empty() ? NAN : std::strtod(f.c_str(), nullptr); }

std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097LL + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

const TypeSource kTypes[9] = {{"C1", "ca", 0}, {"P1", "p1", 0}, {"P2", "p2", 0},
                              {"L1", "ca", 1}, {"L2", "p2", 1}, {"D1", "ca", 2},
                              {"D2", "p2", 2}, {"S1", "ca", 3}, {"S2", "p2", 3}};

std::int64_t Milliseconds(const std::string& week, const std::string& sow) {
  return std::atoll(week.c_str()) * 604800000LL + std::llround(std::strtod(sow.c_str(), nullptr) * 1000.0);
}

Truth ReadTruth(const std::string& text) {
  Truth t;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto f = SplitCommas(line);
    if (f[0] == "epoch") {
      TruthEpoch e;
      e.ms = Milliseconds(f[1], f[2]);
      e.hasClock = !f[3].empty();
      e.clock = Field(f[3]);
      e.satellites = std::atoi(f[4].c_str());
      t.epochs.push_back(e);
    } else if (f[0] == "obs") {
      const char sys = f[3][0];
      int number = std::atoi(f[4].c_str());
      if (sys == 'S') number -= 100;
      t.obs[{Milliseconds(f[1], f[2]), sys, number}][f[5]] = {Field(f[7]), Field(f[8]), Field(f[9]),
                                                              Field(f[10]), Field(f[12])};
    } else {
      std::string kind = f[0];
      t.lines[kind].push_back(std::move(f));
    }
  }
  return t;
}

std::int64_t EpochMilliseconds(const qzrtest::rinex::Time& t) {
  const std::int64_t day = DaysFromCivil(2000 + t.year, t.month, t.day) - DaysFromCivil(1980, 1, 6);
  return day * 86400000LL + (t.hour * 3600LL + t.minute * 60LL) * 1000LL + std::llround(t.second * 1000.0);
}

std::vector<FramedMessage> WalkMessages(std::string_view bytes) {
  std::vector<FramedMessage> out;
  std::size_t p = 0;
  while (p < bytes.size()) {
    if (bytes[p] == '\r' || bytes[p] == '\n') {
      while (p < bytes.size() && (bytes[p] == '\r' || bytes[p] == '\n')) ++p;
      if (p < bytes.size() && bytes[p] >= 0x21 && bytes[p] <= 0x2F)
        while (p < bytes.size() && bytes[p] != '\r' && bytes[p] != '\n') ++p;
      continue;
    }
    if (p + 5 > bytes.size()) break;
    const auto a = static_cast<unsigned char>(bytes[p]), b = static_cast<unsigned char>(bytes[p + 1]);
    if (a < 0x30 || a > 0x7E || b < 0x30 || b > 0x7E) break;
    std::size_t length = 0;
    for (std::size_t k = 2; k < 5; ++k) {
      const char c = bytes[p + k];
      if (!IsHexDigit(c)) return out;
      length = length * 16 + static_cast<std::size_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    if (p + 5 + length > bytes.size()) break;
    out.push_back({p, 5 + length, std::string(bytes.substr(p, 2))});
    p += 5 + length;
  }
  return out;
}

const qzrtest::rinex::HeaderRecord* NavFile::Find(std::string_view label) const {
  for (const auto& r : header)
    if (r.label == label) return &r;
  return nullptr;
}

namespace {

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

// A D-notation number: optional sign, ".", digits, "D", signed exponent.
bool ParseNavNumber(const std::string& field, double& value) {
  std::string s = Trim(field);
  const auto d = s.find('D');
  if (d == std::string::npos || s.find('.') == std::string::npos) return false;
  s[d] = 'E';
  char* end = nullptr;
  value = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

}  // namespace

NavFile ReadNavigationFile(std::string_view text, int linesPerRecord) {
  NavFile file;
  std::vector<std::string> lines;
  std::size_t p = 0;
  while (p < text.size()) {
    auto e = text.find('\n', p);
    if (e == std::string_view::npos) e = text.size();
    lines.emplace_back(text.substr(p, e - p));
    p = e + 1;
  }
  std::size_t k = 0;
  bool ended = false;
  for (; k < lines.size(); ++k) {
    const std::string& l = lines[k];
    if (l.size() < 61 || l.size() > 80)
      file.complaints.push_back("header line " + std::to_string(k + 1) + " width");
    const std::string label = l.size() > 60 ? Trim(l.substr(60)) : "";
    file.header.push_back({label, l.substr(0, std::min<std::size_t>(60, l.size()))});
    if (label == "END OF HEADER") {
      ended = true;
      ++k;
      break;
    }
  }
  if (!ended) file.complaints.push_back("no END OF HEADER");
  const auto complain = [&](std::size_t line, const std::string& what) {
    file.complaints.push_back("line " + std::to_string(line + 1) + ": " + what);
  };
  while (k < lines.size()) {
    if (lines[k].empty() && k + 1 == lines.size()) break;
    if (k + static_cast<std::size_t>(linesPerRecord) > lines.size()) {
      complain(k, "short record");
      break;
    }
    NavRecord r;
    const std::string& first = lines[k];
    if (first.size() < 22) {
      complain(k, "short first line");
      break;
    }
    if (std::sscanf(first.substr(0, 22).c_str(), "%2d %2d%3d%3d%3d%3d%5lf", &r.number, &r.year, &r.month,
                    &r.day, &r.hour, &r.minute, &r.second) != 7)
      complain(k, "epoch field");
    for (int n = 0; n < linesPerRecord; ++n) {
      const std::string& l = lines[k + static_cast<std::size_t>(n)];
      std::size_t col = n == 0 ? 22 : 3;
      if (n > 0 && l.substr(0, 3) != "   ") complain(k + static_cast<std::size_t>(n), "no indent");
      while (col < l.size()) {
        const std::string f = l.substr(col, 19);
        if (Trim(f).empty()) break;
        if (f.size() != 19) complain(k + static_cast<std::size_t>(n), "short field");
        double v = 0;
        if (!ParseNavNumber(f, v)) complain(k + static_cast<std::size_t>(n), "bad number '" + f + "'");
        r.fields.push_back(f);
        r.values.push_back(v);
        col += 19;
      }
      if (l.size() > 80) complain(k + static_cast<std::size_t>(n), "longer than 80");
    }
    file.records.push_back(std::move(r));
    k += static_cast<std::size_t>(linesPerRecord);
  }
  return file;
}

namespace {

// printf's %e of 10x with the point moved in front of the first digit.
std::string Mantissa(double x, int digits, int width) {
  if (x == 0) x = 0;  // a negated zero prints without its sign
  char b[64];
  std::snprintf(b, sizeof b, "%.*e", digits - 1, x * 10.0);
  std::string s = b;
  const bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  const auto e = s.find('e');
  std::string out =
      std::string(negative ? "-" : "") + "." + s.substr(0, 1) + s.substr(2, e - 2) + "D" + s.substr(e + 1);
  if (out.size() < static_cast<std::size_t>(width))
    out.insert(0, static_cast<std::size_t>(width) - out.size(), ' ');
  return out;
}

}  // namespace

std::string NavNumber(double x) { return Mantissa(x, 12, 19); }
std::string NavNumberShort(double x) { return Mantissa(x, 4, 12); }

Conversion Convert(const TempDir& dir, const std::string& log, const std::vector<std::string>& extra,
                   const std::string& out) {
  Conversion c;
  const std::string outDir = dir.File(out);
  std::filesystem::create_directory(outDir);
  std::vector<std::string> args = {"-i", log, "-o", outDir, "-S"};
  args.insert(args.end(), extra.begin(), extra.end());
  c.result = RunProgram(args, {{"SOURCE_DATE_EPOCH", "1773482400"}});
  for (const auto& entry : std::filesystem::directory_iterator(outDir)) {
    const std::string name = entry.path().filename().string();
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(name.back())));
    if (last == 'O')
      c.observation = entry.path().string();
    else
      c.navigation[last] = entry.path().string();
  }
  return c;
}

}  // namespace qzrtest::e2e
