// The simulator on its own: reproducible bytes, frames that check, refused
// switches, and truth values inside the bounds of real observations.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e_truth.h"
#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace {

using qzrtest::ReadFile;
using qzrtest::TempDir;

struct SimRun {
  int exitCode = -1;
  std::string err;
};

SimRun RunSimulator(const std::vector<std::string>& args, const TempDir&) {
  const auto r = qzrtest::RunSimulator(args);
  return {r.exitCode, r.err};
}

// Checks written here from the frame rules, independent of the simulator's own.
std::uint8_t Rotating(const std::string& bytes, std::size_t from, std::size_t count) {
  unsigned s = 0;
  for (std::size_t i = 0; i < count; ++i) {
    s = ((s << 2) | (s >> 6)) & 0xFF;
    s ^= static_cast<unsigned char>(bytes[from + i]);
  }
  return static_cast<std::uint8_t>(((s << 2) | (s >> 6)) & 0xFF);
}

unsigned Ccitt(const std::string& bytes, std::size_t from, std::size_t count) {
  unsigned crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= static_cast<unsigned>(static_cast<unsigned char>(bytes[from + i])) << 8;
    for (int k = 0; k < 8; ++k) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
  }
  return crc;
}

struct Frame {
  std::string id;
  std::size_t offset = 0, length = 0;
};

// Walks the whole file; every byte must belong to a frame or a line break.
std::vector<Frame> WalkFrames(const std::string& file, std::vector<std::string>& faults) {
  std::vector<Frame> frames;
  std::size_t p = 0;
  while (p < file.size()) {
    if (file[p] == '\r' || file[p] == '\n') {
      ++p;
      continue;
    }
    if (p + 5 > file.size()) {
      faults.push_back("truncated header at " + std::to_string(p));
      break;
    }
    Frame f{file.substr(p, 2), p, 0};
    for (char c : f.id)
      if (c < 0x30 || c > 0x7E) faults.push_back("bad identifier at " + std::to_string(p));
    for (int k = 0; k < 3; ++k) {
      const char c = file[p + 2 + k];
      const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (digit < 0) {
        faults.push_back("bad length at " + std::to_string(p));
        return frames;
      }
      f.length = f.length * 16 + static_cast<std::size_t>(digit);
    }
    if (p + 5 + f.length > file.size()) {
      faults.push_back("truncated body at " + std::to_string(p));
      break;
    }
    const std::size_t body = p + 5;
    if (f.id == "MF") {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", Rotating(file, p, f.length + 3));
      if (file.substr(body + f.length - 2, 2) != hex) faults.push_back("MF check");
    } else if (f.id == "rM") {
      const unsigned stored =
          static_cast<unsigned char>(file[body + f.length - 2]) |
          (static_cast<unsigned>(static_cast<unsigned char>(file[body + f.length - 1])) << 8);
      if (Ccitt(file, p, f.length + 3) != stored) faults.push_back("rM CRC at " + std::to_string(p));
    } else if (f.id != "QZ" && f.id != "PM") {
      if (Rotating(file, p, f.length + 4) != static_cast<unsigned char>(file[body + f.length - 1]))
        faults.push_back(f.id + " checksum at " + std::to_string(p));
    }
    frames.push_back(f);
    p = body + f.length;
  }
  return frames;
}

// Element width of the per-satellite messages.
int ElementWidth(const std::string& id) {
  static const std::map<std::string, int> kWidths = {
      {"RC", 8}, {"R1", 8}, {"R2", 8}, {"PC", 8}, {"P1", 8}, {"P2", 8}, {"rc", 4}, {"r1", 4},
      {"r2", 4}, {"pc", 4}, {"p1", 4}, {"p2", 4}, {"1R", 4}, {"2R", 4}, {"CP", 4}, {"1P", 4},
      {"2P", 4}, {"1r", 2}, {"2r", 2}, {"cp", 4}, {"1p", 4}, {"2p", 4}, {"DC", 4}, {"D1", 4},
      {"D2", 4}, {"EC", 1}, {"E1", 1}, {"E2", 1}, {"CE", 1}, {"1E", 1}, {"2E", 1}, {"CC", 6},
      {"C1", 6}, {"C2", 6}, {"cc", 2}, {"c1", 2}, {"c2", 2}, {"EL", 1}};
  const auto it = kWidths.find(id);
  return it == kWidths.end() ? 0 : it->second;
}

