#include "support/rinex_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace qzrtest::rinex {
namespace {

constexpr std::size_t kMaxLine = 80;
constexpr std::size_t kLabelStart = 60;

const std::set<std::string, std::less<>> kHeaderLabels = {"RINEX VERSION / TYPE",
                                                          "PGM / RUN BY / DATE",
                                                          "COMMENT",
                                                          "MARKER NAME",
                                                          "MARKER NUMBER",
                                                          "OBSERVER / AGENCY",
                                                          "REC # / TYPE / VERS",
                                                          "ANT # / TYPE",
                                                          "APPROX POSITION XYZ",
                                                          "ANTENNA: DELTA H/E/N",
                                                          "WAVELENGTH FACT L1/2",
                                                          "# / TYPES OF OBSERV",
                                                          "INTERVAL",
                                                          "TIME OF FIRST OBS",
                                                          "TIME OF LAST OBS",
                                                          "RCV CLOCK OFFS APPL",
                                                          "LEAP SECONDS",
                                                          "# OF SATELLITES",
                                                          "PRN / # OF OBS",
                                                          "END OF HEADER"};

const std::set<std::string, std::less<>> kMandatory = {
    "RINEX VERSION / TYPE", "PGM / RUN BY / DATE", "MARKER NAME",         "OBSERVER / AGENCY",
    "REC # / TYPE / VERS",  "ANT # / TYPE",        "APPROX POSITION XYZ", "ANTENNA: DELTA H/E/N",
    "WAVELENGTH FACT L1/2", "# / TYPES OF OBSERV", "TIME OF FIRST OBS"};

const std::set<std::string, std::less<>> kKnownTypes = {"C1", "C2", "P1", "P2", "L1", "L2", "D1", "D2",
                                                        "S1", "S2", "T1", "T2", "L5", "C5", "D5", "S5"};

constexpr std::string_view kSatelliteSystems = "GRSET ";

std::string Trim(std::string_view s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(' ');
  return std::string(s.substr(a, b - a + 1));
}

// Columns [first, first + width) of a line, 1-based, blank beyond its end.
std::string Columns(std::string_view line, std::size_t first, std::size_t width) {
  std::string out(width, ' ');
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t at = first - 1 + i;
    if (at < line.size()) out[i] = line[at];
  }
  return out;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Fortran I: right-justified digits with an optional sign; blank is absent.
std::optional<int> Integer(std::string_view field) {
  const std::string t = Trim(field);
  if (t.empty()) return std::nullopt;
  std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return std::nullopt;
  for (std::size_t k = i; k < t.size(); ++k) {
    if (!std::isdigit(static_cast<unsigned char>(t[k]))) return std::nullopt;
  }
  if (field.back() == ' ') return std::nullopt;  // not right-justified
  return std::atoi(t.c_str());
}

// Fortran F<w>.<d>: right-justified, exactly `decimals` digits after the
// point.
std::optional<double> Fixed(std::string_view field, int decimals) {
  const std::string t = Trim(field);
  if (t.empty() || field.back() == ' ') return std::nullopt;
  const std::size_t point = t.find('.');
  if (point == std::string::npos || t.size() - point - 1 != static_cast<std::size_t>(decimals))
    return std::nullopt;
  std::size_t i = (t[0] == '-') ? 1 : 0;
  if (i == point) return std::nullopt;
  for (std::size_t k = i; k < t.size(); ++k) {
    if (k != point && !std::isdigit(static_cast<unsigned char>(t[k]))) return std::nullopt;
  }
  return std::strtod(t.c_str(), nullptr);
}

class Reader {
 public:
  explicit Reader(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      if (end == std::string_view::npos) {
        lines_.emplace_back(text.substr(at));
        Complain(lines_.size(), "last line has no line end");
        break;
      }
      lines_.emplace_back(text.substr(at, end - at));
      at = end + 1;
    }
    for (std::size_t n = 0; n < lines_.size(); ++n) {
      const std::string& line = lines_[n];
      if (line.size() > kMaxLine) Complain(n + 1, "longer than 80 columns");
      for (const char c : line) {
        if (c < ' ' || c > '~') {
          Complain(n + 1, "character outside printable ASCII");
          break;
        }
      }
    }
  }

