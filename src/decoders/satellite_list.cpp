#include "decoders/satellite_list.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "base/constants.h"
#include "base/time_units.h"
#include "decoders/epoch_completion.h"
#include "decoders/observables.h"
#include "decoders/qzr_file.h"
#include "decoders/receiver_time.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kChecksumLength = 1;

// Satellite index byte ranges: GPS and GEO bytes are PRNs; GLONASS bytes
// name a frequency channel, not a slot, which the list leaves open.
constexpr std::uint8_t kFirstGpsIndex = 1;
constexpr std::uint8_t kLastGpsIndex = kGpsSatellites;
constexpr std::uint8_t kFirstGlonassChannelIndex = 38;
constexpr std::uint8_t kLastGlonassChannelIndex = 70;
constexpr int kGlonassChannelOffset = 45;  // channel = index - 45, -7..25
constexpr std::uint8_t kFirstGeoIndex = kFirstGeoPrn;
constexpr std::uint8_t kLastGeoIndex = kLastGeoPrn;

// GLONASS slot numbers; the receivers number replacement satellites beyond
// the 24 of the full constellation.
constexpr int kFirstGlonassSlot = 1;
constexpr int kLastGlonassSlot = static_cast<int>(kGlonassSatellites);
constexpr int kUnknownGlonassSlot = 0;

constexpr std::uint8_t kNoStatus = 255;

bool IsGlonass(const SatelliteEntry& entry) { return SystemOf(entry.satelliteId) == kSystemGlonass; }

}  // namespace

SatelliteEntry MapSatelliteIndex(std::uint8_t index, std::int8_t unknownChannel) {
  SatelliteEntry entry;
  if (index >= kFirstGpsIndex && index <= kLastGpsIndex) {
    entry.satelliteId = index;
    entry.frequencyChannel = kNoChannel;
  } else if (index >= kFirstGlonassChannelIndex && index <= kLastGlonassChannelIndex) {
    entry.satelliteId = kSystemGlonass;
    entry.frequencyChannel = static_cast<std::int8_t>(index - kGlonassChannelOffset);
  } else if (index >= kFirstGeoIndex && index <= kLastGeoIndex) {
    entry.satelliteId = static_cast<std::uint8_t>((index - kGeoNumberOffset) | kSystemGeo);
    entry.frequencyChannel = kNoChannel;
  } else {
    entry.frequencyChannel = unknownChannel;
  }
  return entry;
}

void DumpSatelliteIndex(DumpLog& dump, std::uint8_t index) {
  if (!dump.Enabled()) return;
  if (index >= kFirstGpsIndex && index <= kLastGpsIndex) {
    dump.Printf("%u ", static_cast<unsigned>(index));
  } else if (index >= kFirstGlonassChannelIndex && index <= kLastGlonassChannelIndex) {
    // The channel shows as an unsigned byte: -7 is 249.
    dump.Printf("R%u ", static_cast<unsigned>(static_cast<std::uint8_t>(index - kGlonassChannelOffset)));
  } else if (index >= kFirstGeoIndex && index <= kLastGeoIndex) {
    dump.Printf("S%d ", index - kGeoNumberOffset);
  } else {
    dump.Printf("%u-USI unknown ", static_cast<unsigned>(index));
  }
}

namespace {

// The time of the epoch the lists belong to, for the presence marks.
std::int64_t ListTimeMs(const ReceiverClock& clock) {
  return std::int64_t{clock.epochDay} * kMsPerDay + std::int64_t{clock.epochMsOfDay};
}

}  // namespace

Status OnSatelliteIndex(TQZRFile& f, Body body) {
  if (body.empty()) return IgnoreShortBody(f.Messages(), kChecksumLength, 0);
  if (!f.MessageAccepted()) return Status::BadChecksum;

  // The stream broke, or a second list came within one epoch, where the
  // time message that ends the epoch in progress should have been: its
  // values belong to the last good time, and must not be read against the
  // new list.
  RepeatedInEpoch(f.Assembly().epoch, f.Scanner(), f.Messages());
  if (f.Scanner().timeLost) {
    const Status closed = CloseEpoch(f, EpochSource::Observables);
    if (closed != Status::Ok) return closed;
  }

  EpochInProgress& e = f.Assembly().epoch;
  const std::size_t count = std::min(body.size() - kChecksumLength, e.satellites.size());
  const std::int64_t now = ListTimeMs(f.Clock());
  std::array<bool, kGpsSatellites + 1> gps{};
  std::array<bool, kGeoSatellites> geo{};
  bool anyGlonass = false;
  for (std::size_t i = 0; i < count; ++i) {
    const SatelliteEntry entry = MapSatelliteIndex(body[i], kListUnknownChannel);
    DumpSatelliteIndex(f.Log(), body[i]);
    e.satellites[i] = entry;
    if (entry.satelliteId == 0) continue;
    const auto n = static_cast<std::size_t>(NumberOf(entry.satelliteId));
    switch (SystemOf(entry.satelliteId)) {
      case kSystemGps: gps[n] = true; break;
      case kSystemGeo: geo[n + kGeoNumberOffset - kFirstGeoPrn] = true; break;
      default: anyGlonass = true; break;
    }
  }
  e.count = static_cast<int>(count);

  for (std::size_t prn = 1; prn < gps.size(); ++prn) {
    Presence& p = f.Assembly().presence.gps[prn];
    if (gps[prn]) {
      MarkListed(p, f.Assembly().phase, static_cast<std::uint8_t>(prn), now);
    } else {
      p.listed = false;
    }
  }
  for (std::size_t i = 0; i < geo.size(); ++i) {
    Presence& p = f.Assembly().presence.geo[i];
    if (geo[i]) {
      MarkListed(p, f.Assembly().phase,
                 static_cast<std::uint8_t>((i + kFirstGeoPrn - kGeoNumberOffset) | kSystemGeo), now);
    } else {
      p.listed = false;
    }
  }
  // GLONASS marks follow the [NN] of the list; a list without GLONASS has
  // none, so a slot that comes back later is new again.
  if (!anyGlonass) {
    for (Presence& p : f.Assembly().presence.glonass) p.listed = false;
  }

  f.Scanner().satelliteListLost = false;
  if (!anyGlonass) f.Scanner().glonassNumbersLost = false;

  if (f.Log().Enabled()) f.Log().Printf("\n   Satellites = %d", e.count);
  f.Log().EndLine();

  if (count > 0 && f.Clock().datePending) {
    f.Log().Write("Day generated by lay RD");
    f.Log().EndLine();
    f.Clock().timeContinuity = false;
    f.Clock().datePending = false;
    return ApplyFirstDate(f.Clock(), f.Window(), f.ErrorDetail(), f.Clock().pendingDay);
  }
  return Status::Ok;
}

