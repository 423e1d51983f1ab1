#pragma once

// Satellite orbits and clocks of the simulated constellations, and the
// broadcast parameter sets that describe them. All times are GPS seconds
// since 1980-01-06 00:00:00 (no leap seconds); positions are Earth-fixed.

#include <cstdint>
#include <vector>

namespace qzrsim {

constexpr double kLight = 299792458.0;
constexpr double kEarthRotation = 7.2921151467e-5;  // rad/s
constexpr double kPi = 3.141592653589793;
constexpr double kGpsMu = 3.986005e14;
constexpr double kGlonassMu = 3.9860044e14;
constexpr double kGlonassJ2 = 1.0826257e-3;
constexpr double kGlonassRadius = 6378136.0;
constexpr int kLeapSeconds = 18;  // GPS - UTC in the simulated years

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Norm(Vec3 v);
double Dot(Vec3 a, Vec3 b);

// Calendar helpers (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day);  // days since 1970-01-01
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
std::int64_t GpsDayOf(int year, int month, int day);  // days since 1980-01-06

enum class System { Gps, Glonass, Sbas };

// GPS broadcast ephemeris in the message's units (angles in semicircles).
struct GpsBroadcast {
  int prn = 0;
  int week = 0;
  double toe = 0;  // seconds of week; toc is the same
  double toeAbs = 0;
  float af0 = 0, af1 = 0, af2 = 0, tgd = 0;
  double sqrtA = 0, eccentricity = 0, m0 = 0, omega0 = 0, inclination = 0, argumentOfPerigee = 0;
  float deltaN = 0, omegaDot = 0, inclinationRate = 0;
  int iode = 0;
};

// GLONASS broadcast state vector at its reference time (km, km/s, km/s^2).
struct GlonassBroadcast {
  int slot = 0;
  int channel = 0;
  double tbAbs = 0;  // GPS seconds of the reference time
  double x = 0, y = 0, z = 0;
  float vx = 0, vy = 0, vz = 0, ax = 0, ay = 0, az = 0;
  float tauN = 0, gammaN = 0;
};

// GEO broadcast state vector at its reference time (m, m/s, m/s^2).
struct GeoBroadcast {
  int prn = 0;
  double toaAbs = 0;
  double x = 0, y = 0, z = 0;
  float vx = 0, vy = 0, vz = 0, ax = 0, ay = 0, az = 0;
  float gf0 = 0, gf1 = 0;
};

class Satellite {
 public:
  System system = System::Gps;
  int number = 0;              // GPS PRN, GLONASS slot, GEO PRN (120..138)
  int channel = 0;             // GLONASS frequency channel
  double interSignalBias = 0;  // P1 - C/A code bias, metres

  // Earth-fixed position at true GPS time t.
  Vec3 Position(double t) const;
  // Satellite clock minus GPS time at t, as the broadcast terms give it (GPS
  // includes the relativistic term); seconds. Group delay not included.
  double ClockOffset(double t) const;
  double GroupDelay() const { return tgd_; }

  // The broadcast set valid for the block that holds t.
  GpsBroadcast GpsEphemerisAt(double t) const;
  GlonassBroadcast GlonassEphemerisAt(double t) const;
  GeoBroadcast GeoEphemerisAt(double t) const;

  static double GpsBlockStart(double t);     // 2 h blocks
  static double GlonassReference(double t);  // reference time of the 30 min block holding t
  static double GeoBlockStart(double t);     // 120 s blocks

  // Orbit and clock definition, fixed at construction by the constellation builders.
  double semiMajorAxis = 0, eccentricity = 0, inclination = 0, argumentOfPerigee = 0;
  double nodeAtReference = 0;  // GPS: Earth-fixed node longitude; others: inertial node
  double nodeRate = 0;         // rad/s (GPS: f32-exact semicircles * pi)
  double meanAnomalyAtReference = 0;
  double clockBias = 0, clockDrift = 0;  // at the reference time
  float tgd_ = 0;

 private:
  Vec3 KeplerInertial(double t, double mu) const;
};

// Reference time of all orbit definitions: 2026-01-04 00:00:00 GPS.
double OrbitReference();

std::vector<Satellite> GpsConstellation();
std::vector<Satellite> GlonassConstellation();
std::vector<Satellite> SbasConstellation();

// Broadcast orbit evaluated the way a user of the navigation file does.
Vec3 GpsBroadcastPosition(const GpsBroadcast& e, double t, double* eccentricAnomaly = nullptr);

Vec3 GeodeticToEcef(double latDeg, double lonDeg, double height);
double Elevation(Vec3 receiver, Vec3 satellite);  // radians

// Geometric range with light time and Earth rotation for reception at true time t.
// A known light time (tau) from a nearby epoch saves one iteration.
double SignalRange(const Satellite& s, Vec3 receiver, double t, double* transmitTime = nullptr,
                   Vec3* position = nullptr, double tau = 0);

}  // namespace qzrsim