  ObservationFile Read() {
    ReadHeader();
    ReadRecords();
    CheckSpan();
    return std::move(file_);
  }

 private:
  void Complain(std::size_t line, const std::string& what) {
    file_.complaints.push_back("line " + std::to_string(line) + ": " + what);
  }

  std::optional<Time> HeaderTime(std::size_t n, std::string_view v) {
    Time t;
    const auto y = Integer(Columns(v, 1, 6));
    const auto mo = Integer(Columns(v, 7, 6));
    const auto d = Integer(Columns(v, 13, 6));
    const auto h = Integer(Columns(v, 19, 6));
    const auto mi = Integer(Columns(v, 25, 6));
    const auto s = Fixed(Columns(v, 31, 13), 7);
    if (!y || !mo || !d || !h || !mi || !s || *y < 1980 || *mo < 1 || *mo > 12 || *d < 1 || *d > 31 ||
        *h > 23 || *mi > 59 || *s >= 60) {
      Complain(n, "bad time of observation");
      return std::nullopt;
    }
    if (!IsBlank(Columns(v, 44, 5))) Complain(n, "time system not in columns 49-51");
    t = {*y, *mo, *d, *h, *mi, *s};
    return t;
  }

  void ReadHeader() {
    Header& h = file_.header;
    std::set<std::string, std::less<>> seen;
    bool ended = false;
    std::size_t typesExpected = 0;
    bool typesStarted = false;
    while (cursor_ < lines_.size() && !ended) {
      const std::size_t n = ++cursor_;
      const std::string& line = lines_[n - 1];
      const std::string label = Trim(Columns(line, kLabelStart + 1, 20));
      const std::string value = Columns(line, 1, kLabelStart);
      if (n == 1 && label != "RINEX VERSION / TYPE") Complain(n, "first line is not RINEX VERSION / TYPE");
      if (kHeaderLabels.count(label) == 0) {
        Complain(n, "unknown header label '" + label + "'");
        continue;
      }
      h.records.push_back({label, value});
      if (label != "COMMENT" && label != "PRN / # OF OBS" && label != "# / TYPES OF OBSERV" &&
          label != "WAVELENGTH FACT L1/2" && seen.count(label) != 0) {
        Complain(n, "repeated " + label);
      }
      seen.insert(label);
      if (label == "RINEX VERSION / TYPE") {
        h.version = Trim(Columns(value, 1, 9));
        h.fileType = Columns(value, 21, 1)[0];
        h.system = Columns(value, 41, 1)[0];
        if (h.version.rfind("2.", 0) != 0 || !Fixed(Columns(value, 1, 9), 2))
          Complain(n, "not a version 2 file");
        if (h.fileType != 'O') Complain(n, "not an observation file");
        if (std::string_view("GRSTM ").find(h.system) == std::string_view::npos)
          Complain(n, "unknown system");
        if (!IsBlank(Columns(value, 10, 11))) Complain(n, "stray text before the file type");
      } else if (label == "COMMENT") {
        h.comments.push_back(Trim(value));
      } else if (label == "PGM / RUN BY / DATE") {
        // Three A20 fields; the date is free text.
      } else if (label == "APPROX POSITION XYZ" || label == "ANTENNA: DELTA H/E/N") {
        for (int k = 0; k < 3; ++k) {
          if (!Fixed(Columns(value, 1 + 14 * static_cast<std::size_t>(k), 14), 4))
            Complain(n, "bad F14.4 in " + label);
        }
      } else if (label == "WAVELENGTH FACT L1/2") {
        const auto l1 = Integer(Columns(value, 1, 6));
        const auto l2 = Integer(Columns(value, 7, 6));
        if (!l1 || !l2 || *l1 < 1 || *l1 > 2 || *l2 < 0 || *l2 > 2) Complain(n, "bad wavelength factors");
      } else if (label == "# / TYPES OF OBSERV") {
        if (!typesStarted) {
          const auto count = Integer(Columns(value, 1, 6));
          if (!count || *count < 0 || *count > 27) {
            Complain(n, "bad type count");
            continue;
          }
          typesExpected = static_cast<std::size_t>(*count);
          typesStarted = true;
        } else if (!IsBlank(Columns(value, 1, 6))) {
          Complain(n, "continuation of types with a count");
        }
        for (std::size_t k = 0; k < 9 && h.types.size() < typesExpected; ++k) {
          const std::string field = Columns(value, 7 + 6 * k, 6);
          if (!IsBlank(field.substr(0, 4))) Complain(n, "type not in its A2 columns");
          const std::string type = field.substr(4, 2);
          if (kKnownTypes.count(type) == 0) Complain(n, "unknown type '" + type + "'");
          h.types.push_back(type);
        }
      } else if (label == "TIME OF FIRST OBS" || label == "TIME OF LAST OBS") {
        const auto t = HeaderTime(n, value);
        (label == "TIME OF FIRST OBS" ? h.firstObs : h.lastObs) = t;
        const std::string system = Trim(Columns(value, 49, 3));
        if (!system.empty() && system != "GPS" && system != "GLO") Complain(n, "unknown time system");
        if (label == "TIME OF FIRST OBS") h.timeSystem = system;
      } else if (label == "INTERVAL") {
        h.interval = Fixed(Columns(value, 1, 10), 3);
        if (!h.interval) Complain(n, "bad interval");
      } else if (label == "LEAP SECONDS") {
        h.leapSeconds = Integer(Columns(value, 1, 6));
        if (!h.leapSeconds) Complain(n, "bad leap seconds");
      } else if (label == "# OF SATELLITES") {
        h.satelliteCount = Integer(Columns(value, 1, 6));
        if (!h.satelliteCount) Complain(n, "bad satellite count");
      } else if (label == "RCV CLOCK OFFS APPL") {
        const auto applied = Integer(Columns(value, 1, 6));
        if (!applied || (*applied != 0 && *applied != 1)) Complain(n, "bad clock-offset flag");
      } else if (label == "PRN / # OF OBS") {
        Header::PrnCounts p;
        p.system = Columns(value, 4, 1)[0];
        const auto number = Integer(Columns(value, 5, 2));
        if (!IsBlank(Columns(value, 1, 3)) || kSatelliteSystems.find(p.system) == std::string_view::npos ||
            !number) {
          Complain(n, "bad satellite in PRN / # OF OBS");
          continue;
        }
        p.number = *number;
        for (std::size_t k = 0; k < h.types.size() && k < 9; ++k) {
          const auto c = Integer(Columns(value, 7 + 6 * k, 6));
          if (!c || *c < 0) Complain(n, "bad observation count");
          p.counts.push_back(c.value_or(0));
        }
        for (const auto& other : h.prnCounts) {
          if (other.system == p.system && other.number == p.number) Complain(n, "satellite listed twice");
        }
        h.prnCounts.push_back(p);
      } else if (label == "END OF HEADER") {
        if (!IsBlank(value)) Complain(n, "text before END OF HEADER");
        ended = true;
      }
    }
    if (!ended) Complain(cursor_, "no END OF HEADER");
    for (const auto& m : kMandatory) {
      if (seen.count(m) == 0) Complain(cursor_, "header lacks " + m);
    }
    if (h.types.size() != typesExpected) Complain(cursor_, "fewer types than counted");
    if (h.satelliteCount && !h.prnCounts.empty() &&
        static_cast<std::size_t>(*h.satelliteCount) != h.prnCounts.size()) {
      Complain(cursor_, "# OF SATELLITES disagrees with the PRN / # OF OBS lines");
    }
  }