Status OnGlonassNumbers(TQZRFile& f, Body body) {
  EpochInProgress& e = f.Assembly().epoch;
  const std::size_t n = e.Listed();
  std::size_t glonass = 0;
  for (std::size_t i = 0; i < n; ++i) glonass += IsGlonass(e.satellites[i]) ? 1 : 0;

  if (body.empty()) return IgnoreShortBody(f.Messages(), glonass + kChecksumLength, 0);
  if (!f.MessageAccepted()) return Status::BadChecksum;
  if (f.Scanner().timeLost || f.Scanner().satelliteListLost) return Status::Ok;
  const auto outOfSync = [&f] {
    f.Log().Write("    Raising OUT OF SYNC flag");
    f.Log().EndLine();
    return Status::BadChecksum;
  };
  if (body.size() != glonass + kChecksumLength) {
    f.Log().Printf("    Error Len! Expected:%zu arrived: %zu", glonass, body.size() - kChecksumLength);
    f.Log().EndLine();
    return outOfSync();
  }

  const BodyReader r(body);
  // 0 is a satellite whose slot the receiver does not know yet; any other
  // number outside the slots cannot come from a sound list, and numbering
  // the rest of it would put values under the wrong satellites.
  for (std::size_t k = 0; k < glonass; ++k) {
    const int slot = r.I8(k);
    if (slot != kUnknownGlonassSlot && (slot < kFirstGlonassSlot || slot > kLastGlonassSlot)) {
      if (f.Log().Enabled()) f.Log().Printf("    Error: slot number %d", slot);
      f.Log().EndLine();
      return outOfSync();
    }
  }

  const std::int64_t now = ListTimeMs(f.Clock());
  std::array<bool, kGlonassSatellites + 1> listed{};
  std::size_t next = 0;
  for (std::size_t i = 0; i < n; ++i) {
    SatelliteEntry& entry = e.satellites[i];
    if (!IsGlonass(entry)) continue;
    const int slot = r.I8(next++);
    // Set, not added: a repeated [NN] for the same list must not shift the ids.
    if (slot >= kFirstGlonassSlot && slot <= kLastGlonassSlot) {
      entry.satelliteId = static_cast<std::uint8_t>(kSystemGlonass | slot);
      listed[static_cast<std::size_t>(slot)] = true;
      f.Log().Printf("R%d=%d ", entry.frequencyChannel, slot);
    } else {
      entry.satelliteId = kSystemGlonass;
      f.Log().Printf("R%d=%dError: No number ", entry.frequencyChannel, slot);
    }
  }
  for (std::size_t slot = kFirstGlonassSlot; slot < listed.size(); ++slot) {
    Presence& p = f.Assembly().presence.glonass[slot];
    if (listed[slot]) {
      MarkListed(p, f.Assembly().phase, static_cast<std::uint8_t>(kSystemGlonass | slot), now);
    } else {
      p.listed = false;
    }
  }
  f.Log().EndLine();
  f.Scanner().glonassNumbersLost = false;
  return Status::Ok;
}

Status OnSatelliteStatus(TQZRFile& f, Body body) {
  const EpochInProgress& e = f.Assembly().epoch;
  const std::size_t n = e.Listed();
  // One status byte per satellite, the solution type, the checksum.
  const std::size_t expected = n + 1 + kChecksumLength;
  if (body.empty()) return IgnoreShortBody(f.Messages(), expected, 0);
  if (!f.MessageAccepted()) return Status::BadChecksum;
  if (SkipWhenLost(f.Scanner(), f.Log())) return Status::Ok;
  if (body.size() != expected) return IgnoreShortBody(f.Messages(), expected, body.size());
  if (!f.Log().Enabled()) return Status::Ok;

  for (std::size_t i = 0; i < n; ++i) {
    if (e.satellites[i].satelliteId == 0) {
      f.Log().Write("Ignore ");
    } else if (body[i] == kNoStatus) {
      f.Log().Write("NaN ");
    } else {
      f.Log().Printf("%u ", static_cast<unsigned>(body[i]));
    }
  }
  f.Log().Write("\nSolution Type : ");
  const std::uint8_t solution = body[n];
  if (solution == kNoStatus) {
    f.Log().Write("NaN");
    f.Log().EndLine();
    f.Log().Write(" ");
  } else {
    f.Log().Printf("%u", static_cast<unsigned>(solution));
    f.Log().EndLine();
  }
  return Status::Ok;
}

}  // namespace qzr2rin
