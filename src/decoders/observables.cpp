#include "decoders/observables.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "base/constants.h"
#include "decoders/epoch_completion.h"
#include "decoders/epoch_data.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kChecksumLength = 1;

// Pseudorange limits in seconds, both inclusive: GEO satellites are farther.
constexpr double kRangeMin = 0.05;
constexpr double kRangeMax = 0.1;
constexpr double kGeoRangeMin = 0.1;
constexpr double kGeoRangeMax = 0.2;
// Carrier-phase limits in cycles, both inclusive.
constexpr double kPhaseMin = -1e15;
constexpr double kPhaseMax = 1e15;
// Doppler limits on the raw value (1e-4 Hz), both inclusive.
constexpr std::int32_t kDopplerLimit = 200000000;
constexpr std::int32_t kGeoDopplerLimit = 100000000;

// The short pseudorange counts 1e-11 s from 0.075 s.
constexpr double kShortRangeUnit = 1e-11;
constexpr double kShortRangeOrigin = 0.075;
constexpr double kShortRangeCounts = 1e11;  // units per second
// The short relative pseudorange counts 1e-11 s from 2e-7 s past the C/A one.
constexpr double kShortRelativeRangeOrigin = 2e-7;
constexpr double kShortPhaseUnit = 1.0 / 1024;       // cycles
constexpr double kShortRelativePhaseUnit = 0x1p-40;  // seconds
constexpr double kPhaseWrap = 4294967296.0;          // 2^32 raw units
constexpr double kDopplerUnit = 1e-4;                // Hz

// No-data markers.
constexpr std::int32_t kNoData32 = 0x7FFFFFFF;
constexpr std::uint32_t kNoDataU32 = 0xFFFFFFFF;
constexpr std::int16_t kNoData16 = 0x7FFF;
constexpr std::uint16_t kNoDataU16 = 0xFFFF;
constexpr std::uint8_t kNoCn0 = 255;
constexpr std::uint8_t kNoCn0Low = 1;
constexpr std::int8_t kNoElevation = 127;
constexpr std::uint8_t kNoAzimuth = 255;

// Short phase quarters: a step from the top quarter to the bottom one is a
// wrap upwards, the reverse a wrap downwards.
constexpr std::uint32_t kPhaseBottomQuarterEnd = 0x3FFFFFFF;
constexpr std::uint32_t kPhaseSecondQuarter = 0x40000000;
constexpr std::uint32_t kPhaseTopQuarter = 0xC0000000;

// Element sizes.
constexpr std::size_t kFullPseudorangeSize = 8;
constexpr std::size_t kRelativePseudorangeSize = 4;
constexpr std::size_t kShortPseudorangeSize = 4;
constexpr std::size_t kShortRelativePseudorangeSize = 2;
constexpr std::size_t kFullCarrierPhaseSize = 8;
constexpr std::size_t kShortCarrierPhaseSize = 4;
constexpr std::size_t kRelativeCarrierPhaseSize = 4;
constexpr std::size_t kShortRelativeCarrierPhaseSize = 4;
constexpr std::size_t kDopplerSize = 4;
constexpr std::size_t kSmoothingSize = 6;  // f32, then two bytes not used
constexpr std::size_t kShortSmoothingSize = 2;
constexpr std::size_t kSignalToNoiseSize = 1;
constexpr std::size_t kTimeCorrectionSize = 2;
constexpr std::size_t kElevationSize = 1;
constexpr std::size_t kAzimuthSize = 1;

// Whole-epoch layouts.
constexpr std::size_t kPositionLength = 3 * 8 + kChecksumLength;
constexpr std::size_t kVelocityLength = 3 * 4 + kChecksumLength;
constexpr std::size_t kPvPositionOffset = 0;
constexpr std::size_t kPvVelocityOffset = 28;  // after a 4-byte field not used
constexpr std::size_t kPositionVelocityLength = kPvVelocityOffset + 3 * 4 + kChecksumLength;
constexpr std::size_t kDopLength = 3 * 4 + 1 + kChecksumLength;
constexpr std::size_t kDopByteOffset = 12;

constexpr std::string_view kRepeatedInEpochText = "Repeated in one epoch: time lost";

constexpr std::string_view kNoCaCode = "(No PR CA Code)  ";
// [1R] and [2R] write it without the spaces.
constexpr std::string_view kNoCaCodeRelativeRange = "(No PR CA Code)";

// What a message may decode: `count` elements, or nothing and `status`.
struct Frame {
  bool decode = false;
  Status status = Status::Ok;
  std::size_t count = 0;
};

