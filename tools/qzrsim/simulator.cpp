#include "simulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "log_writer.h"

namespace qzrsim {

const char* const kTruthDescription =
    "# qzrsim truth file: the exact values encoded in the log, as a correct decoder\n"
    "# reconstructs them (after quantisation), in the units of the RINEX files.\n"
    "# Lines starting with '#' are comments; fields are comma separated; an empty\n"
    "# field is a value that was not written. Numbers are printed with %.17g.\n"
    "# position,X,Y,Z                      receiver ECEF position, metres\n"
    "# epoch,week,sow,clock_offset_s,satellites\n"
    "#     receiver epoch tag (GPS week, seconds of week); clock offset as written in [TO]\n"
    "#     (empty when not written or not applicable to the epoch)\n"
    "# obs,week,sow,system,number,signal,channel,pseudorange_m,phase_cycles,doppler_hz,\n"
    "#     cn0_dbhz,encoding,smoothing_m\n"
    "#     system G|R|S; number = GPS PRN, GLONASS slot or SBAS PRN (120..138); signal\n"
    "#     ca|p1|p2; channel = GLONASS frequency channel (empty otherwise); Doppler in the\n"
    "#     RINEX sign (positive when approaching; the message element holds the opposite\n"
    "#     sign); encoding = form of the pseudorange (SBAS pseudoranges of about 0.13 s do\n"
    "#     not fit the short form and are always written in the full form).\n"
    "#     With a receiver version that switches the time-tag correction on, phase and\n"
    "#     pseudorange already include it. No ionosphere or troposphere delay is simulated.\n"
    "# gpseph,prn,year,month,day,hour,minute,second,af0,af1,af2,iode,crs,deltan,m0,cuc,e,cus,\n"
    "#     sqrta,toe,cic,omega0,cis,i0,crc,omega,omegadot,idot,codes_l2,week,l2p_flag,accuracy_m,\n"
    "#     health,tgd,iodc,message_tow   (toc date and time; angles in radians, rates in rad/s;\n"
    "#     message_tow is the time of week in the message, not the navigation file's\n"
    "#     transmission time)\n"
    "# gloeph,slot,year,month,day,hour,minute,second,minus_taun,gamman,tk_utc_s,x_km,vx_kms,\n"
    "#     ax_kms2,health,y_km,vy_kms,ay_kms2,channel,z_km,vz_kms,az_kms2,age,tauc\n"
    "#     (reference time in UTC; tk is the frame time in UTC seconds of that day)\n"
    "# geoeph,prn,year,month,day,hour,minute,second,gf0,gf1,tow,x_km,vx_kms,ax_kms2,health,\n"
    "#     y_km,vy_kms,ay_kms2,accuracy_m,z_km,vz_kms,az_kms2,iod   (reference time in GPS time)\n"
    "# iono,alpha0,alpha1,alpha2,alpha3,beta0,beta1,beta2,beta3\n"
    "# utc,a0,a1,tot,wnt,dtls,dn,wnlsf,dtlsf        GPS UTC parameters ([UO])\n"
    "# geoutc,a0,a1,tot,wnt,dtls,dn,wnlsf,dtlsf,utcsi,tow,wn   GEO UTC parameters ([WO])\n"
    "# event,user,week,sow,tag,value               [==] user text event at a receiver time\n"
    "# event,XA|XB,week,sow,time_base              external event (time base 0 = GPS)\n"
    "# signature,week,sow,value                    [SE] signature written at that epoch\n";

const char* EncodingName(Encoding e) {
  switch (e) {
    case Encoding::Full: return "full";
    case Encoding::Short: return "short";
    case Encoding::Relative: return "relative";
    case Encoding::ShortRelative: return "short-relative";
    case Encoding::Raw: return "raw";
  }
  return "";
}

namespace {

constexpr double kElevationMask = 10.0 * kPi / 180.0;
constexpr double kGamma = (77.0 / 60.0) * (77.0 / 60.0);
constexpr const char* kSignalNames[3] = {"ca", "p1", "p2"};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Deterministic noise, independent of the standard library's distributions.
class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed * 0x2545F4914F6CDD1Dull + 0x1234567ull) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) * 0x1.0p-53; }
  double Gauss(double sigma) {
    return sigma * std::sqrt(-2.0 * std::log(Uniform())) * std::cos(2.0 * kPi * Uniform());
  }

 private:
  std::uint64_t state_;
};

char SystemLetter(System s) { return s == System::Gps ? 'G' : s == System::Glonass ? 'R' : 'S'; }

double Frequency(const Satellite& s, int signal) {
  if (s.system == System::Glonass)
    return signal == 2 ? 1246000000.0 + s.channel * 437500.0 : 1602000000.0 + s.channel * 562500.0;
  return signal == 2 ? 1227600000.0 : 1575420000.0;
}

std::uint8_t IndexByte(const Satellite& s) {
  if (s.system == System::Gps) return static_cast<std::uint8_t>(s.number);
  if (s.system == System::Glonass) return static_cast<std::uint8_t>(45 + s.channel);
  return static_cast<std::uint8_t>(s.number);
}