TEST(QzrSimulator, SameSwitchesAndSeedGiveTheSameBytes) {
  TempDir dir;
  const std::vector<std::string> common = {"--duration",        "20", "--events", "1",
                                           "--external-events", "2",  "--utc",    "--iono"};
  auto run = [&](const std::string& name, const std::string& seed) {
    std::vector<std::string> args = {
        "-o", dir.File(name + ".qzr"), "--truth", dir.File(name + ".csv"), "--seed", seed};
    args.insert(args.end(), common.begin(), common.end());
    EXPECT_EQ(RunSimulator(args, dir).exitCode, 0);
  };
  run("a", "7");
  run("b", "7");
  run("c", "8");
  EXPECT_FALSE(ReadFile(dir.File("a.qzr")).empty());
  EXPECT_EQ(ReadFile(dir.File("a.qzr")), ReadFile(dir.File("b.qzr")));
  EXPECT_EQ(ReadFile(dir.File("a.csv")), ReadFile(dir.File("b.csv")));
  EXPECT_NE(ReadFile(dir.File("a.qzr")), ReadFile(dir.File("c.qzr")));
}

TEST(QzrSimulator, EveryMessageFramesChecksAndMatchesItsList) {
  struct Case {
    const char* encoding;
    std::vector<std::string> required;
  };
  const Case kCases[] = {
      {"short", {"QZ", "MF", "PM", "RD", "~~", "SI", "NN", "rc", "RC", "r1", "r2", "pc", "p2", "DC",
                 "D2", "EC", "cc", "GE", "NE", "WE", "IO", "UO", "WO", "TO", "SE", "==", "XA", "XB"}},
      {"full", {"RC", "R1", "R2", "PC", "P1", "P2", "CE", "2E", "CC"}},
      {"relative", {"RC", "1R", "2R", "CP", "1P", "2P"}},
      {"short-relative", {"rc", "RC", "1r", "2r", "cp", "1p", "2p", "c2"}},
      {"raw", {"rM", "SI", "RD", "TO"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.encoding);
    TempDir dir;
    const std::string log = dir.File("x.qzr");
    const SimRun r =
        RunSimulator({"-o", log, "--duration", "12", "--encoding", c.encoding, "--utc", "--iono",
                      "--signatures", "--events", "2", "--external-events", "2", "--clock-offset-ms", "0.25",
                      "--observables", "code,phase,doppler,cn0,smoothing"},
                     dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string file = ReadFile(log);
    std::vector<std::string> faults;
    const auto frames = WalkFrames(file, faults);
    EXPECT_TRUE(faults.empty()) << faults.front();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(file.substr(0, 10), "QZ055RLOGF");
    // The converter takes a message only when a byte follows it.
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    std::map<std::string, int> seen;
    std::size_t listed = 0;
    for (const Frame& f : frames) {
      ++seen[f.id];
      if (f.id == "SI") listed = f.length - 1;
      const int width = ElementWidth(f.id);
      if (width > 0 && std::string(c.encoding) != "raw") {
        EXPECT_EQ(f.length, listed * static_cast<std::size_t>(width) + 1) << f.id << " at " << f.offset;
      }
      static const std::map<std::string, std::size_t> kFixed = {{"GE", 123}, {"NE", 80}, {"WE", 71},
                                                                {"QZ", 85},  {"UO", 24}, {"WO", 31},
                                                                {"IO", 39},  {"TO", 9},  {"RD", 6}};
      const auto fixed = kFixed.find(f.id);
      if (fixed != kFixed.end()) {
        EXPECT_EQ(f.length, fixed->second) << f.id;
      }
    }
    for (const std::string& id : c.required) EXPECT_GT(seen[id], 0) << id;
    EXPECT_EQ(seen["~~"], std::string(c.encoding) == "raw" ? 0 : 12);
  }
}

TEST(QzrSimulator, BadSwitchesExitWithTwo) {
  const std::vector<std::vector<std::string>> kCases = {
      {"--duration", "10"},  // no output
      {"-o", "x", "--encoding", "tiny"},
      {"-o", "x", "--interval", "0.0005"},
      {"-o", "x", "--interval", "abc"},
      {"-o", "x", "--start", "2026-02-30 10:00:00"},
      {"-o", "x", "--gps", "20", "--glonass", "12"},  // more than 31
      {"-o", "x", "--signals", "ca,l5"},
      {"-o", "x", "--observables", "code,range"},
      {"-o", "x", "--encoding", "relative", "--signals", "p1,p2"},
      {"-o", "x", "--position", "1,2"},
      {"-o", "x", "--clock-offset-ms", "5"},
      {"-o", "x", "--bogus"},
      {"-o"},
  };
  for (const auto& args : kCases) {
    std::string text;
    for (const auto& a : args) text += a + " ";
    SCOPED_TRACE(text);
    TempDir dir;
    std::vector<std::string> inDir = args;
    for (auto& a : inDir)
      if (a == "x") a = dir.File("x.qzr");
    const SimRun r = RunSimulator(inDir, dir);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("qzrsim:"), std::string::npos);
  }
}

TEST(QzrSimulator, TruthValuesBehaveLikeRealObservations) {
  TempDir dir;
  const SimRun r = RunSimulator({"-o", dir.File("x.qzr"), "--truth", dir.File("x.csv"), "--duration", "120",
                                 "--encoding", "full", "--gps", "10", "--glonass", "8", "--sbas", "3"},
                                dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream in(ReadFile(dir.File("x.csv")));
  std::string line;
  struct Track {
    double sow = -1, pr = 0, phaseMinusCode = 0, lambda = 0, doppler = 0;
    double spread = 0;
  };
  std::map<std::string, Track> tracks;
  std::map<char, int> satellites;
  int obs = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = qzrtest::e2e::SplitCommas(line);
    if (f[0] != "obs") continue;
    ++obs;
    ASSERT_EQ(f.size(), 13u) << line;
    const char sys = f[3][0];
    const int channel = f[6].empty() ? 0 : std::atoi(f[6].c_str());
    const double pr = std::atof(f[7].c_str()), phase = std::atof(f[8].c_str()),
                 doppler = std::atof(f[9].c_str());
    const double cn0 = std::atof(f[10].c_str());
    const double freq = sys == 'R'
                            ? (f[5] == "p2" ? 1246e6 + channel * 437500.0 : 1602e6 + channel * 562500.0)
                            : (f[5] == "p2" ? 1227.6e6 : 1575.42e6);
    const double lambda = 299792458.0 / freq;
    if (sys == 'S') {
      EXPECT_GT(pr, 35.5e6) << line;
      EXPECT_LT(pr, 41.0e6) << line;
      EXPECT_EQ(f[11], "full");
    } else {
      EXPECT_GT(pr, 19.0e6) << line;
      EXPECT_LT(pr, 26.5e6) << line;
    }
    EXPECT_LT(std::fabs(doppler * lambda), 950.0) << line;
    EXPECT_GE(cn0, 30.0) << line;
    EXPECT_LE(cn0, 53.0) << line;
    if (sys == 'R') {
      EXPECT_TRUE(channel >= -7 && channel <= 6) << line;
    }
    Track& t = tracks[f[3] + f[4] + f[5]];
    const double sow = std::atof(f[2].c_str());
    const double pmc = phase * lambda - pr;
    if (t.sow >= 0 && sow - t.sow == 1.0) {
      // Range change agrees with the Doppler (positive when approaching).
      EXPECT_NEAR(pr - t.pr, -(doppler + t.doppler) / 2 * lambda, 3.0) << line;
      t.spread = std::max(t.spread, std::fabs(pmc - t.phaseMinusCode));
    } else {
      t.phaseMinusCode = pmc;
      satellites[sys] += f[5] == "ca";
    }
    t.sow = sow;
    t.pr = pr;
    t.doppler = doppler;
  }
  EXPECT_GT(obs, 1000);
  EXPECT_GE(satellites['G'], 6);
  EXPECT_GE(satellites['R'], 4);
  EXPECT_GE(satellites['S'], 1);
  // Phase and code keep a constant difference (the ambiguity) apart from code noise.
  for (const auto& [key, t] : tracks) EXPECT_LT(t.spread, 4.0) << key;
}

// Single-point positioning from the truth file alone, with broadcast orbits
// evaluated here: the ephemerides and the pseudoranges must describe the same
// satellites, or the solution leaves the receiver's position.
struct Vec {
  double x = 0, y = 0, z = 0;
};

constexpr double kC = 299792458.0, kWe = 7.2921151467e-5;

double GpsSeconds(const std::vector<std::string>& f, std::size_t at) {
  int y = std::atoi(f[at].c_str()), m = std::atoi(f[at + 1].c_str()), d = std::atoi(f[at + 2].c_str());
  y -= m <= 2;
  const int era = y / 400, yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long days = era * 146097LL + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468 - 3657;
  return static_cast<double>(days) * 86400.0 + std::atof(f[at + 3].c_str()) * 3600.0 +
         std::atof(f[at + 4].c_str()) * 60.0 + std::atof(f[at + 5].c_str());
}

// Satellite position (Earth-fixed at transmission) and clock for a pseudorange; false without an ephemeris.
using Ephemerides = std::multimap<std::string, std::vector<std::string>>;

const std::vector<std::string>* Nearest(const Ephemerides& ephs, const std::string& key, double t,
                                        double offset) {
  const std::vector<std::string>* best = nullptr;
  double bestGap = 1e30;
  for (auto [it, end] = ephs.equal_range(key); it != end; ++it) {
    const double gap = std::fabs(t - (GpsSeconds(it->second, 2) + offset));
    if (gap < bestGap) {
      bestGap = gap;
      best = &it->second;
    }
  }
  return best;
}

bool SatelliteAt(char sys, const std::vector<std::string>& e, double t, Vec& p, double& clock) {
  auto num = [&](std::size_t i) { return std::atof(e[i].c_str()); };
  if (sys == 'G') {
    const double toc = GpsSeconds(e, 2), a = num(18) * num(18), ecc = num(16);
    const double tk = t - toc;  // toe and toc agree
    const double n = std::sqrt(3.986005e14 / (a * a * a)) + num(13);
    const double m = num(14) + n * tk;
    double ea = m;
    for (int i = 0; i < 20; ++i) ea = m + ecc * std::sin(ea);
    const double v = std::atan2(std::sqrt(1 - ecc * ecc) * std::sin(ea), std::cos(ea) - ecc);
    const double u = v + num(25), r = a * (1 - ecc * std::cos(ea)), inc = num(23) + num(27) * tk;
    const double node = num(21) + (num(26) - kWe) * tk - kWe * num(19);
    const double xp = r * std::cos(u), yp = r * std::sin(u);
    p = {xp * std::cos(node) - yp * std::cos(inc) * std::sin(node),
         xp * std::sin(node) + yp * std::cos(inc) * std::cos(node), yp * std::sin(inc)};
    clock =
        num(8) + num(9) * tk + num(10) * tk * tk - 4.442807633e-10 * ecc * num(18) * std::sin(ea) - num(33);
    return true;
  }
  if (sys == 'R') {
    const double tb = GpsSeconds(e, 2) + 18.0;
    double s[6] = {num(11) * 1e3, num(15) * 1e3, num(19) * 1e3, num(12) * 1e3, num(16) * 1e3, num(20) * 1e3};
    const double acc[3] = {num(13) * 1e3, num(17) * 1e3, num(21) * 1e3};
    auto deriv = [&](const double* q, double* d) {
      const double r2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2], r = std::sqrt(r2);
      const double mu = 3.9860044e14, k = 1.5 * 1.0826257e-3 * mu * 6378136.0 * 6378136.0 / (r2 * r2 * r);
      const double zz = 5 * q[2] * q[2] / r2;
      d[0] = q[3];
      d[1] = q[4];
      d[2] = q[5];
      d[3] = -mu * q[0] / (r2 * r) - k * q[0] * (1 - zz) + kWe * kWe * q[0] + 2 * kWe * q[4] + acc[0];
      d[4] = -mu * q[1] / (r2 * r) - k * q[1] * (1 - zz) + kWe * kWe * q[1] - 2 * kWe * q[3] + acc[1];
      d[5] = -mu * q[2] / (r2 * r) - k * q[2] * (3 - zz) + acc[2];
    };
    const int steps = static_cast<int>(std::ceil(std::fabs(t - tb) / 30.0));
    const double h = steps ? (t - tb) / steps : 0;
    for (int i = 0; i < steps; ++i) {
      double k1[6], k2[6], k3[6], k4[6], q[6];
      deriv(s, k1);
      for (int j = 0; j < 6; ++j) q[j] = s[j] + h / 2 * k1[j];
      deriv(q, k2);
      for (int j = 0; j < 6; ++j) q[j] = s[j] + h / 2 * k2[j];
      deriv(q, k3);
      for (int j = 0; j < 6; ++j) q[j] = s[j] + h * k3[j];
      deriv(q, k4);
      for (int j = 0; j < 6; ++j) s[j] += h / 6 * (k1[j] + 2 * k2[j] + 2 * k3[j] + k4[j]);
    }
    p = {s[0], s[1], s[2]};
    clock = num(8) + num(9) * (t - tb);
    return true;
  }
  const double toa = GpsSeconds(e, 2), dt = t - toa;
  p = {(num(11) + num(12) * dt + num(13) * dt * dt / 2) * 1e3,
       (num(15) + num(16) * dt + num(17) * dt * dt / 2) * 1e3,
       (num(19) + num(20) * dt + num(21) * dt * dt / 2) * 1e3};
  clock = num(8) + num(9) * dt;
  return true;
}