  // The epoch fields of a record line; false when they are not all blank
  // and not all valid.
  bool EpochTime(std::size_t n, const std::string& line, Record& r, bool blankAllowed) {
    const std::string fields = Columns(line, 1, 26);
    if (IsBlank(fields)) {
      r.timeBlank = true;
      if (!blankAllowed) Complain(n, "epoch without time");
      return blankAllowed;
    }
    const auto y = Integer(Columns(line, 2, 2));
    const auto mo = Integer(Columns(line, 4, 3));
    const auto d = Integer(Columns(line, 7, 3));
    const auto h = Integer(Columns(line, 10, 3));
    const auto mi = Integer(Columns(line, 13, 3));
    const auto s = Fixed(Columns(line, 16, 11), 7);
    if (line[0] != ' ' || Columns(line, 2, 1) == " " || !y || !mo || !d || !h || !mi || !s || *mo < 1 ||
        *mo > 12 || *d < 1 || *d > 31 || *h > 23 || *mi > 59 || *s >= 61) {
      Complain(n, "bad epoch time");
      return false;
    }
    r.time = {*y, *mo, *d, *h, *mi, *s};
    return true;
  }

  void ReadObservations(Record& r, std::size_t satellite) {
    const std::size_t types = file_.header.types.size();
    const std::size_t lines = (types + 4) / 5;
    SatelliteData& sat = r.satellites[satellite];
    for (std::size_t k = 0; k < lines; ++k) {
      if (cursor_ >= lines_.size()) {
        Complain(cursor_, "file ends inside an observation record");
        return;
      }
      const std::size_t n = ++cursor_;
      const std::string& line = lines_[n - 1];
      const std::size_t onLine = std::min<std::size_t>(5, types - 5 * k);
      if (line.size() > 16 * onLine) Complain(n, "observation line longer than its fields");
      for (std::size_t f = 0; f < onLine; ++f) {
        const std::string field = Columns(line, 1 + 16 * f, 16);
        Observation o;
        const std::string value = field.substr(0, 14);
        o.lossOfLock = field[14];
        o.strength = field[15];
        if (!IsBlank(value)) {
          const auto v = Fixed(value, 3);
          if (!v) Complain(n, "bad F14.3 observation '" + value + "'");
          o.present = v.has_value();
          o.value = v.value_or(0);
        }
        if (o.lossOfLock != ' ' && !std::isdigit(static_cast<unsigned char>(o.lossOfLock)))
          Complain(n, "bad LLI");
        if (o.strength != ' ' && !std::isdigit(static_cast<unsigned char>(o.strength)))
          Complain(n, "bad strength");
        if (!o.present && (o.lossOfLock != ' ' || o.strength != ' ')) Complain(n, "flags without a value");
        sat.values.push_back(o);
      }
    }
  }