// Text output with %.17g fields, built in memory and written in large pieces.
class Truth {
 public:
  explicit Truth(std::FILE* f) : file_(f) {}
  ~Truth() { Flush(); }
  Truth(const Truth&) = delete;
  Truth& operator=(const Truth&) = delete;
  bool on() const { return file_ != nullptr; }
  Truth& Kind(const char* k) {
    line_ += k;
    return *this;
  }
  Truth& Num(double v) {
    char b[40];
    std::snprintf(b, sizeof b, ",%.17g", v);
    line_ += b;
    return *this;
  }
  Truth& Int(long long v) {
    char b[32];
    std::snprintf(b, sizeof b, ",%lld", v);
    line_ += b;
    return *this;
  }
  Truth& Opt(bool has, double v) { return has ? Num(v) : Text(""); }
  Truth& Text(std::string_view t) {
    line_ += ',';
    line_ += t;
    return *this;
  }
  void End() {
    line_ += '\n';
    if (line_.size() > (1u << 20)) Flush();
  }
  void Raw(std::string_view t) { line_ += t; }
  bool Flush() {
    if (file_ && !line_.empty() && std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size())
      failed_ = true;
    line_.clear();
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  std::FILE* file_;
  std::string line_;
  bool failed_ = false;
};

// What one satellite contributes to one epoch, before and after encoding.
struct SignalValues {
  bool present = false;
  double codeM = 0, phaseCycles = 0, dopplerHz = 0, cn0 = 0, smoothingM = 0;
  // Reconstructed values as the decoder stores them.
  bool hasCode = false, hasPhase = false, hasDoppler = false, hasCn0 = false, hasSmoothing = false;
  double codeSeconds = 0;  // per-signal messages
  double decodedCodeM = 0, decodedPhase = 0, decodedCn0 = 0;
  float storedDoppler = 0;  // receiver sign
  float storedSmoothing = 0;
  float relativeCode = 0;  // the f32 element of the relative pseudorange
  Encoding codeForm = Encoding::Short;
};

struct Tracked {
  Satellite sat;
  bool listedBefore = false;
  double ambiguity[3] = {0, 0, 0};
  std::uint32_t lastRaw[3] = {0, 0, 0};  // short-phase unwrapping, as the decoder keeps it
  std::int32_t wraps[3] = {0, 0, 0};
  double lockSeconds = 0;
  // This epoch:
  bool listed = false;
  double elevation = 0;
  double range = 0, transmitted = 0;
  Vec3 satellite;
  SignalValues sig[3];
};

struct Epoch {
  std::int64_t ms = 0;  // receiver tag, GPS milliseconds
  std::vector<Tracked*> list;
};

void CalendarOf(double gpsSeconds, int& y, int& mo, int& d, int& h, int& mi, double& s) {
  const double day = std::floor(gpsSeconds / 86400.0);
  CivilFromDays(static_cast<std::int64_t>(day) + DaysFromCivil(1980, 1, 6), y, mo, d);
  const double sod = gpsSeconds - day * 86400.0;
  h = static_cast<int>(sod / 3600.0);
  mi = static_cast<int>((sod - h * 3600.0) / 60.0);
  s = sod - h * 3600.0 - mi * 60.0;
}

std::uint32_t RotateLeft(std::uint32_t v, unsigned s) { return s == 0 ? v : (v << s) | (v >> (32 - s)); }

std::uint32_t ReceiverIdHash(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::uint32_t h = 0;
  if (i >= text.size()) return 0;
  for (std::size_t k = i + 1; k < text.size(); ++k) h = RotateLeft(h, 5) ^ static_cast<std::uint8_t>(text[k]);
  return RotateLeft(h, 5);
}

class Simulation {
 public:
  Simulation(const Options& o, std::FILE* log, std::FILE* truth)
      : o_(o), log_(log), truth_(truth), noise_(o.seed) {}
  std::string Run();

 private:
  void ChooseSatellites();
  void Header();
  void Parameters();
  void Observe(Epoch& e);
  void LimitToChannels();
  void EncodeSignal(Tracked& t, int s, const SignalValues& ca);
  void WritePerSignal(const Epoch& e);
  void WriteRaw(const Epoch& e, std::int64_t todMs, int sample);
  void WriteTruthEpoch(const Epoch& e, bool clockWritten);
  void Ephemerides(std::int64_t ms, bool first);
  void WriteSignature(std::int64_t ms);
  void WriteDate(std::int64_t ms);
  void WriteSiteEvent(std::int64_t ms, int n);
  double TrueTime(std::int64_t ms) const { return static_cast<double>(ms) * 1e-3 - ClockSeconds(); }
  double ClockSeconds() const { return o_.clockGiven ? o_.clockOffsetMs * 1e-3 : 0.0; }
  void TruthTime(std::int64_t ms) {
    truth_.Int(ms / 604800000).Num(static_cast<double>(ms % 604800000) / 1000.0);
  }

  const Options& o_;
  LogWriter log_;
  Truth truth_;
  Noise noise_;
  std::vector<std::unique_ptr<Tracked>> tracked_;
  double lastGpsBlock_ = -1, lastGlonassRef_ = -1, lastGeoBlock_ = -1;
  std::uint32_t idHash_ = 0;
  bool tagCorrection_ = false;
};

bool VersionInRange(const std::string& text) {
  const auto dot = text.rfind('.');
  if (dot == std::string::npos) return false;
  const long v = std::atol(text.substr(0, dot).c_str()) * 1000 + std::atol(text.substr(dot + 1).c_str());
  return v >= 40 && v <= 1002;
}

void Simulation::ChooseSatellites() {
  const double t0 = TrueTime(o_.startMs);
  const double span = static_cast<double>(o_.durationMs) * 1e-3;
  struct Pick {
    int count;
    std::vector<Satellite> all;
  };
  Pick picks[3] = {
      {o_.gps, GpsConstellation()}, {o_.glonass, GlonassConstellation()}, {o_.sbas, SbasConstellation()}};
  for (auto& p : picks) {
    struct Candidate {
      Satellite sat;
      double firstSeen;
      double startElevation;
    };
    std::vector<Candidate> candidates;
    for (const Satellite& s : p.all) {
      double first = -1;
      for (double dt = 0;; dt += 600.0) {
        const double t = t0 + std::min(dt, span);
        if (Elevation(o_.position, s.Position(t)) >= kElevationMask) {
          first = t - t0;
          break;
        }
        if (dt >= span) break;
      }
      if (first >= 0) candidates.push_back({s, first, Elevation(o_.position, s.Position(t0))});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
      if (a.firstSeen != b.firstSeen) return a.firstSeen < b.firstSeen;
      return a.startElevation > b.startElevation;
    });
    if (p.count == 0) candidates.clear();
    if (!o_.channels && candidates.size() > static_cast<std::size_t>(p.count)) {
      candidates.resize(static_cast<std::size_t>(p.count));
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.sat.number < b.sat.number; });
    for (const auto& c : candidates) {
      auto t = std::make_unique<Tracked>();
      t->sat = c.sat;
      tracked_.push_back(std::move(t));
    }
  }
}

void Simulation::Header() {
  std::string id = "RLOGF ";
  id += "QZR SIM Receiver Log File";
  id.resize(85, ' ');
  log_.Plain("QZ", id);
  log_.Raw("\r\n");
  // The format message carries its checksum as two hexadecimal characters.
  static const std::uint8_t kFormatHead[] = {'M', 'F', '0', '0', '9', 'Q', 'Z', '0', '1', '0', '0', '0'};
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", Checksum8(kFormatHead, sizeof kFormatHead));
  log_.Plain("MF", std::string("QZ01000") + hex);
  log_.Raw("\r\n");
  log_.Plain("PM", "version/main=\"" + o_.receiverVersion + "\"");
  log_.Raw("\r\n");
  tagCorrection_ = VersionInRange(o_.receiverVersion.substr(0, 19));
  if (o_.signatures) {
    const std::string receiverId = "QZS04711";
    log_.Plain("PM", "rcvid=\"" + receiverId + "\"");
    log_.Raw("\r\n");
    idHash_ = ReceiverIdHash(receiverId);
  }
}

