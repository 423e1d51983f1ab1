#pragma once

#include <algorithm>
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/constants.h"

namespace qzr2rin {

// Satellite id byte: bits 7-6 the system, bits 5-0 the number (GPS PRN,
// GEO PRN - 100, GLONASS slot); number 0 is an entry we do not handle.
inline constexpr std::uint8_t kSystemMask = 0xC0;
inline constexpr std::uint8_t kSystemGps = 0x00;
inline constexpr std::uint8_t kSystemGeo = 0x40;
inline constexpr std::uint8_t kSystemGlonass = 0x80;
inline constexpr std::uint8_t kNumberMask = 0x3F;
// Every value the id byte can take, for tables indexed by it.
inline constexpr std::size_t kSatelliteIdCount = 256;

constexpr std::uint8_t SystemOf(std::uint8_t satelliteId) { return satelliteId & kSystemMask; }
constexpr int NumberOf(std::uint8_t satelliteId) { return satelliteId & kNumberMask; }

// Frequency channel of a satellite that is not GLONASS.
inline constexpr std::int8_t kNoChannel = 99;

// Signals of one satellite.
inline constexpr int kSignalCaL1 = 0;
inline constexpr int kSignalPL1 = 1;
inline constexpr int kSignalPL2 = 2;
inline constexpr int kSignalCount = 3;

// Bits of SignalSlot::signalFlags.
inline constexpr std::uint16_t kFlagLossOfLock = 0x0001;
inline constexpr std::uint16_t kFlagAntiSpoofing = 0x0004;
inline constexpr std::uint16_t kFlagL2Set = 0x0008;
inline constexpr std::uint16_t kFlagCaSet = 0x0010;
inline constexpr std::uint16_t kFlagCn0InStatus2 = 0x0040;
inline constexpr std::uint16_t kFlagAnotherSetFollows = 0x0080;
inline constexpr std::uint16_t kFlagPseudorange = 0x0100;
inline constexpr std::uint16_t kFlagCarrierPhase = 0x0200;
inline constexpr std::uint16_t kFlagDoppler = 0x0400;
inline constexpr std::uint16_t kFlagSmoothing = 0x0800;
// The Doppler of an L1 P set is the L1 C/A one, copied: not measured on P.
inline constexpr std::uint16_t kFlagDopplerCopied = 0x1000;
inline constexpr std::uint16_t kFlagCn0QuarterUnits = 0x4000;

// One observation set.
struct SignalSlot {
  std::uint16_t signalFlags = 0;
  std::uint8_t status1 = 0;
  std::uint8_t status2 = 0;       // C/N0 when kFlagCn0InStatus2 is set
  double pseudorange = 0;         // seconds while in progress, metres once stored
  double carrierPhase = 0;        // cycles
  float doppler = 0;              // Hz
  float smoothingCorrection = 0;  // metres
};

// The three sets of one satellite: L1 C/A, L1 P, L2 P.
struct SatelliteSlot {
  std::array<SignalSlot, kSignalCount> signals{};
};

// One entry of the satellite list.
struct SatelliteEntry {
  std::uint8_t satelliteId = 0;
  std::uint8_t unused = 0;
  std::int8_t elevation = 0;         // degrees, from [EL]
  std::int8_t frequencyChannel = 0;  // GLONASS channel; kNoChannel for the others
};

// Carrier frequency in Hz of a list entry's signal: signal 2 is on L2,
// signals 0 and 1 on L1; GLONASS adds its frequency channel.
constexpr std::int64_t CarrierFrequency(const SatelliteEntry& entry, int signal) {
  const bool l2 = signal == kSignalPL2;
  if (SystemOf(entry.satelliteId) == kSystemGlonass) {
    const std::int64_t k = entry.frequencyChannel;
    return l2 ? kGlonassL2BaseHz + k * kGlonassL2StepHz : kGlonassL1BaseHz + k * kGlonassL1StepHz;
  }
  return l2 ? kGpsL2Hz : kGpsL1Hz;
}

// Receivers track more satellites than old firmware listed, and a list
// names every tracked signal source, so a list holds as many entries as one
// message body can carry.
inline constexpr std::size_t kMaxListEntries = 4095;

// An epoch being filled by messages until a time message closes it.
// Storage is allocated once; `count` entries are in use, and slots up to
// `dirtySlots` may hold data and are cleared when the epoch closes.
struct EpochInProgress {
  EpochInProgress() : satellites(kMaxListEntries), slots(kMaxListEntries) {}

  void ClearSlots() {
    for (std::size_t i = 0; i < dirtySlots; ++i) slots[i] = SatelliteSlot{};
    dirtySlots = 0;
    messagesSeen.reset();
  }
  // Notes a message of this identifier as part of the epoch; true when one
  // was part of it already.
  bool SeenBefore(char id0, char id1) {
    const std::size_t key = MessageKey(id0, id1);
    if (messagesSeen.test(key)) return true;
    messagesSeen.set(key);
    return false;
  }
  // Marks slots [0, n) as possibly written.
  void Touch(std::size_t n) { dirtySlots = std::max(dirtySlots, std::min(n, slots.size())); }
  // Entries of the list in use, never more than the storage holds.
  std::size_t Listed() const {
    if (count <= 0) return 0;
    return std::min({static_cast<std::size_t>(count), satellites.size(), slots.size()});
  }