  void ReadRecords() {
    std::optional<Time> previous;
    while (cursor_ < lines_.size()) {
      const std::size_t n = ++cursor_;
      const std::string& line = lines_[n - 1];
      Record r;
      const std::string flagText = Columns(line, 27, 3);
      const auto flag = Integer(flagText);
      const auto count = Integer(Columns(line, 30, 3));
      if (!flag || *flag < 0 || *flag > 6 || !count || *count < 0 || !IsBlank(Columns(line, 27, 2))) {
        Complain(n, "not an epoch record: '" + line + "'");
        continue;
      }
      r.flag = *flag;
      r.count = *count;
      const bool observations = r.flag <= 1 || r.flag == 6;
      if (!EpochTime(n, line, r, !observations)) continue;
      if (!observations) {
        if (!IsBlank(Columns(line, 33, 48))) Complain(n, "text after an event record's count");
        if (r.flag == 5 && r.timeBlank) Complain(n, "external event without its time");
        for (int k = 0; k < r.count; ++k) {
          if (cursor_ >= lines_.size()) {
            Complain(cursor_, "file ends inside special records");
            break;
          }
          const std::size_t m = ++cursor_;
          const std::string& special = lines_[m - 1];
          const std::string label = Trim(Columns(special, kLabelStart + 1, 20));
          if (kHeaderLabels.count(label) == 0 || label == "END OF HEADER") {
            Complain(m, "special record without a header label");
          }
          r.special.push_back(special);
        }
        file_.records.push_back(std::move(r));
        continue;
      }
      // Satellite list: 12 per line, continued after 32 blanks.
      std::size_t lineNo = n;
      for (int k = 0; k < r.count; ++k) {
        if (k > 0 && k % 12 == 0) {
          if (cursor_ >= lines_.size()) {
            Complain(cursor_, "file ends inside a satellite list");
            break;
          }
          lineNo = ++cursor_;
          if (!IsBlank(Columns(lines_[lineNo - 1], 1, 32)))
            Complain(lineNo, "continuation not indented by 32");
          if (!IsBlank(Columns(lines_[lineNo - 1], 69, 12))) Complain(lineNo, "text after a continued list");
        }
        const std::string entry = Columns(lines_[lineNo - 1], 33 + 3 * static_cast<std::size_t>(k % 12), 3);
        SatelliteData sat;
        sat.system = entry[0];
        const auto number = Integer(entry.substr(1));
        if (kSatelliteSystems.find(sat.system) == std::string_view::npos || !number || *number < 1) {
          Complain(lineNo, "bad satellite entry '" + entry + "'");
        }
        sat.number = number.value_or(0);
        for (const auto& other : r.satellites) {
          if (other.system == sat.system && other.number == sat.number)
            Complain(lineNo, "satellite twice in an epoch");
        }
        r.satellites.push_back(sat);
      }
      const std::size_t firstLineEntries = static_cast<std::size_t>(std::min(r.count, 12));
      if (!IsBlank(Columns(line, 33 + 3 * firstLineEntries, 36 - 3 * firstLineEntries))) {
        Complain(n, "text after the satellite list");
      }
      const std::string clock = Columns(line, 69, 12);
      if (!IsBlank(clock)) {
        r.clockOffset = Fixed(clock, 9);
        if (!r.clockOffset) Complain(n, "bad clock offset '" + clock + "'");
      }
      for (std::size_t s = 0; s < r.satellites.size(); ++s) ReadObservations(r, s);
      if (previous && Later(*previous, r.time)) Complain(n, "epoch earlier than the one before");
      previous = r.time;
      file_.records.push_back(std::move(r));
    }
  }