// The checks every per-satellite message passes before its elements are read.
Frame OpenPerSatellite(TQZRFile& f, Body body, std::size_t elementSize) {
  const std::size_t n = f.Assembly().epoch.Listed();
  if (body.empty()) {
    f.RefuseShortBody(n, 0);
    return {};
  }
  if (!f.MessageAccepted()) return {false, Status::BadChecksum, 0};
  if (SkipWhenLost(f)) return {};
  if (body.size() != n * elementSize + kChecksumLength) {
    f.RefuseShortBody(n, (body.size() - kChecksumLength) / elementSize);
    return {};
  }
  if (RepeatedInEpoch(f)) return {false, CloseEpoch(f, EpochSource::Observables), 0};
  return {true, Status::Ok, n};
}

// The checks of a whole-epoch message of fixed layout.
Frame OpenFixed(TQZRFile& f, Body body, std::size_t length) {
  if (body.empty()) return {false, IgnoreShortBody(f, length, 0), 0};
  if (!f.MessageAccepted()) return {false, Status::BadChecksum, 0};
  if (SkipWhenLost(f)) return {};
  if (body.size() < length) return {false, IgnoreShortBody(f, length, body.size()), 0};
  return {true, Status::Ok, 0};
}

// Hands every handled list entry's element to `decode(entry, slot, reader,
// offset)`, in list order, on one dump line.
template <typename Decode>
Status ForEachElement(TQZRFile& f, Body body, std::size_t elementSize, Decode&& decode) {
  const Frame frame = OpenPerSatellite(f, body, elementSize);
  if (!frame.decode) return frame.status;
  f.Assembly().epoch.Touch(frame.count);
  const BodyReader reader(body);
  for (std::size_t i = 0; i < frame.count; ++i) {
    SatelliteEntry& entry = f.Assembly().epoch.satellites[i];
    if (entry.satelliteId == 0) {
      f.Log().Write("Ignore ");
      continue;
    }
    decode(entry, f.Assembly().epoch.slots[i], reader, i * elementSize);
  }
  f.Log().EndLine();
  return Status::Ok;
}

bool ValidSignal(int signal) { return signal >= 0 && signal < kSignalCount; }

// The mark of the C/A and L2 sets; the L1 P set has none.
std::uint16_t SetMark(int signal) {
  if (signal == kSignalCaL1) return kFlagCaSet;
  if (signal == kSignalPL2) return kFlagL2Set;
  return 0;
}

bool IsGeo(const SatelliteEntry& entry) { return SystemOf(entry.satelliteId) == kSystemGeo; }

// A value outside [min, max] is dropped with its dump text; NaN counts as
// above the maximum.
bool WithinLimits(DumpLog& dump, double value, double min, double max) {
  if (!(value <= max)) {
    if (dump.Enabled()) dump.Printf("%g>MAX( %g )   ", value, max);
    return false;
  }
  if (value < min) {
    if (dump.Enabled()) dump.Printf("%g<MIN( %g )   ", value, min);
    return false;
  }
  return true;
}

void StorePseudorange(DumpLog& dump, const SatelliteEntry& entry, SignalSlot& set, int signal,
                      double seconds) {
  const bool geo = IsGeo(entry);
  if (!WithinLimits(dump, seconds, geo ? kGeoRangeMin : kRangeMin, geo ? kGeoRangeMax : kRangeMax)) return;
  set.pseudorange = seconds;
  set.signalFlags |= static_cast<std::uint16_t>(kFlagPseudorange | SetMark(signal));
}

void StoreCarrierPhase(DumpLog& dump, SignalSlot& set, int signal, double cycles) {
  if (!WithinLimits(dump, cycles, kPhaseMin, kPhaseMax)) return;
  set.carrierPhase = cycles;
  set.signalFlags |= static_cast<std::uint16_t>(kFlagCarrierPhase | SetMark(signal));
}

SignalSlot& SetOf(SatelliteSlot& slot, int signal) { return slot.signals[static_cast<std::size_t>(signal)]; }

bool HasCaPseudorange(const SatelliteSlot& slot) {
  return (slot.signals[kSignalCaL1].signalFlags & kFlagPseudorange) != 0;
}

// Unwraps one short carrier phase against the satellite's previous value;
// the counter saturates rather than overflow on hostile input.
double UnwrapShortPhase(PhaseTrack& track, std::uint32_t raw) {
  if (raw <= kPhaseBottomQuarterEnd && track.lastRawPhase > kPhaseTopQuarter &&
      track.phaseWraps < std::numeric_limits<std::int32_t>::max()) {
    ++track.phaseWraps;
  }
  if (raw > kPhaseTopQuarter && track.lastRawPhase != 0 && track.lastRawPhase < kPhaseSecondQuarter &&
      track.phaseWraps > std::numeric_limits<std::int32_t>::min()) {
    --track.phaseWraps;
  }
  track.lastRawPhase = raw;
  return (static_cast<double>(track.phaseWraps) * kPhaseWrap + raw) * kShortPhaseUnit;
}