  int count = 0;
  std::vector<SatelliteEntry> satellites;
  std::vector<SatelliteSlot> slots;
  std::size_t dirtySlots = 0;

 private:
  // Identifier bytes run from '0' to '~'.
  static constexpr unsigned kFirstIdentifierByte = 0x30;
  static constexpr std::size_t kIdentifierBytes = 0x7F - kFirstIdentifierByte;
  static std::size_t MessageKey(char id0, char id1) {
    const auto byte = [](char c) {
      return std::min<std::size_t>(static_cast<unsigned char>(c) - kFirstIdentifierByte,
                                   kIdentifierBytes - 1);
    };
    return byte(id0) * kIdentifierBytes + byte(id1);
  }
  std::bitset<kIdentifierBytes * kIdentifierBytes> messagesSeen;
};

// Bits of EpochExtras::extrasFlags.
inline constexpr std::uint16_t kExtrasVelocity = 0x01;
inline constexpr std::uint16_t kExtrasClockDrift = 0x02;
inline constexpr std::uint16_t kExtrasClockOffset = 0x20;

// Per-epoch values outside the satellite slots.
struct EpochExtras {
  std::uint16_t extrasFlags = 0;
  std::array<double, 3> position{};  // X, Y, Z as received
  double clockOffset = 0;
  float pdop = 0;
  std::array<float, 3> velocity{};
  float clockDrift = 0;
};

// Short carrier-phase unwrapping, per system, signal and satellite; it
// outlives epochs and is reset when a satellite newly appears in the list
// after a long absence.
struct PhaseTrack {
  std::uint32_t lastRawPhase = 0;
  std::int32_t phaseWraps = 0;
  // The satellite came back after a short absence: the unwrapping goes on,
  // and the next phase carries the loss-of-lock bit.
  bool resumed = false;
};

struct PhaseUnwrapping {
  std::array<std::array<PhaseTrack, kGpsSatellites>, kSignalCount> gps{};
  // By slot; slot 0 holds the entries still without a slot number.
  std::array<std::array<PhaseTrack, kGlonassSatellites + 1>, kSignalCount> glonass{};
  std::array<std::array<PhaseTrack, kGeoSatellites>, kSignalCount> geo{};
};

// The unwrapping state of a satellite's signal (GPS, GLONASS, and GEO for
// every other system), or null for a number outside the tables.
inline PhaseTrack* FindPhaseTrack(PhaseUnwrapping& phase, std::uint8_t satelliteId, int signal) {
  if (signal < 0 || signal >= kSignalCount) return nullptr;
  const auto s = static_cast<std::size_t>(signal);
  const int n = NumberOf(satelliteId);
  switch (SystemOf(satelliteId)) {
    case kSystemGps:
      if (n < 1 || n > static_cast<int>(kGpsSatellites)) return nullptr;
      return &phase.gps[s][static_cast<std::size_t>(n - 1)];
    case kSystemGlonass:
      if (n > static_cast<int>(kGlonassSatellites)) return nullptr;
      return &phase.glonass[s][static_cast<std::size_t>(n)];
    default: {
      const int i = n + kGeoNumberOffset - kFirstGeoPrn;
      if (i < 0 || i >= static_cast<int>(kGeoSatellites)) return nullptr;
      return &phase.geo[s][static_cast<std::size_t>(i)];
    }
  }
}

// Forgets the unwrapping of all three signals of a satellite.
inline void ResetPhase(PhaseUnwrapping& phase, std::uint8_t satelliteId) {
  for (int signal = 0; signal < kSignalCount; ++signal) {
    if (PhaseTrack* track = FindPhaseTrack(phase, satelliteId, signal)) *track = PhaseTrack{};
  }
}

// How long a satellite may be missing from the lists and keep its phase
// unwrapping: a list glitch or a short loss of tracking, not a set and a
// rise. In that time the short phase moves by less than a quarter of its
// range (2^20 cycles) up to 8 kHz of Doppler, so the unwrapping stays right.
inline constexpr std::int64_t kShortAbsenceMs = 120000;
inline constexpr std::int64_t kNeverListed = std::numeric_limits<std::int64_t>::min();

// Whether a satellite was in the previous list, and when it was last listed.
struct Presence {
  bool listed = false;
  std::int64_t lastListedMs = kNeverListed;
};

// A satellite in the list being read: one that was not in the previous list
// resumes its unwrapping after a short absence and starts afresh otherwise.
inline void MarkListed(Presence& p, PhaseUnwrapping& phase, std::uint8_t satelliteId, std::int64_t nowMs) {
  if (!p.listed) {
    const bool shortAbsence = p.lastListedMs != kNeverListed && nowMs >= p.lastListedMs &&
                              nowMs - p.lastListedMs <= kShortAbsenceMs;
    if (shortAbsence) {
      for (int signal = 0; signal < kSignalCount; ++signal) {
        if (PhaseTrack* track = FindPhaseTrack(phase, satelliteId, signal)) track->resumed = true;
      }
    } else {
      ResetPhase(phase, satelliteId);
    }
  }
  p.listed = true;
  p.lastListedMs = nowMs;
}

// The satellites of the previous lists, to notice a satellite's return.
struct PresenceMarks {
  std::array<Presence, kGpsSatellites + 1> gps{};          // by PRN
  std::array<Presence, kGlonassSatellites + 1> glonass{};  // by slot
  std::array<Presence, kGeoSatellites> geo{};              // by PRN - 120
};

}  // namespace qzr2rin
