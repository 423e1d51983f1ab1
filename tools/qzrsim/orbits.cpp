#include "orbits.h"

#include <cmath>

namespace qzrsim {
namespace {

constexpr double kDeg = kPi / 180.0;

// Fixed constellation definition: the same satellites whatever the noise seed.
class Constants {
 public:
  explicit Constants(std::uint64_t seed) : state_(seed) {}
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

 private:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t state_;
};

double Wrap(double angle) { return angle - 2.0 * kPi * std::floor((angle + kPi) / (2.0 * kPi)); }

double SolveKepler(double m, double e) {
  double ea = m;
  for (int i = 0; i < 12; ++i) {
    const double d = (ea - e * std::sin(ea) - m) / (1.0 - e * std::cos(ea));
    ea -= d;
    if (std::fabs(d) < 1e-15) break;
  }
  return ea;
}

Vec3 RotateZ(Vec3 v, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {c * v.x + s * v.y, -s * v.x + c * v.y, v.z};
}

Vec3 J2Acceleration(Vec3 p) {
  const double r2 = p.x * p.x + p.y * p.y + p.z * p.z;
  const double r = std::sqrt(r2);
  const double k = -1.5 * kGlonassJ2 * kGlonassMu * kGlonassRadius * kGlonassRadius / (r2 * r2 * r);
  const double zz = 5.0 * p.z * p.z / r2;
  return {k * p.x * (1.0 - zz), k * p.y * (1.0 - zz), k * p.z * (3.0 - zz)};
}

}  // namespace

double Norm(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

std::int64_t DaysFromCivil(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto doe = static_cast<int>(days - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  day = doy - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yoe + era * 400) + (month <= 2 ? 1 : 0);
}

std::int64_t GpsDayOf(int year, int month, int day) {
  return DaysFromCivil(year, month, day) - DaysFromCivil(1980, 1, 6);
}

double OrbitReference() { return static_cast<double>(GpsDayOf(2026, 1, 4)) * 86400.0; }

double Satellite::GpsBlockStart(double t) { return std::floor(t / 7200.0) * 7200.0; }
double Satellite::GeoBlockStart(double t) { return std::floor(t / 120.0) * 120.0; }
double Satellite::GlonassReference(double t) {
  // Reference times fall on 00:15, 00:45, ... of the Moscow day (UTC + 3 h).
  const double moscow = t - kLeapSeconds + 10800.0;
  return std::floor(moscow / 1800.0) * 1800.0 + 900.0 + kLeapSeconds - 10800.0;
}

Vec3 Satellite::KeplerInertial(double t, double mu) const {
  const double a = semiMajorAxis, e = eccentricity;
  const double dt = t - OrbitReference();
  const double m = Wrap(meanAnomalyAtReference + std::sqrt(mu / (a * a * a)) * dt);
  const double ea = SolveKepler(m, e);
  const double v = std::atan2(std::sqrt(1.0 - e * e) * std::sin(ea), std::cos(ea) - e);
  const double u = v + argumentOfPerigee;
  const double r = a * (1.0 - e * std::cos(ea));
  const double node = nodeAtReference + nodeRate * dt;
  const double xp = r * std::cos(u), yp = r * std::sin(u);
  const double ci = std::cos(inclination), si = std::sin(inclination);
  return {xp * std::cos(node) - yp * ci * std::sin(node), xp * std::sin(node) + yp * ci * std::cos(node),
          yp * si};
}

Vec3 Satellite::Position(double t) const {
  switch (system) {
    case System::Gps: return GpsBroadcastPosition(GpsEphemerisAt(t), t);
    case System::Glonass:
      return RotateZ(KeplerInertial(t, kGlonassMu), kEarthRotation * (t - OrbitReference()));
    case System::Sbas: return RotateZ(KeplerInertial(t, kGpsMu), kEarthRotation * (t - OrbitReference()));
  }
  return {};
}

double Satellite::ClockOffset(double t) const {
  switch (system) {
    case System::Gps: {
      const GpsBroadcast e = GpsEphemerisAt(t);
      double ea = 0;
      GpsBroadcastPosition(e, t, &ea);
      const double dt = t - e.toeAbs;
      return e.af0 + e.af1 * dt + e.af2 * dt * dt - 4.442807633e-10 * e.eccentricity * e.sqrtA * std::sin(ea);
    }
    case System::Glonass: {
      const GlonassBroadcast e = GlonassEphemerisAt(t);
      return -static_cast<double>(e.tauN) + static_cast<double>(e.gammaN) * (t - e.tbAbs);
    }
    case System::Sbas: {
      const double toa = GeoBlockStart(t);
      const auto gf0 = static_cast<float>(clockBias + clockDrift * (toa - OrbitReference()));
      const auto gf1 = static_cast<float>(clockDrift);
      return static_cast<double>(gf0) + static_cast<double>(gf1) * (t - toa);
    }
  }
  return 0;
}

GpsBroadcast Satellite::GpsEphemerisAt(double t) const {
  GpsBroadcast e;
  const double block = GpsBlockStart(t);
  const double dt = block - OrbitReference();
  e.prn = number;
  e.toeAbs = block;
  e.week = static_cast<int>(std::floor(block / 604800.0));
  e.toe = block - e.week * 604800.0;
  e.sqrtA = std::sqrt(semiMajorAxis);
  const double a = e.sqrtA * e.sqrtA;
  e.eccentricity = eccentricity;
  e.m0 = Wrap(meanAnomalyAtReference + std::sqrt(kGpsMu / (a * a * a)) * dt) / kPi;
  e.omega0 = Wrap(nodeAtReference + (nodeRate - kEarthRotation) * dt + kEarthRotation * e.toe) / kPi;
  e.inclination = inclination / kPi;
  e.argumentOfPerigee = argumentOfPerigee / kPi;
  e.omegaDot = static_cast<float>(nodeRate / kPi);
  e.af0 = static_cast<float>(clockBias + clockDrift * dt);
  e.af1 = static_cast<float>(clockDrift);
  e.tgd = tgd_;
  e.iode = static_cast<int>(std::fmod(block / 7200.0, 200.0)) + 1;
  return e;
}

Vec3 GpsBroadcastPosition(const GpsBroadcast& e, double t, double* eccentricAnomaly) {
  const double a = e.sqrtA * e.sqrtA;
  const double tk = t - e.toeAbs;
  const double n = std::sqrt(kGpsMu / (a * a * a)) + static_cast<double>(e.deltaN) * kPi;
  const double m = e.m0 * kPi + n * tk;
  const double ea = SolveKepler(m, e.eccentricity);
  if (eccentricAnomaly) *eccentricAnomaly = ea;
  const double v = std::atan2(std::sqrt(1.0 - e.eccentricity * e.eccentricity) * std::sin(ea),
                              std::cos(ea) - e.eccentricity);
  const double u = v + e.argumentOfPerigee * kPi;
  const double r = a * (1.0 - e.eccentricity * std::cos(ea));
  const double inc = e.inclination * kPi + static_cast<double>(e.inclinationRate) * kPi * tk;
  const double node =
      e.omega0 * kPi + (static_cast<double>(e.omegaDot) * kPi - kEarthRotation) * tk - kEarthRotation * e.toe;
  const double xp = r * std::cos(u), yp = r * std::sin(u);
  return {xp * std::cos(node) - yp * std::cos(inc) * std::sin(node),
          xp * std::sin(node) + yp * std::cos(inc) * std::cos(node), yp * std::sin(inc)};
}

GlonassBroadcast Satellite::GlonassEphemerisAt(double t) const {
  GlonassBroadcast e;
  e.slot = number;
  e.channel = channel;
  e.tbAbs = GlonassReference(t);
  const Vec3 p = Position(e.tbAbs);
  const Vec3 p1 = Position(e.tbAbs + 1.0), p0 = Position(e.tbAbs - 1.0);
  // The broadcast acceleration cancels the J2 term that a user's integration adds,
  // so that integrating the state vector follows the simulated orbit.
  const Vec3 j2 = J2Acceleration(p);
  e.x = p.x * 1e-3;
  e.y = p.y * 1e-3;
  e.z = p.z * 1e-3;
  e.vx = static_cast<float>((p1.x - p0.x) * 0.5e-3);
  e.vy = static_cast<float>((p1.y - p0.y) * 0.5e-3);
  e.vz = static_cast<float>((p1.z - p0.z) * 0.5e-3);
  e.ax = static_cast<float>(-j2.x * 1e-3);
  e.ay = static_cast<float>(-j2.y * 1e-3);
  e.az = static_cast<float>(-j2.z * 1e-3);
  e.tauN = static_cast<float>(-(clockBias + clockDrift * (e.tbAbs - OrbitReference())));
  e.gammaN = static_cast<float>(clockDrift);
  return e;
}

GeoBroadcast Satellite::GeoEphemerisAt(double t) const {
  GeoBroadcast e;
  e.prn = number;
  e.toaAbs = GeoBlockStart(t);
  const double h = 10.0;
  const Vec3 p = Position(e.toaAbs), p1 = Position(e.toaAbs + h), p0 = Position(e.toaAbs - h);
  e.x = p.x;
  e.y = p.y;
  e.z = p.z;
  e.vx = static_cast<float>((p1.x - p0.x) / (2 * h));
  e.vy = static_cast<float>((p1.y - p0.y) / (2 * h));
  e.vz = static_cast<float>((p1.z - p0.z) / (2 * h));
  e.ax = static_cast<float>((p1.x - 2 * p.x + p0.x) / (h * h));
  e.ay = static_cast<float>((p1.y - 2 * p.y + p0.y) / (h * h));
  e.az = static_cast<float>((p1.z - 2 * p.z + p0.z) / (h * h));
  e.gf0 = static_cast<float>(clockBias + clockDrift * (e.toaAbs - OrbitReference()));
  e.gf1 = static_cast<float>(clockDrift);
  return e;
}

std::vector<Satellite> GpsConstellation() {
  Constants k(0x6750535356ull);
  std::vector<Satellite> out;
  for (int prn = 1; prn <= 32; ++prn) {
    Satellite s;
    s.system = System::Gps;
    s.number = prn;
    const int plane = (prn - 1) % 6, slot = (prn - 1) / 6;
    s.semiMajorAxis = 26559.7e3 + k.Uniform(-3e3, 3e3);
    s.eccentricity = k.Uniform(0.001, 0.015);
    s.inclination = (55.0 + k.Uniform(-1.5, 1.5)) * kDeg;
    s.argumentOfPerigee = k.Uniform(-kPi, kPi);
    s.nodeAtReference = Wrap((plane * 60.0 + 12.0) * kDeg);
    s.nodeRate = static_cast<double>(static_cast<float>(k.Uniform(-2.7e-9, -2.4e-9))) * kPi;
    s.meanAnomalyAtReference = Wrap((slot * 65.0 + plane * 11.0) * kDeg - s.argumentOfPerigee);
    s.clockBias = k.Uniform(-4e-4, 4e-4);
    s.clockDrift = k.Uniform(-8e-12, 8e-12);
    s.tgd_ = static_cast<float>(k.Uniform(-1.2e-8, 1.2e-8));
    s.interSignalBias = k.Uniform(-0.8, 0.8);
    out.push_back(s);
  }
  return out;
}

std::vector<Satellite> GlonassConstellation() {
  // Frequency channel of slots 1..24; satellites 180 degrees apart in a plane share one.
  static const int kChannels[24] = {1,  -4, 5, 6,  1, -4, 5, 6, -2, -7, 0, -1,
                                    -2, -7, 0, -1, 4, -3, 3, 2, 4,  -3, 3, 2};
  Constants k(0x474C4F4E415353ull);
  std::vector<Satellite> out;
  for (int slot = 1; slot <= 24; ++slot) {
    Satellite s;
    s.system = System::Glonass;
    s.number = slot;
    s.channel = kChannels[slot - 1];
    const int plane = (slot - 1) / 8, position = (slot - 1) % 8;
    s.semiMajorAxis = 25508.2e3 + k.Uniform(-1e3, 1e3);
    s.eccentricity = k.Uniform(0.0002, 0.002);
    s.inclination = (64.8 + k.Uniform(-0.4, 0.4)) * kDeg;
    s.argumentOfPerigee = k.Uniform(-kPi, kPi);
    s.nodeAtReference = Wrap((plane * 120.0 + 35.0) * kDeg);
    s.meanAnomalyAtReference = Wrap((position * 45.0 + plane * 15.0) * kDeg - s.argumentOfPerigee);
    s.clockBias = k.Uniform(-2e-4, 2e-4);
    s.clockDrift = k.Uniform(-3e-12, 3e-12);
    s.interSignalBias = k.Uniform(-0.8, 0.8);
    out.push_back(s);
  }
  return out;
}

std::vector<Satellite> SbasConstellation() {
  struct Geo {
    int prn;
    double longitude;
  };
  static const Geo kGeos[] = {{120, -15.5},  {121, -5.0},   {122, -54.0}, {123, 31.5},   {124, 16.0},
                              {125, -79.0},  {126, 25.0},   {127, 55.0},  {128, 83.0},   {129, 140.0},
                              {130, 95.0},   {131, -117.0}, {132, 93.5},  {133, -129.0}, {134, 80.0},
                              {135, -133.0}, {136, 5.0},    {137, 128.0}, {138, -107.3}};
  Constants k(0x53424153ull);
  std::vector<Satellite> out;
  for (const Geo& g : kGeos) {
    Satellite s;
    s.system = System::Sbas;
    s.number = g.prn;
    s.semiMajorAxis = std::cbrt(kGpsMu / (kEarthRotation * kEarthRotation));
    s.inclination = k.Uniform(0.2, 2.5) * kDeg;
    s.nodeAtReference = g.longitude * kDeg;  // Earth-fixed and inertial frames agree at the reference time
    s.clockBias = k.Uniform(-5e-8, 5e-8);
    s.clockDrift = k.Uniform(-1e-12, 1e-12);
    out.push_back(s);
  }
  return out;
}

Vec3 GeodeticToEcef(double latDeg, double lonDeg, double height) {
  const double a = 6378137.0, f = 1.0 / 298.257223563, e2 = f * (2 - f);
  const double lat = latDeg * kDeg, lon = lonDeg * kDeg;
  const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
  return {(n + height) * std::cos(lat) * std::cos(lon), (n + height) * std::cos(lat) * std::sin(lon),
          (n * (1 - e2) + height) * std::sin(lat)};
}

double Elevation(Vec3 receiver, Vec3 satellite) {
  const double a = 6378137.0, f = 1.0 / 298.257223563, e2 = f * (2 - f);
  const double p = std::hypot(receiver.x, receiver.y);
  double lat = std::atan2(receiver.z, p * (1 - e2));
  for (int i = 0; i < 4; ++i) {
    const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
    lat = std::atan2(receiver.z + e2 * n * std::sin(lat), p);
  }
  const double lon = std::atan2(receiver.y, receiver.x);
  const Vec3 up{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
  const Vec3 d = satellite - receiver;
  return std::asin(Dot(d, up) / Norm(d));
}

double SignalRange(const Satellite& s, Vec3 receiver, double t, double* transmitTime, Vec3* position,
                   double tau) {
  const int iterations = tau > 0 ? 2 : 3;
  if (tau <= 0) tau = s.system == System::Sbas ? 0.125 : 0.072;
  double range = 0;
  Vec3 p;
  for (int i = 0; i < iterations; ++i) {
    p = s.Position(t - tau);
    range = Norm(RotateZ(p, kEarthRotation * tau) - receiver);
    tau = range / kLight;
  }
  if (transmitTime) *transmitTime = t - tau;
  if (position) *position = p;
  return range;
}

}  // namespace qzrsim