void DumpNoData(DumpLog& dump) { dump.Write("NaN "); }

}  // namespace

Status IgnoreShortBody(TQZRFile& f, std::size_t expected, std::size_t arrived) {
  return f.RefuseShortBody(expected, arrived);
}

bool SkipWhenLost(TQZRFile& f) {
  const MessageScanner& s = f.Scanner();
  if (!s.timeLost && !s.satelliteListLost && !s.glonassNumbersLost) return false;
  f.Log().Write("Lost time, skipping");
  f.Log().EndLine();
  return true;
}

bool RepeatedInEpoch(TQZRFile& f) {
  // The byte 0x30 and below never start a message; an id the scanner did not
  // check (a test feeding bodies directly) counts as its first.
  if (!f.Assembly().epoch.SeenBefore(f.Scanner().Id0(), f.Scanner().Id1())) return false;
  f.Scanner().timeLost = true;
  f.DumpMessageLine(kRepeatedInEpochText);
  return true;
}

Status OnFullPseudorange(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kFullPseudorangeSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const double seconds = r.F64(at);
        if (std::isnan(seconds)) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%g ", seconds);
        StorePseudorange(f.Log(), entry, SetOf(slot, signal), signal, seconds);
      });
}

Status OnRelativePseudorange(TQZRFile& f, Body body, int variant) {
  const int signal = variant;
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kRelativePseudorangeSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const float offset = r.F32(at);
        if (std::isnan(offset)) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%g ", static_cast<double>(offset));
        if (!HasCaPseudorange(slot)) return f.Log().Write(kNoCaCodeRelativeRange);
        const double seconds = slot.signals[kSignalCaL1].pseudorange + static_cast<double>(offset);
        StorePseudorange(f.Log(), entry, SetOf(slot, signal), signal, seconds);
      });
}

Status OnShortPseudorange(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortPseudorangeSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::int32_t raw = r.I32(at);
        if (raw == kNoData32) return DumpNoData(f.Log());
        const double seconds = raw * kShortRangeUnit + kShortRangeOrigin;
        if (f.Log().Enabled()) f.Log().Printf("%d (%g) ", raw, seconds);
        StorePseudorange(f.Log(), entry, SetOf(slot, signal), signal, seconds);
      });
}

Status OnShortRelativePseudorange(TQZRFile& f, Body body, int variant) {
  const int signal = variant;
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortRelativePseudorangeSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::int16_t raw = r.I16(at);
        if (raw == kNoData16) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%d ", raw);
        if (!HasCaPseudorange(slot)) return f.Log().Write(kNoCaCode);
        const double seconds =
            raw * kShortRangeUnit + kShortRelativeRangeOrigin + slot.signals[kSignalCaL1].pseudorange;
        StorePseudorange(f.Log(), entry, SetOf(slot, signal), signal, seconds);
      });
}

Status OnFullCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kFullCarrierPhaseSize,
                        [&](const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
                          const double cycles = r.F64(at);
                          if (std::isnan(cycles)) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%g ", cycles);
                          StoreCarrierPhase(f.Log(), SetOf(slot, signal), signal, cycles);
                        });
}

Status OnShortCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortCarrierPhaseSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::uint32_t raw = r.U32(at);
        if (raw == kNoDataU32) return DumpNoData(f.Log());
        PhaseTrack* track = FindPhaseTrack(f.Assembly().phase, entry.satelliteId, signal);
        if (track == nullptr) return f.Log().Write("Ignore ");
        if (f.Log().Enabled()) f.Log().Printf("%u ", raw);
        SignalSlot& set = SetOf(slot, signal);
        StoreCarrierPhase(f.Log(), set, signal, UnwrapShortPhase(*track, raw));
        // The first phase after a short absence may have slipped.
        if (track->resumed && (set.signalFlags & kFlagCarrierPhase) != 0) {
          set.signalFlags |= kFlagLossOfLock;
          track->resumed = false;
        }
      });
}

Status OnRelativeCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kRelativeCarrierPhaseSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const float offset = r.F32(at);
        if (std::isnan(offset)) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%g ", static_cast<double>(offset));
        if (!HasCaPseudorange(slot)) return f.Log().Write(kNoCaCode);
        const double cycles = static_cast<double>(CarrierFrequency(entry, signal)) *
                              (static_cast<double>(offset) + slot.signals[kSignalCaL1].pseudorange);
        StoreCarrierPhase(f.Log(), SetOf(slot, signal), signal, cycles);
      });
}