void Simulation::Parameters() {
  const std::int64_t week = o_.startMs / 604800000;
  const double tot = std::floor(static_cast<double>(o_.startMs % 604800000) * 1e-3 / 4096.0) * 4096.0;
  if (o_.iono) {
    const float alpha[4] = {1.1176e-08f, 7.4506e-09f, -5.9605e-08f, -5.9605e-08f};
    const float beta[4] = {90112.0f, 49152.0f, -131072.0f, -327680.0f};
    Body b;
    b.U32(static_cast<std::uint32_t>(tot)).U16(static_cast<std::uint16_t>(week));
    for (float a : alpha) b.F32(a);
    for (float v : beta) b.F32(v);
    log_.Checked("IO", b);
    if (truth_.on()) {
      truth_.Kind("iono");
      for (float a : alpha) truth_.Num(a);
      for (float v : beta) truth_.Num(v);
      truth_.End();
    }
  }
  if (o_.utc) {
    const double a0 = -9.313225746154785e-10;
    const float a1 = -8.881784197001252e-16f;
    Body u;
    u.F64(a0)
        .F32(a1)
        .I32(static_cast<std::int32_t>(tot))
        .U16(static_cast<std::uint16_t>(week))
        .I8(kLeapSeconds);
    u.U8(7).U16(static_cast<std::uint16_t>(week + 100)).I8(kLeapSeconds);
    log_.Checked("UO", u);
    Body w;
    w.F64(a0 * 2)
        .F32(a1)
        .I32(static_cast<std::int32_t>(tot))
        .U16(static_cast<std::uint16_t>(week))
        .I8(kLeapSeconds);
    w.U8(7).U16(static_cast<std::uint16_t>(week + 100)).I8(kLeapSeconds).I8(1);
    w.I32(static_cast<std::int32_t>(tot)).U16(static_cast<std::uint16_t>(week));
    log_.Checked("WO", w);
    if (truth_.on()) {
      truth_.Kind("utc")
          .Num(a0)
          .Num(a1)
          .Num(tot)
          .Int(week)
          .Int(kLeapSeconds)
          .Int(7)
          .Int(week + 100)
          .Int(kLeapSeconds);
      truth_.End();
      truth_.Kind("geoutc").Num(a0 * 2).Num(a1).Num(tot).Int(week).Int(kLeapSeconds).Int(7).Int(week + 100);
      truth_.Int(kLeapSeconds).Int(1).Num(tot).Int(week);
      truth_.End();
    }
  }
}

// Physical observables of every tracked satellite at one epoch.
// Each system lists at most its channel count: satellites tracked at the
// previous epoch keep their channels, free ones go to the highest risen.
void Simulation::LimitToChannels() {
  const std::pair<System, int> systems[] = {
      {System::Gps, o_.gps}, {System::Glonass, o_.glonass}, {System::Sbas, o_.sbas}};
  for (const auto& [system, channels] : systems) {
    std::vector<Tracked*> kept, risen;
    for (auto& tp : tracked_) {
      if (tp->sat.system != system || !tp->listed) continue;
      (tp->listedBefore ? kept : risen).push_back(tp.get());
    }
    std::stable_sort(risen.begin(), risen.end(),
                     [](const Tracked* a, const Tracked* b) { return a->elevation > b->elevation; });
    std::size_t free = static_cast<std::size_t>(channels);
    for (Tracked* tr : kept) {
      if (free == 0)
        tr->listed = false;
      else
        --free;
    }
    for (Tracked* tr : risen) {
      if (free == 0)
        tr->listed = false;
      else
        --free;
    }
  }
}

void Simulation::Observe(Epoch& e) {
  const double t = TrueTime(e.ms);
  const double dtr = ClockSeconds();
  e.list.clear();
  for (auto& tp : tracked_) {
    Tracked& tr = *tp;
    tr.range = SignalRange(tr.sat, o_.position, t, &tr.transmitted, &tr.satellite);
    tr.elevation = Elevation(o_.position, tr.satellite);
    tr.listed = tr.elevation >= kElevationMask;
  }
  if (o_.channels) LimitToChannels();
  for (auto& tp : tracked_) {
    Tracked& tr = *tp;
    const double tx = tr.transmitted;
    const double range = tr.range;
    for (auto& s : tr.sig) s = SignalValues{};
    if (!tr.listed) {
      tr.listedBefore = false;
      continue;
    }
    if (!tr.listedBefore) {
      for (int s = 0; s < 3; ++s) {
        tr.ambiguity[s] = std::round((noise_.Uniform() - 0.5) * 600.0);
        tr.lastRaw[s] = 0;
        tr.wraps[s] = 0;
      }
      tr.lockSeconds = 0;
    }
    e.list.push_back(&tr);
    const double h = 0.01;
    auto base = [&](double when) {
      double txw = 0;
      const double r = SignalRange(tr.sat, o_.position, when, &txw, nullptr, range / kLight);
      return r + kLight * (dtr - tr.sat.ClockOffset(txw));
    };
    const double b0 = range + kLight * (dtr - tr.sat.ClockOffset(tx));
    const double rate = (base(t + h) - base(t - h)) / (2 * h);
    const double sinEl = std::sin(tr.elevation);
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s] || (tr.sat.system == System::Sbas && s != 0)) continue;
      SignalValues& v = tr.sig[s];
      v.present = true;
      const double f = Frequency(tr.sat, s);
      const double lambda = kLight / f;
      double bias = 0;
      if (tr.sat.system == System::Gps) bias = kLight * tr.sat.GroupDelay() * (s == 2 ? kGamma : 1.0);
      if (s == 1) bias += tr.sat.interSignalBias;
      if (s == 2) bias += 1.5 * tr.sat.interSignalBias;
      v.codeM = b0 + bias + noise_.Gauss(0.3 / (0.3 + sinEl));
      v.phaseCycles = b0 / lambda + tr.ambiguity[s] + noise_.Gauss(0.003);
      v.dopplerHz = -rate / lambda + noise_.Gauss(0.02);
      v.cn0 = 34.0 + 16.0 * sinEl - (s == 2 ? 4.0 : 0.0) - (tr.sat.system == System::Sbas ? 3.0 : 0.0) +
              noise_.Gauss(0.4);
      v.smoothingM = noise_.Gauss(0.15);
    }
    tr.listedBefore = true;
  }
}