  static bool Later(const Time& a, const Time& b) {
    const auto key = [](const Time& t) {
      return static_cast<double>(((((t.year * 13LL + t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) *
                                 100) +
             t.second;
    };
    return key(a) > key(b);
  }

  void CheckSpan() {
    const auto epochs = file_.Epochs();
    if (epochs.empty()) return;
    const auto same = [](const Time& header, const Time& record) {
      return header.year % 100 == record.year && header.month == record.month && header.day == record.day &&
             header.hour == record.hour && header.minute == record.minute &&
             std::abs(header.second - record.second) < 5e-8;
    };
    if (file_.header.firstObs && !same(*file_.header.firstObs, epochs.front()->time)) {
      file_.complaints.push_back("TIME OF FIRST OBS is not the first epoch");
    }
    if (file_.header.lastObs && !same(*file_.header.lastObs, epochs.back()->time)) {
      file_.complaints.push_back("TIME OF LAST OBS is not the last epoch");
    }
  }

  std::vector<std::string> lines_;
  std::size_t cursor_ = 0;
  ObservationFile file_;
};

}  // namespace

std::vector<const Record*> ObservationFile::Epochs() const {
  std::vector<const Record*> out;
  for (const Record& r : records) {
    if (r.flag <= 1 || r.flag == 6) out.push_back(&r);
  }
  return out;
}

ObservationFile ReadObservationFile(std::string_view text) { return Reader(text).Read(); }

int TypeIndex(const Header& header, std::string_view type) {
  const auto it = std::find(header.types.begin(), header.types.end(), type);
  return it == header.types.end() ? -1 : static_cast<int>(it - header.types.begin());
}

}  // namespace qzrtest::rinex
