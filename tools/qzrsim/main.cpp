// qzrsim: writes a realistic receiver log and, optionally, the exact values
// it encoded, so that a conversion can be checked value by value.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "orbits.h"
#include "simulator.h"

namespace {

using qzrsim::Encoding;
using qzrsim::Options;

const char kUsage[] =
    "usage: qzrsim -o OUT.qzr [--truth OUT.csv] [options]\n"
    "  -o, --output FILE            the log to write\n"
    "  --truth FILE                 also write the encoded values (CSV, described below)\n"
    "  --start \"YYYY-MM-DD HH:MM:SS\" GPS time of the first epoch (default 2026-03-14 10:00:00);\n"
    "                               epochs fall on exact multiples of the interval\n"
    "  --duration SECONDS           length of the log (default 300)\n"
    "  --interval SECONDS           epoch interval, whole milliseconds, at most 3600 (default 1)\n"
    "  --position X,Y,Z             receiver ECEF position in metres (default 48N 11E, 520 m)\n"
    "  --gps N --glonass N --sbas N satellites per system (defaults 8, 6, 2; at most 31 in all);\n"
    "                               chosen among those above the 10 degree mask during the log\n"
    "  --channels                   the counts are channels instead: each epoch lists up to N\n"
    "                               per system of those above the mask, keeping the ones\n"
    "                               already tracked (satellites rise and set all day)\n"
    "  --signals LIST               comma list of ca,p1,p2 (default ca,p1,p2); SBAS has ca only\n"
    "  --observables LIST           comma list of code,phase,doppler,cn0,smoothing\n"
    "                               (default code,phase,doppler,cn0)\n"
    "  --encoding FORM              full|short|relative|short-relative|raw (default short);\n"
    "                               raw writes [rM] messages instead of per-signal messages;\n"
    "                               SBAS pseudoranges always use the full form; the relative\n"
    "                               forms carry C/A in the full (relative) or short\n"
    "                               (short-relative) form and need ca and code\n"
    "  --clock-offset-ms V          receiver clock offset in ms (|V| <= 1), in the data and in [TO]\n"
    "  --events N                   N user events (site names _SIT=SITEnn) spread over the log\n"
    "  --external-events N          N external events, alternately [XA] and [XB]\n"
    "  --ephemerides                GPS, GLONASS and SBAS ephemerides (the default)\n"
    "  --no-ephemerides             none\n"
    "  --utc                        GPS [UO] and GEO [WO] UTC parameters\n"
    "  --iono                       ionosphere parameters [IO] (no delay is simulated)\n"
    "  --signatures                 a receiver id and [SE] messages with correct signatures\n"
    "  --receiver-version TEXT      firmware version in the parameter message (default 3.4).\n"
    "                               A text A.B with 40 <= A*1000+B <= 1002 (for example 1.2,\n"
    "                               1.0, 0.40) switches the converter's time-tag correction on;\n"
    "                               the truth file then includes it\n"
    "  --seed N                     noise seed (default 1); same switches and seed, same bytes\n"
    "  --help                       this text\n"
    "Bad switches: a message on stderr and exit code 2.\n\n";

bool ParseInt(std::string_view text, long long lo, long long hi, long long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const std::string s(text);
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseDouble(std::string_view text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const std::string s(text);
  out = std::strtod(s.c_str(), &end);
  return *end == '\0' && std::isfinite(out);
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    out.emplace_back(
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

bool ParseStart(std::string_view text, std::int64_t& ms) {
  int y, mo, d, h, mi;
  double s;
  char tail;
  const std::string t(text);
  if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%lf%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) return false;
  if (y < 1980 || y > 2099 || mo < 1 || mo > 12 || d < 1 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
      s >= 60)
    return false;
  int cy, cm, cd;
  qzrsim::CivilFromDays(qzrsim::DaysFromCivil(y, mo, d), cy, cm, cd);
  if (cy != y || cm != mo || cd != d) return false;
  const std::int64_t day = qzrsim::GpsDayOf(y, mo, d);
  if (day < 0) return false;
  ms = day * 86400000 + (h * 3600 + mi * 60) * 1000LL + std::llround(s * 1000.0);
  return true;
}

int Bad(const std::string& message) {
  std::fprintf(stderr, "qzrsim: %s (see --help)\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  o.position = qzrsim::GeodeticToEcef(48.0, 11.0, 520.0);
  ParseStart("2026-03-14 10:00:00", o.startMs);
  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(qzrsim::kTruthDescription, stdout);
      return 0;
    }
    static const char* const kFlags[] = {"--ephemerides", "--no-ephemerides", "--utc",
                                         "--iono",        "--signatures",     "--channels"};
    bool flag = false;
    for (const char* f : kFlags) flag |= a == f;
    if (flag) {
      if (a == "--ephemerides") o.ephemerides = true;
      if (a == "--no-ephemerides") o.ephemerides = false;
      if (a == "--utc") o.utc = true;
      if (a == "--iono") o.iono = true;
      if (a == "--signatures") o.signatures = true;
      if (a == "--channels") o.channels = true;
      continue;
    }
    if (i + 1 >= args.size()) return Bad("unknown switch or missing value: " + std::string(a));
    const std::string_view v = args[++i];
    long long n = 0;
    double x = 0;
    if (a == "-o" || a == "--output") {
      o.output = v;
    } else if (a == "--truth") {
      o.truth = v;
    } else if (a == "--start") {
      if (!ParseStart(v, o.startMs)) return Bad("bad --start, expected \"YYYY-MM-DD HH:MM:SS\"");
    } else if (a == "--duration") {
      if (!ParseDouble(v, x) || x <= 0 || x > 30 * 86400.0) return Bad("bad --duration");
      o.durationMs = std::llround(x * 1000.0);
    } else if (a == "--interval") {
      if (!ParseDouble(v, x) || x < 0.001 || x > 3600 ||
          std::fabs(x * 1000.0 - std::round(x * 1000.0)) > 1e-6)
        return Bad("bad --interval (whole milliseconds up to 3600 s)");
      o.intervalMs = std::llround(x * 1000.0);
    } else if (a == "--position") {
      const auto parts = SplitList(v);
      double p[3];
      if (parts.size() != 3 || !ParseDouble(parts[0], p[0]) || !ParseDouble(parts[1], p[1]) ||
          !ParseDouble(parts[2], p[2]))
        return Bad("bad --position, expected X,Y,Z");
      const double r = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
      if (r < 6.3e6 || r > 6.5e6) return Bad("--position is not near the Earth's surface");
      o.position = {p[0], p[1], p[2]};
    } else if (a == "--gps") {
      if (!ParseInt(v, 0, 32, n)) return Bad("bad --gps (0..32)");
      o.gps = static_cast<int>(n);
    } else if (a == "--glonass") {
      if (!ParseInt(v, 0, 24, n)) return Bad("bad --glonass (0..24)");
      o.glonass = static_cast<int>(n);
    } else if (a == "--sbas") {
      if (!ParseInt(v, 0, 19, n)) return Bad("bad --sbas (0..19)");
      o.sbas = static_cast<int>(n);
    } else if (a == "--signals") {
      for (bool& s : o.signals) s = false;
      for (const auto& s : SplitList(v)) {
        if (s == "ca")
          o.signals[0] = true;
        else if (s == "p1")
          o.signals[1] = true;
        else if (s == "p2")
          o.signals[2] = true;
        else
          return Bad("unknown signal: " + s);
      }
    } else if (a == "--observables") {
      o.code = o.phase = o.doppler = o.cn0 = o.smoothing = false;
      for (const auto& s : SplitList(v)) {
        if (s == "code")
          o.code = true;
        else if (s == "phase")
          o.phase = true;
        else if (s == "doppler")
          o.doppler = true;
        else if (s == "cn0")
          o.cn0 = true;
        else if (s == "smoothing")
          o.smoothing = true;
        else
          return Bad("unknown observable: " + s);
      }
    } else if (a == "--encoding") {
      if (v == "full")
        o.encoding = Encoding::Full;
      else if (v == "short")
        o.encoding = Encoding::Short;
      else if (v == "relative")
        o.encoding = Encoding::Relative;
      else if (v == "short-relative")
        o.encoding = Encoding::ShortRelative;
      else if (v == "raw")
        o.encoding = Encoding::Raw;
      else
        return Bad("unknown encoding: " + std::string(v));
    } else if (a == "--clock-offset-ms") {
      if (!ParseDouble(v, x) || std::fabs(x) > 1.0) return Bad("bad --clock-offset-ms (|V| <= 1)");
      o.clockGiven = true;
      o.clockOffsetMs = x;
    } else if (a == "--events") {
      if (!ParseInt(v, 0, 1000, n)) return Bad("bad --events (0..1000)");
      o.events = static_cast<int>(n);
    } else if (a == "--external-events") {
      if (!ParseInt(v, 0, 100000, n)) return Bad("bad --external-events (0..100000)");
      o.externalEvents = static_cast<int>(n);
    } else if (a == "--receiver-version") {
      if (v.empty() || v.size() > 19 || v.find('"') != std::string_view::npos)
        return Bad("bad --receiver-version");
      o.receiverVersion = v;
    } else if (a == "--seed") {
      if (!ParseInt(v, 0, 9223372036854775807LL, n)) return Bad("bad --seed");
      o.seed = static_cast<std::uint64_t>(n);
    } else {
      return Bad("unknown switch: " + std::string(a));
    }
  }
  if (o.output.empty()) return Bad("no output file (-o)");
  if (o.gps + o.glonass + o.sbas > 31) return Bad("at most 31 satellites in all");
  if (!o.signals[0] && !o.signals[1] && !o.signals[2]) return Bad("no signal");
  if (!o.code && !o.phase && !o.doppler && !o.cn0 && !o.smoothing) return Bad("no observable");
  if ((o.encoding == Encoding::Relative || o.encoding == Encoding::ShortRelative) &&
      (!o.signals[0] || !o.code))
    return Bad("the relative encodings need the ca signal and the code observable");
  if (o.encoding == Encoding::Raw && (!o.code || !o.phase))
    return Bad("raw measurements always carry code and phase; keep both observables");
  const std::string error = qzrsim::Simulate(o);
  if (!error.empty()) {
    std::fprintf(stderr, "qzrsim: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