// Turns one signal's values into what the chosen message forms carry and
// records what a decoder reconstructs from them.
void Simulation::EncodeSignal(Tracked& t, int s, const SignalValues& ca) {
  SignalValues& v = t.sig[s];
  if (!v.present) return;
  const double f = Frequency(t.sat, s);
  const bool geo = t.sat.system == System::Sbas;
  Encoding form = o_.encoding;
  if (geo && (form == Encoding::Short || (form == Encoding::ShortRelative && s == 0))) form = Encoding::Full;
  if (s == 0 && form == Encoding::Relative) form = Encoding::Full;
  if (s == 0 && form == Encoding::ShortRelative) form = Encoding::Short;
  v.codeForm = form;
  const double sec = v.codeM / kLight;
  if (o_.code) {
    switch (form) {
      case Encoding::Full:
        v.codeSeconds = sec;
        v.hasCode = true;
        break;
      case Encoding::Short: {
        const double q = std::round((sec - 0.075) / 1e-11);
        if (std::fabs(q) < 2147483647.0) {
          v.codeSeconds = q * 1e-11 + 0.075;
          v.hasCode = true;
        }
        break;
      }
      case Encoding::Relative:
        if (ca.hasCode) {
          v.relativeCode = static_cast<float>(sec - ca.codeSeconds);
          v.codeSeconds = ca.codeSeconds + static_cast<double>(v.relativeCode);
          v.hasCode = true;
        }
        break;
      case Encoding::ShortRelative:
        if (ca.hasCode) {
          const double q = std::round((sec - ca.codeSeconds - 2e-7) / 1e-11);
          if (q >= -32768.0 && q <= 32766.0) {
            v.codeSeconds = q * 1e-11 + 2e-7 + ca.codeSeconds;
            v.hasCode = true;
          }
        }
        break;
      case Encoding::Raw: break;
    }
    v.decodedCodeM = v.codeSeconds * kLight;
  }
  if (o_.phase) {
    switch (o_.encoding) {
      case Encoding::Full:
        v.decodedPhase = v.phaseCycles;
        v.hasPhase = true;
        break;
      case Encoding::Short: {
        const double counts = std::round(v.phaseCycles * 1024.0);
        const auto raw = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(static_cast<std::int64_t>(counts)) & 0xFFFFFFFFu);
        if (raw == 0xFFFFFFFFu) break;
        if (raw <= 0x3FFFFFFFu && t.lastRaw[s] > 0xC0000000u) t.wraps[s] += 1;
        if (raw > 0xC0000000u && t.lastRaw[s] != 0 && t.lastRaw[s] < 0x40000000u) t.wraps[s] -= 1;
        t.lastRaw[s] = raw;
        v.decodedPhase = (static_cast<double>(t.wraps[s]) * 4294967296.0 + static_cast<double>(raw)) / 1024.0;
        v.hasPhase = true;
        break;
      }
      case Encoding::Relative:
        if (ca.hasCode) {
          const auto d = static_cast<float>(v.phaseCycles / f - ca.codeSeconds);
          v.decodedPhase = f * (static_cast<double>(d) + ca.codeSeconds);
          v.hasPhase = true;
        }
        break;
      case Encoding::ShortRelative:
        if (ca.hasCode) {
          const double pq = std::trunc((ca.codeSeconds - 0.075) * 1e11) * 1e-11 + 0.075;
          const double q = std::round((v.phaseCycles / f - pq) / 0x1.0p-40);
          if (std::fabs(q) < 2147483647.0) {
            v.decodedPhase = f * (q * 0x1.0p-40 + pq);
            v.hasPhase = true;
          }
        }
        break;
      case Encoding::Raw: break;
    }
  }
  if (o_.doppler) {
    const double q = std::round(-v.dopplerHz / 1e-4);
    v.storedDoppler = static_cast<float>(q * 0.0001);
    v.hasDoppler = true;
  }
  if (o_.cn0) {
    v.decodedCn0 = std::clamp(std::round(v.cn0 * 4.0), 8.0, 252.0);
    if (o_.encoding == Encoding::Short || o_.encoding == Encoding::ShortRelative)
      v.decodedCn0 = std::round(v.decodedCn0 / 4.0);
    else
      v.decodedCn0 *= 0.25;
    v.hasCn0 = true;
  }
  if (o_.smoothing) {
    if (o_.encoding == Encoding::Short || o_.encoding == Encoding::ShortRelative) {
      const double q = std::round(v.smoothingM / kLight / 1e-11);
      v.storedSmoothing = static_cast<float>(q * 1e-11 * kLight);
    } else {
      const auto sec32 = static_cast<float>(v.smoothingM / kLight);
      v.storedSmoothing = static_cast<float>(static_cast<double>(sec32) * kLight);
    }
    // The short form is taken only beside a C/A pseudorange of the same satellite.
    const bool shortForm = o_.encoding == Encoding::Short || o_.encoding == Encoding::ShortRelative;
    v.hasSmoothing = !shortForm || (s == 0 ? v.hasCode : ca.hasCode);
  }
}

void Simulation::WriteDate(std::int64_t ms) {
  int y, mo, d, h, mi;
  double s;
  CalendarOf(static_cast<double>(ms / 1000), y, mo, d, h, mi, s);
  Body b;
  b.U16(static_cast<std::uint16_t>(y))
      .U8(static_cast<std::uint8_t>(mo))
      .U8(static_cast<std::uint8_t>(d))
      .U8(0);
  log_.Checked("RD", b);
}

// A site name typed on the receiver; it starts a new occupation at this epoch.
void Simulation::WriteSiteEvent(std::int64_t ms, int n) {
  char value[16];
  std::snprintf(value, sizeof value, "SITE%02d", n);
  Body ev;
  ev.U32(static_cast<std::uint32_t>(ms % 86400000)).U8(0).Text("_SIT=").Text(value);
  log_.Checked("==", ev);
  if (truth_.on()) {
    truth_.Kind("event").Text("user");
    TruthTime(ms);
    truth_.Text("_SIT=").Text(value);
    truth_.End();
  }
}