Status OnShortRelativeCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortRelativeCarrierPhaseSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::int32_t raw = r.I32(at);
        if (raw == kNoData32) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%d ", raw);
        if (!HasCaPseudorange(slot)) return f.Log().Write(kNoCaCode);
        // The C/A pseudorange as the short form would carry it.
        const double range = slot.signals[kSignalCaL1].pseudorange;
        const double carried =
            std::trunc((range - kShortRangeOrigin) * kShortRangeCounts) * kShortRangeUnit + kShortRangeOrigin;
        const double cycles =
            static_cast<double>(CarrierFrequency(entry, signal)) * (raw * kShortRelativePhaseUnit + carried);
        StoreCarrierPhase(f.Log(), SetOf(slot, signal), signal, cycles);
      });
}

Status OnDoppler(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kDopplerSize,
      [&](const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::int32_t raw = r.I32(at);
        if (raw == kNoData32) return DumpNoData(f.Log());
        if (f.Log().Enabled()) f.Log().Printf("%d ", raw);
        const std::int32_t limit = IsGeo(entry) ? kGeoDopplerLimit : kDopplerLimit;
        if (raw > limit) return f.Log().Printf("%d>MAX( %d )   ", raw, limit);
        if (raw < -limit) return f.Log().Printf("%d<MIN( %d )   ", raw, -limit);
        const auto hertz = static_cast<float>(raw * kDopplerUnit);
        SignalSlot& set = SetOf(slot, signal);
        set.doppler = hertz;
        set.signalFlags |= static_cast<std::uint16_t>(kFlagDoppler | SetMark(signal));
        set.signalFlags &= static_cast<std::uint16_t>(~kFlagDopplerCopied);
        // Most receivers send one L1 Doppler; the P set shares it, unless
        // its own came first.
        SignalSlot& p = slot.signals[kSignalPL1];
        const bool measured =
            (p.signalFlags & kFlagDoppler) != 0 && (p.signalFlags & kFlagDopplerCopied) == 0;
        if (signal == kSignalCaL1 && !measured) {
          p.doppler = hertz;
          p.signalFlags |= kFlagDoppler | kFlagDopplerCopied;
        }
      });
}

Status OnSmoothingCorrection(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kSmoothingSize,
                        [&](const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
                          const float seconds = r.F32(at);
                          if (std::isnan(seconds)) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%g ", static_cast<double>(seconds));
                          SignalSlot& set = SetOf(slot, signal);
                          set.smoothingCorrection =
                              static_cast<float>(static_cast<double>(seconds) * kSpeedOfLight);
                          set.signalFlags |= static_cast<std::uint16_t>(kFlagSmoothing | SetMark(signal));
                        });
}

Status OnShortSmoothingCorrection(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kShortSmoothingSize,
                        [&](const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
                          const std::int16_t raw = r.I16(at);
                          if (raw == kNoData16) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%d ", raw);
                          if (!HasCaPseudorange(slot)) return f.Log().Write(kNoCaCode);
                          SignalSlot& set = SetOf(slot, signal);
                          set.smoothingCorrection = static_cast<float>(raw * kShortRangeUnit * kSpeedOfLight);
                          set.signalFlags |= static_cast<std::uint16_t>(kFlagSmoothing | SetMark(signal));
                        });
}

Status OnSignalToNoise(TQZRFile& f, Body body, int signal, int variant) {
  if (!ValidSignal(signal)) return Status::Ok;
  const bool quarterUnits = variant == kSignalToNoiseQuarterDbHz;
  return ForEachElement(f, body, kSignalToNoiseSize,
                        [&](const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
                          const std::uint8_t value = r.U8(at);
                          if (value == kNoCn0 || value == kNoCn0Low) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%u ", static_cast<unsigned>(value));
                          SignalSlot& set = SetOf(slot, signal);
                          set.status2 = value;
                          set.signalFlags |= static_cast<std::uint16_t>(kFlagCn0InStatus2 | SetMark(signal));
                          if (quarterUnits) {
                            set.signalFlags |= kFlagCn0QuarterUnits;
                          } else {
                            set.signalFlags &= static_cast<std::uint16_t>(~kFlagCn0QuarterUnits);
                          }
                        });
}

Status OnAcceptedObservable(TQZRFile& f, Body body) {
  if (body.empty()) return IgnoreShortBody(f, kChecksumLength, 0);
  return f.MessageAccepted() ? Status::Ok : Status::BadChecksum;
}