TEST(QzrSimulator, BroadcastOrbitsAndPseudorangesPositionTheReceiver) {
  TempDir dir;
  const SimRun r = RunSimulator({"-o",
                                 dir.File("x.qzr"),
                                 "--truth",
                                 dir.File("x.csv"),
                                 "--duration",
                                 "2700",
                                 "--interval",
                                 "300",
                                 "--encoding",
                                 "full",
                                 "--gps",
                                 "9",
                                 "--glonass",
                                 "7",
                                 "--sbas",
                                 "3",
                                 "--clock-offset-ms",
                                 "0.3",
                                 "--start",
                                 "2026-03-14 09:40:00"},
                                dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream in(ReadFile(dir.File("x.csv")));
  std::string line;
  Ephemerides ephs;
  Vec truePosition;
  struct Range {
    char sys;
    std::string key;
    double pr;
  };
  std::map<double, std::vector<Range>> epochs;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = qzrtest::e2e::SplitCommas(line);
    if (f[0] == "position")
      truePosition = {std::atof(f[1].c_str()), std::atof(f[2].c_str()), std::atof(f[3].c_str())};
    if (f[0] == "gpseph") ephs.insert({"G" + f[1], f});
    if (f[0] == "gloeph") ephs.insert({"R" + f[1], f});
    if (f[0] == "geoeph") ephs.insert({"S" + f[1], f});
    if (f[0] == "obs" && f[5] == "ca" && !f[7].empty()) {
      const double t = std::atof(f[1].c_str()) * 604800.0 + std::atof(f[2].c_str());
      epochs[t].push_back({f[3][0], f[3] + f[4], std::atof(f[7].c_str())});
    }
  }
  ASSERT_GE(epochs.size(), 9u);
  for (const auto& [t, ranges] : epochs) {
    SCOPED_TRACE(t);
    double x[4] = {0, 0, 0, 0};  // from the Earth's centre
    for (int iteration = 0; iteration < 8; ++iteration) {
      double n[4][4] = {}, b[4] = {};
      for (const Range& rg : ranges) {
        const double offset = rg.sys == 'R' ? 18.0 : 0.0;
        const double tx = t - x[3] / kC - rg.pr / kC;
        const auto* e = Nearest(ephs, rg.key, tx, offset);
        ASSERT_NE(e, nullptr) << rg.key;
        Vec p;
        double clock = 0;
        SatelliteAt(rg.sys, *e, tx, p, clock);
        const double tau = rg.pr / kC, c = std::cos(kWe * tau), s = std::sin(kWe * tau);
        const Vec q{c * p.x + s * p.y, -s * p.x + c * p.y, p.z};
        const double dx = q.x - x[0], dy = q.y - x[1], dz = q.z - x[2];
        const double rho = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double row[4] = {-dx / rho, -dy / rho, -dz / rho, 1.0};
        const double residual = rg.pr + kC * clock - rho - x[3];
        for (int i = 0; i < 4; ++i) {
          b[i] += row[i] * residual;
          for (int j = 0; j < 4; ++j) n[i][j] += row[i] * row[j];
        }
      }
      // Gauss-Jordan on the 4x4 normal equations.
      for (int i = 0; i < 4; ++i) {
        const double pivot = n[i][i];
        for (int j = 0; j < 4; ++j) n[i][j] /= pivot;
        b[i] /= pivot;
        for (int k = 0; k < 4; ++k) {
          if (k == i) continue;
          const double factor = n[k][i];
          for (int j = 0; j < 4; ++j) n[k][j] -= factor * n[i][j];
          b[k] -= factor * b[i];
        }
      }
      for (int i = 0; i < 4; ++i) x[i] += b[i];
    }
    const double error = std::sqrt((x[0] - truePosition.x) * (x[0] - truePosition.x) +
                                   (x[1] - truePosition.y) * (x[1] - truePosition.y) +
                                   (x[2] - truePosition.z) * (x[2] - truePosition.z));
    EXPECT_LT(error, 5.0);
    EXPECT_NEAR(x[3] / kC, 0.3e-3, 1e-7);
  }
}

}  // namespace