void Simulation::WritePerSignal(const Epoch& e) {
  static const char* kCode[5][3] = {
      {"RC", "R1", "R2"}, {"rc", "r1", "r2"}, {"RC", "1R", "2R"}, {"rc", "1r", "2r"}, {}};
  static const char* kPhase[5][3] = {
      {"PC", "P1", "P2"}, {"pc", "p1", "p2"}, {"CP", "1P", "2P"}, {"cp", "1p", "2p"}, {}};
  static const char* kDoppler[3] = {"DC", "D1", "D2"};
  static const char* kCn0Whole[3] = {"EC", "E1", "E2"};
  static const char* kCn0Quarter[3] = {"CE", "1E", "2E"};
  static const char* kSmoothFull[3] = {"CC", "C1", "C2"};
  static const char* kSmoothShort[3] = {"cc", "c1", "c2"};
  const int enc = static_cast<int>(o_.encoding);
  const bool shortForms = o_.encoding == Encoding::Short || o_.encoding == Encoding::ShortRelative;
  Body b;
  Body si;
  for (const Tracked* t : e.list) si.U8(IndexByte(t->sat));
  log_.Checked("SI", si);
  Body nn;
  for (const Tracked* t : e.list)
    if (t->sat.system == System::Glonass) nn.I8(static_cast<std::int8_t>(t->sat.number));
  if (nn.size() > 0) log_.Checked("NN", nn);
  Body el;
  for (const Tracked* t : e.list) el.I8(static_cast<std::int8_t>(std::lround(t->elevation * 180.0 / kPi)));
  log_.Checked("EL", el);
  // The receiver's own position solution; the header's approximate position.
  Body po;
  po.F64(o_.position.x).F64(o_.position.y).F64(o_.position.z);
  log_.Checked("PO", po);
  if (o_.clockGiven) {
    Body to;
    to.F64(ClockSeconds());
    log_.Checked("TO", to);
  }
  if (o_.code) {
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s]) continue;
      b.Clear();
      bool geoFull = false;
      for (const Tracked* t : e.list) {
        const SignalValues& v = t->sig[s];
        const bool mine = v.hasCode && v.codeForm == o_.encoding;
        geoFull |= v.hasCode && v.codeForm == Encoding::Full && o_.encoding != Encoding::Full;
        switch (o_.encoding) {
          case Encoding::Full: b.F64(mine ? v.codeSeconds : kNaN); break;
          case Encoding::Short:
          case Encoding::ShortRelative:
            if (s == 0 || o_.encoding == Encoding::Short) {
              const bool shortHere = v.hasCode && v.codeForm == Encoding::Short;
              b.I32(shortHere ? static_cast<std::int32_t>(std::llround((v.codeSeconds - 0.075) / 1e-11))
                              : 0x7FFFFFFF);
            } else {
              b.I16(mine ? static_cast<std::int16_t>(
                               std::llround((v.codeSeconds - t->sig[0].codeSeconds - 2e-7) / 1e-11))
                         : static_cast<std::int16_t>(0x7FFF));
            }
            break;
          case Encoding::Relative:
            if (s == 0)
              b.F64(v.hasCode ? v.codeSeconds : kNaN);
            else
              b.F32(mine ? v.relativeCode : std::numeric_limits<float>::quiet_NaN());
            break;
          case Encoding::Raw: break;
        }
      }
      log_.Checked(kCode[enc][s], b);
      if (geoFull && s == 0 && o_.encoding != Encoding::Relative) {
        // GEO pseudoranges only fit the full form.
        b.Clear();
        for (const Tracked* t : e.list) {
          const SignalValues& v = t->sig[0];
          b.F64(v.hasCode && v.codeForm == Encoding::Full ? v.codeSeconds : kNaN);
        }
        log_.Checked("RC", b);
      }
    }
  }
  if (o_.phase) {
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s]) continue;
      b.Clear();
      for (const Tracked* t : e.list) {
        const SignalValues& v = t->sig[s];
        const double f = Frequency(t->sat, s);
        switch (o_.encoding) {
          case Encoding::Full: b.F64(v.hasPhase ? v.decodedPhase : kNaN); break;
          case Encoding::Short: b.U32(v.hasPhase ? t->lastRaw[s] : 0xFFFFFFFFu); break;
          case Encoding::Relative:
            b.F32(v.hasPhase ? static_cast<float>(v.phaseCycles / f - t->sig[0].codeSeconds)
                             : std::numeric_limits<float>::quiet_NaN());
            break;
          case Encoding::ShortRelative: {
            const double pq = std::trunc((t->sig[0].codeSeconds - 0.075) * 1e11) * 1e-11 + 0.075;
            b.I32(v.hasPhase ? static_cast<std::int32_t>(std::llround((v.phaseCycles / f - pq) / 0x1.0p-40))
                             : 0x7FFFFFFF);
            break;
          }
          case Encoding::Raw: break;
        }
      }
      log_.Checked(kPhase[enc][s], b);
    }
  }
  if (o_.doppler) {
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s]) continue;
      b.Clear();
      for (const Tracked* t : e.list) {
        const SignalValues& v = t->sig[s];
        b.I32(v.hasDoppler ? static_cast<std::int32_t>(std::llround(-v.dopplerHz / 1e-4)) : 0x7FFFFFFF);
      }
      log_.Checked(kDoppler[s], b);
    }
  }
  if (o_.cn0) {
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s]) continue;
      b.Clear();
      for (const Tracked* t : e.list) {
        const SignalValues& v = t->sig[s];
        b.U8(v.hasCn0 ? static_cast<std::uint8_t>(std::lround(shortForms ? v.decodedCn0 : v.decodedCn0 * 4.0))
                      : 255);
      }
      log_.Checked(shortForms ? kCn0Whole[s] : kCn0Quarter[s], b);
    }
  }
  if (o_.smoothing) {
    for (int s = 0; s < 3; ++s) {
      if (!o_.signals[s]) continue;
      b.Clear();
      for (const Tracked* t : e.list) {
        const SignalValues& v = t->sig[s];
        if (shortForms) {
          b.I16(v.hasSmoothing ? static_cast<std::int16_t>(std::llround(v.smoothingM / kLight / 1e-11))
                               : static_cast<std::int16_t>(0x7FFF));
        } else {
          b.F32(v.hasSmoothing ? static_cast<float>(v.smoothingM / kLight)
                               : std::numeric_limits<float>::quiet_NaN())
              .U16(0);
        }
      }
      log_.Checked(shortForms ? kSmoothShort[s] : kSmoothFull[s], b);
    }
  }
}