Status OnTimeCorrection(TQZRFile& f, Body body) {
  return ForEachElement(f, body, kTimeCorrectionSize,
                        [&](const SatelliteEntry&, SatelliteSlot&, const BodyReader& r, std::size_t at) {
                          const std::uint16_t value = r.U16(at);
                          if (value == kNoDataU16) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%u ", static_cast<unsigned>(value));
                        });
}

Status OnElevation(TQZRFile& f, Body body) {
  return ForEachElement(f, body, kElevationSize,
                        [&](SatelliteEntry& entry, SatelliteSlot&, const BodyReader& r, std::size_t at) {
                          const std::int8_t degrees = r.I8(at);
                          if (degrees == kNoElevation) {
                            entry.elevation = 0;
                            return DumpNoData(f.Log());
                          }
                          if (f.Log().Enabled()) f.Log().Printf("%d ", degrees);
                          entry.elevation = degrees;
                        });
}

Status OnAzimuth(TQZRFile& f, Body body) {
  return ForEachElement(f, body, kAzimuthSize,
                        [&](const SatelliteEntry&, SatelliteSlot&, const BodyReader& r, std::size_t at) {
                          const std::uint8_t halfDegrees = r.U8(at);
                          if (halfDegrees == kNoAzimuth) return DumpNoData(f.Log());
                          if (f.Log().Enabled()) f.Log().Printf("%d ", halfDegrees * 2);
                        });
}

namespace {

// The receiver position of the epoch in progress.
void DecodePosition(EpochExtras& x, DumpLog& log, const BodyReader& r, std::size_t offset) {
  log.Write("Position ");
  for (std::size_t k = 0; k < 3; ++k) {
    const double value = r.F64(offset + 8 * k);
    if (std::isnan(value)) {
      x.position[k] = 0;
      DumpNoData(log);
    } else {
      x.position[k] = value;
      if (log.Enabled()) log.Printf("%g ", value);
    }
  }
  log.EndLine();
}

// The receiver velocity of the epoch in progress.
void DecodeVelocity(EpochExtras& x, DumpLog& log, const BodyReader& r, std::size_t offset) {
  log.Write("Velocity ");
  x.extrasFlags |= kExtrasVelocity;
  for (std::size_t k = 0; k < 3; ++k) {
    const float value = r.F32(offset + 4 * k);
    const bool last = k == 2;
    if (std::isnan(value)) {
      x.velocity[k] = 0;
      x.extrasFlags &= static_cast<std::uint16_t>(~kExtrasVelocity);
      log.Write(last ? "NaN" : "NaN ");
    } else {
      x.velocity[k] = value;
      if (log.Enabled()) log.Printf(last ? "%g" : "%g ", static_cast<double>(value));
    }
  }
  log.EndLine();
}

}  // namespace

Status OnPosition(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f, body, kPositionLength);
  if (!frame.decode) return frame.status;
  DecodePosition(f.Assembly().epochExtras, f.Log(), BodyReader(body), 0);
  return Status::Ok;
}

Status OnVelocity(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f, body, kVelocityLength);
  if (!frame.decode) return frame.status;
  DecodeVelocity(f.Assembly().epochExtras, f.Log(), BodyReader(body), 0);
  return Status::Ok;
}

Status OnPositionVelocity(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f, body, kPositionVelocityLength);
  if (!frame.decode) return frame.status;
  const BodyReader r(body);
  DecodePosition(f.Assembly().epochExtras, f.Log(), r, kPvPositionOffset);
  DecodeVelocity(f.Assembly().epochExtras, f.Log(), r, kPvVelocityOffset);
  return Status::Ok;
}

Status OnDilutionOfPrecision(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f, body, kDopLength);
  if (!frame.decode) return frame.status;
  const BodyReader r(body);
  double values[3];
  for (std::size_t k = 0; k < 3; ++k) {
    const float value = r.F32(4 * k);
    if (std::isnan(value)) {
      values[k] = 0;
      DumpNoData(f.Log());
    } else {
      values[k] = value;
      if (f.Log().Enabled()) f.Log().Printf("%g ", static_cast<double>(value));
    }
  }
  if (f.Log().Enabled()) f.Log().Printf("%u", static_cast<unsigned>(r.U8(kDopByteOffset)));
  f.Log().EndLine();
  if (values[0] != 0 && values[1] != 0) {
    f.Assembly().epochExtras.pdop =
        static_cast<float>(std::sqrt(values[0] * values[0] + values[1] * values[1]));
  }
  return Status::Ok;
}

}  // namespace qzr2rin
