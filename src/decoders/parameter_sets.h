#pragma once

#include <cstdint>

namespace qzr2rin {

// Latest valid parameter sets; each starts absent and, once present, is
// replaced only by a later valid message.
struct IonoParameters {
  bool present = false;
  std::uint32_t tot = 0;  // seconds of week
  std::uint16_t wn = 0;   // GPS week as received
  float alpha[4] = {};
  float beta[4] = {};
};

// The relation of GPS (or GEO network) time to UTC that the GPS and the GEO
// sets share.
struct UtcRelation {
  double a0 = 0;  // s
  float a1 = 0;   // s/s
  std::int32_t tot = 0;
  std::uint16_t wnt = 0;
  std::int8_t dtls = 0;  // current leap seconds
  std::uint8_t dn = 0;
  std::uint16_t wnlsf = 0;
  std::int8_t dtlsf = 0;
};

struct GpsUtcParameters {
  bool present = false;
  UtcRelation utc;
};

struct GeoUtcParameters {
  bool present = false;
  UtcRelation utc;
  std::int8_t utcsi = 0;
  std::int32_t tow = 0;
  std::uint16_t wn = 0;
};

}  // namespace qzr2rin