void Simulation::WriteRaw(const Epoch& e, std::int64_t todMs, int sample) {
  const std::int64_t day = e.ms / 86400000;
  int y, mo, d;
  CivilFromDays(day + DaysFromCivil(1980, 1, 6), y, mo, d);
  const int base = y - y % 4;
  const std::int64_t value = day - GpsDayOf(base, 1, 1) + 1;
  const int count = static_cast<int>(std::count_if(e.list.begin(), e.list.end(), [](const Tracked* t) {
    for (const auto& s : t->sig)
      if (s.present) return true;
    return false;
  }));
  Body b;
  b.U16(static_cast<std::uint16_t>(sample)).U16(static_cast<std::uint16_t>((value & 0x7FF) | (1 << 13)));
  b.U32(static_cast<std::uint32_t>(todMs));
  const auto clockUnits = static_cast<std::int32_t>(std::lround(ClockSeconds() / 1.25e-7));
  b.I16(static_cast<std::int16_t>(clockUnits * 4));
  b.U16(static_cast<std::uint16_t>(4 | (count << 8)));
  int receiverChannel = 0;
  for (Tracked* t : e.list) {
    std::vector<int> sigs;
    for (int s = 0; s < 3; ++s)
      if (t->sig[s].present) sigs.push_back(s);
    if (sigs.empty()) continue;
    ++receiverChannel;
    const SignalValues& first = t->sig[sigs[0]];
    const auto rr = static_cast<std::uint32_t>(std::llround(first.codeM / 0.02));
    const double rrM = static_cast<double>(rr) * 0.02;
    b.U32(rr).U8(IndexByte(t->sat)).U8(static_cast<std::uint8_t>(sigs.size() - 1));
    for (std::size_t k = 0; k < sigs.size(); ++k) {
      const int s = sigs[k];
      SignalValues& v = t->sig[s];
      v.codeForm = Encoding::Raw;
      const double f = Frequency(t->sat, s);
      if (k == 0) {
        const int slot = t->sat.system == System::Glonass ? t->sat.number : 0;
        b.U16(static_cast<std::uint16_t>(1 | (receiverChannel << 6) | (slot << 11)));
        v.decodedCodeM = rrM;
      } else {
        const auto diff = static_cast<std::int16_t>(std::lround((v.codeM - rrM) / 0.02));
        b.I16(diff);
        v.decodedCodeM = rrM + static_cast<double>(diff) * 0.02;
      }
      v.hasCode = true;
      const auto pd = static_cast<std::int32_t>(std::lround((v.phaseCycles * kLight / f - rrM) / 0.0005));
      v.decodedPhase = f * (rrM + static_cast<double>(pd) * 0.0005) / kLight;
      v.hasPhase = true;
      const auto cn0 = static_cast<std::uint32_t>(std::clamp(std::lround(v.cn0), 2L, 63L));
      v.decodedCn0 = static_cast<double>(cn0);
      v.hasCn0 = true;
      b.U32(cn0 | (static_cast<std::uint32_t>(s) << 9) | (static_cast<std::uint32_t>(pd) << 12));
      b.I16(0).U16(static_cast<std::uint16_t>(std::min(1023.0, t->lockSeconds * 10.0)));
      const auto dop = static_cast<std::int32_t>(std::lround(-v.dopplerHz / 0.001));
      v.storedDoppler = static_cast<float>(static_cast<double>(dop) * 0.001);
      v.hasDoppler = true;
      b.I32(static_cast<std::int32_t>(static_cast<std::uint32_t>(dop) << 7));
    }
  }
  log_.CrcChecked("rM", b);
}

void Simulation::WriteTruthEpoch(const Epoch& e, bool clockWritten) {
  if (!truth_.on()) return;
  truth_.Kind("epoch");
  TruthTime(e.ms);
  const auto observed = std::count_if(e.list.begin(), e.list.end(), [](const Tracked* t) {
    return t->sig[0].present || t->sig[1].present || t->sig[2].present;
  });
  truth_.Opt(clockWritten, ClockSeconds()).Int(static_cast<long long>(observed));
  truth_.End();
  for (const Tracked* t : e.list) {
    for (int s = 0; s < 3; ++s) {
      const SignalValues& v = t->sig[s];
      if (!v.present) continue;
      double code = v.decodedCodeM, phase = v.decodedPhase;
      if (tagCorrection_) {
        const double d = static_cast<double>(v.storedDoppler);
        phase -= d * 0.0008192;
        code -= d * 0.0008192 * kLight / Frequency(t->sat, s);
      }
      truth_.Kind("obs");
      TruthTime(e.ms);
      const char sys[2] = {SystemLetter(t->sat.system), 0};
      truth_.Text(sys).Int(t->sat.number).Text(kSignalNames[s]);
      if (t->sat.system == System::Glonass)
        truth_.Int(t->sat.channel);
      else
        truth_.Text("");
      truth_.Opt(v.hasCode, code)
          .Opt(v.hasPhase, phase)
          .Opt(v.hasDoppler, -static_cast<double>(v.storedDoppler));
      truth_.Opt(v.hasCn0, v.decodedCn0)
          .Text(EncodingName(v.codeForm))
          .Opt(v.hasSmoothing, static_cast<double>(v.storedSmoothing));
      truth_.End();
    }
  }
}

void Simulation::Ephemerides(std::int64_t ms, bool first) {
  if (!o_.ephemerides) return;
  const double t = static_cast<double>(ms) * 1e-3;
  const double gpsBlock = Satellite::GpsBlockStart(t), gloRef = Satellite::GlonassReference(t),
               geoBlock = Satellite::GeoBlockStart(t);
  const bool gpsDue = first || gpsBlock != lastGpsBlock_;
  const bool gloDue = first || gloRef != lastGlonassRef_;
  const bool geoDue = first || geoBlock != lastGeoBlock_;
  lastGpsBlock_ = gpsBlock;
  lastGlonassRef_ = gloRef;
  lastGeoBlock_ = geoBlock;
  const auto tow = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(t)) % 604800);
  for (const auto& tp : tracked_) {
    const Satellite& s = tp->sat;
    if (s.system == System::Gps && gpsDue) {
      const GpsBroadcast g = s.GpsEphemerisAt(t);
      Body b;
      b.U8(static_cast<std::uint8_t>(g.prn)).U32(tow).U8(0x04).U16(static_cast<std::uint16_t>(g.iode));
      b.I32(static_cast<std::int32_t>(g.toe)).I8(0).U8(0).I16(static_cast<std::int16_t>(g.week));
      b.F32(g.tgd)
          .F32(g.af2)
          .F32(g.af1)
          .F32(g.af0)
          .I32(static_cast<std::int32_t>(g.toe))
          .I16(static_cast<std::int16_t>(g.iode));
      b.F64(g.sqrtA).F64(g.eccentricity).F64(g.m0).F64(g.omega0).F64(g.inclination).F64(g.argumentOfPerigee);
      b.F32(g.deltaN).F32(g.omegaDot).F32(g.inclinationRate);
      for (int k = 0; k < 6; ++k) b.F32(0.0f);
      log_.Checked("GE", b);
      if (truth_.on()) {
        int y, mo, d, h, mi;
        double sec;
        CalendarOf(g.toeAbs, y, mo, d, h, mi, sec);
        truth_.Kind("gpseph").Int(g.prn).Int(y).Int(mo).Int(d).Int(h).Int(mi).Num(sec);
        truth_.Num(g.af0)
            .Num(g.af1)
            .Num(g.af2)
            .Int(g.iode)
            .Num(0)
            .Num(static_cast<double>(g.deltaN) * kPi)
            .Num(g.m0 * kPi);
        truth_.Num(0).Num(g.eccentricity).Num(0).Num(g.sqrtA).Num(g.toe).Num(0).Num(g.omega0 * kPi).Num(0);
        truth_.Num(g.inclination * kPi)
            .Num(0)
            .Num(g.argumentOfPerigee * kPi)
            .Num(static_cast<double>(g.omegaDot) * kPi);
        truth_.Num(static_cast<double>(g.inclinationRate) * kPi)
            .Int(1)
            .Int(g.week)
            .Int(0)
            .Num(2.0)
            .Int(0)
            .Num(g.tgd);
        truth_.Int(g.iode).Int(tow);
        truth_.End();
      }
    } else if (s.system == System::Glonass && gloDue) {
      const GlonassBroadcast g = s.GlonassEphemerisAt(t);
      // Day number within the four-year interval and times of the Moscow day.
      const double moscowRef = g.tbAbs - kLeapSeconds + 10800.0;
      const double moscowNow = std::floor(t) - kLeapSeconds + 10800.0;
      const auto moscowDay = static_cast<std::int64_t>(std::floor(moscowRef / 86400.0));
      int y, mo, d;
      CivilFromDays(moscowDay + DaysFromCivil(1980, 1, 6), y, mo, d);
      const std::int64_t dne = moscowDay - GpsDayOf(y - y % 4, 1, 1) + 1;
      const auto tb = static_cast<std::int32_t>(moscowRef - static_cast<double>(moscowDay) * 86400.0);
      auto tk = static_cast<std::int32_t>(moscowNow - static_cast<double>(moscowDay) * 86400.0);
      Body b;
      b.U8(static_cast<std::uint8_t>(g.slot))
          .I8(static_cast<std::int8_t>(g.channel))
          .I16(static_cast<std::int16_t>(dne));
      b.I32(tk).I32(tb).U8(0).U8(0).U8(0).F64(g.x).F64(g.y).F64(g.z);
      b.F32(g.vx).F32(g.vy).F32(g.vz).F32(g.ax).F32(g.ay).F32(g.az).F64(0.0).F32(g.tauN).F32(g.gammaN);
      log_.Checked("NE", b);
      if (truth_.on()) {
        int h, mi;
        double sec;
        const double utcRef = g.tbAbs - kLeapSeconds;
        CalendarOf(utcRef, y, mo, d, h, mi, sec);
        const double utcDayStart = std::floor(utcRef / 86400.0) * 86400.0;
        const double tkUtc = (moscowNow - 10800.0) - utcDayStart;
        truth_.Kind("gloeph").Int(g.slot).Int(y).Int(mo).Int(d).Int(h).Int(mi).Num(sec);
        truth_.Num(-static_cast<double>(g.tauN)).Num(g.gammaN).Num(tkUtc);
        truth_.Num(g.x).Num(g.vx).Num(g.ax).Int(0).Num(g.y).Num(g.vy).Num(g.ay).Int(g.channel);
        truth_.Num(g.z).Num(g.vz).Num(g.az).Int(0).Num(0);
        truth_.End();
      }
    } else if (s.system == System::Sbas && geoDue) {
      const GeoBroadcast g = s.GeoEphemerisAt(t);
      const auto toa = static_cast<std::uint32_t>(static_cast<std::int64_t>(g.toaAbs) % 86400);
      const auto week = static_cast<std::uint16_t>(static_cast<std::int64_t>(std::floor(t)) / 604800);
      const auto iod = static_cast<std::uint8_t>(static_cast<std::int64_t>(g.toaAbs / 120.0) % 256);
      Body b;
      b.U8(static_cast<std::uint8_t>(g.prn)).U8(0).U8(iod).U8(2).U32(toa).F64(g.x).F64(g.y).F64(g.z);
      b.F32(g.vx).F32(g.vy).F32(g.vz).F32(g.ax).F32(g.ay).F32(g.az).F32(g.gf0).F32(g.gf1).U32(tow).U16(week);
      log_.Checked("WE", b);
      if (truth_.on()) {
        int y, mo, d, h, mi;
        double sec;
        CalendarOf(g.toaAbs, y, mo, d, h, mi, sec);
        truth_.Kind("geoeph")
            .Int(g.prn)
            .Int(y)
            .Int(mo)
            .Int(d)
            .Int(h)
            .Int(mi)
            .Num(sec)
            .Num(g.gf0)
            .Num(g.gf1)
            .Int(tow);
        truth_.Num(g.x * 1e-3)
            .Num(static_cast<double>(g.vx) * 1e-3)
            .Num(static_cast<double>(g.ax) * 1e-3)
            .Int(0);
        truth_.Num(g.y * 1e-3)
            .Num(static_cast<double>(g.vy) * 1e-3)
            .Num(static_cast<double>(g.ay) * 1e-3)
            .Num(4.0);
        truth_.Num(g.z * 1e-3)
            .Num(static_cast<double>(g.vz) * 1e-3)
            .Num(static_cast<double>(g.az) * 1e-3)
            .Int(iod);
        truth_.End();
      }
    }
  }
}

void Simulation::WriteSignature(std::int64_t ms) {
  const auto t = static_cast<std::uint32_t>(ms % 86400000);
  const unsigned s = (t % 119317u) % 32u;
  int y, mo, d;
  CivilFromDays(ms / 86400000 + DaysFromCivil(1980, 1, 6), y, mo, d);
  const std::uint8_t content[] = {0x01, static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(t >> 8),
                                  0x5A};
  std::uint32_t a = idHash_;
  for (std::size_t i = 0; i < sizeof content; ++i)
    a ^= static_cast<std::uint32_t>(content[i]) << ((8 * i) % 32);
  const std::uint8_t rounds[8] = {static_cast<std::uint8_t>(t),       static_cast<std::uint8_t>(t >> 8),
                                  static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(t >> 24),
                                  static_cast<std::uint8_t>(d),       static_cast<std::uint8_t>(mo),
                                  static_cast<std::uint8_t>(y),       static_cast<std::uint8_t>(y >> 8)};
  for (std::uint8_t r : rounds) a = RotateLeft(a, s) + r;
  Body b;
  b.U32(a);
  for (std::uint8_t c : content) b.U8(c);
  log_.Checked("SE", b);
  if (truth_.on()) {
    truth_.Kind("signature");
    TruthTime(ms);
    truth_.Int(a);
    truth_.End();
  }
}

std::string Simulation::Run() {
  ChooseSatellites();
  if (truth_.on()) {
    truth_.Raw(kTruthDescription);
    truth_.Kind("position").Num(o_.position.x).Num(o_.position.y).Num(o_.position.z);
    truth_.End();
  }
  Header();
  Parameters();
  const std::int64_t iv = o_.intervalMs;
  const std::int64_t first = (o_.startMs + iv - 1) / iv * iv;
  const std::int64_t end = o_.startMs + o_.durationMs;
  const std::int64_t count = end > first ? (end - first + iv - 1) / iv : 0;
  std::int64_t lastDay = -1;
  int sample = 0;
  Epoch e;
  for (std::int64_t k = 0; k < count; ++k) {
    e.ms = first + k * iv;
    const std::int64_t tod = e.ms % 86400000;
    const std::int64_t day = e.ms / 86400000;
    Observe(e);
    if (e.list.size() > 31) e.list.resize(31);
    for (Tracked* t : e.list) {
      for (int s = 0; s < 3; ++s) EncodeSignal(*t, s, s == 0 ? SignalValues{} : t->sig[0]);
      t->lockSeconds += static_cast<double>(iv) * 1e-3;
    }
    const bool eventHere = o_.events > 0 && count > 0 &&
                           ((k + 1) * (o_.events + 1)) / count != (k * (o_.events + 1)) / count &&
                           ((k + 1) * (o_.events + 1)) / count <= o_.events;
    bool clockWritten = o_.clockGiven;
    if (o_.encoding == Encoding::Raw) {
      if (k == 0) {
        // The four-year-cycle day of [rM] needs a known date: a list and [RD] first.
        Body si;
        for (const auto& tp : tracked_) si.U8(IndexByte(tp->sat));
        if (si.size() == 0) si.U8(1);
        log_.Checked("SI", si);
        WriteDate(e.ms);
        clockWritten = false;
      }
      if (eventHere) WriteSiteEvent(e.ms, static_cast<int>(((k + 1) * (o_.events + 1)) / count));
      if (o_.clockGiven && k > 0) {
        Body to;
        to.F64(ClockSeconds());
        log_.Checked("TO", to);
      }
      WriteRaw(e, tod, sample++);
    } else {
      Body time;
      time.U32(static_cast<std::uint32_t>(tod));
      log_.Checked("~~", time);
      if (eventHere) WriteSiteEvent(e.ms, static_cast<int>(((k + 1) * (o_.events + 1)) / count));
      if (day != lastDay) WriteDate(e.ms);
      WritePerSignal(e);
      if (o_.signatures && (k == 0 || eventHere)) WriteSignature(e.ms);
    }
    lastDay = day;
    WriteTruthEpoch(e, clockWritten && !e.list.empty());
    if (o_.externalEvents > 0 && count > 0) {
      const std::int64_t slotNow = ((k + 1) * (o_.externalEvents + 1)) / count;
      const std::int64_t slotBefore = (k * (o_.externalEvents + 1)) / count;
      if (slotNow != slotBefore && slotNow <= o_.externalEvents) {
        const std::int64_t eventNs = e.ms * 1000000 + iv * 1000000 / 3 + 123;
        const bool port1 = slotNow % 2 == 1;
        Body xb;
        xb.U32(static_cast<std::uint32_t>((eventNs / 1000000) % 86400000))
            .U32(static_cast<std::uint32_t>(eventNs % 1000000))
            .U8(0);
        log_.Checked(port1 ? "XA" : "XB", xb);
        if (truth_.on()) {
          truth_.Kind("event").Text(port1 ? "XA" : "XB").Int(eventNs / 604800000000000LL);
          truth_.Num(static_cast<double>(eventNs % 604800000000000LL) * 1e-9).Int(0);
          truth_.End();
        }
      }
    }
    Ephemerides(e.ms, k == 0);
  }
  log_.Raw("\r\n");
  if (!log_.Flush()) return "cannot write the log file";
  if (!truth_.Flush()) return "cannot write the truth file";
  return "";
}

}  // namespace

std::string Simulate(const Options& options) {
  std::FILE* log = std::fopen(options.output.c_str(), "wb");
  if (!log) return "cannot create " + options.output;
  std::FILE* truth = nullptr;
  if (!options.truth.empty()) {
    truth = std::fopen(options.truth.c_str(), "wb");
    if (!truth) {
      std::fclose(log);
      return "cannot create " + options.truth;
    }
  }
  std::string error;
  {
    Simulation sim(options, log, truth);
    error = sim.Run();
  }
  if (std::fclose(log) != 0 && error.empty()) error = "cannot write the log file";
  if (truth && std::fclose(truth) != 0 && error.empty()) error = "cannot write the truth file";
  return error;
}

}  // namespace qzrsim
