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
// A repeated message closes the epoch in progress, which needs the whole
// converter.
Frame OpenPerSatellite(TQZRFile& f, Body body, std::size_t elementSize) {
  const std::size_t n = f.Assembly().epoch.Listed();
  if (body.empty()) {
    IgnoreShortBody(f.Messages(), n, 0);
    return {};
  }
  if (!f.MessageAccepted()) return {false, Status::BadChecksum, 0};
  if (SkipWhenLost(f.Scanner(), f.Log())) return {};
  if (body.size() != n * elementSize + kChecksumLength) {
    IgnoreShortBody(f.Messages(), n, (body.size() - kChecksumLength) / elementSize);
    return {};
  }
  if (RepeatedInEpoch(f.Assembly().epoch, f.Scanner(), f.Messages())) {
    return {false, CloseEpoch(f, EpochSource::Observables), 0};
  }
  return {true, Status::Ok, n};
}

// The checks of a whole-epoch message of fixed layout.
Frame OpenFixed(const MessageScanner& scanner, DumpLog& log, MessageDump dump, Body body,
                std::size_t length) {
  if (body.empty()) return {false, IgnoreShortBody(dump, length, 0), 0};
  if (!scanner.MessageAccepted()) return {false, Status::BadChecksum, 0};
  if (SkipWhenLost(scanner, log)) return {};
  if (body.size() < length) return {false, IgnoreShortBody(dump, length, body.size()), 0};
  return {true, Status::Ok, 0};
}

// Hands every handled list entry's element to `decode(log, entry, slot,
// reader, offset)`, in list order, on one dump line.
template <typename Decode>
Status ForEachElement(TQZRFile& f, Body body, std::size_t elementSize, Decode&& decode) {
  const Frame frame = OpenPerSatellite(f, body, elementSize);
  if (!frame.decode) return frame.status;
  f.Assembly().epoch.Touch(frame.count);
  const BodyReader reader(body);
  EpochInProgress& epoch = f.Assembly().epoch;
  DumpLog& log = f.Log();
  for (std::size_t i = 0; i < frame.count; ++i) {
    SatelliteEntry& entry = epoch.satellites[i];
    if (entry.satelliteId == 0) {
      log.Write("Ignore ");
      continue;
    }
    decode(log, entry, epoch.slots[i], reader, i * elementSize);
  }
  log.EndLine();
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

Status IgnoreShortBody(MessageDump dump, std::size_t expected, std::size_t arrived) {
  if (dump.Enabled()) {
    dump.Log().Printf("    Error Len! Expected:%zu arrived: %zu", expected, arrived);
    dump.Log().EndLine();
  }
  return Status::Ok;
}

bool SkipWhenLost(const MessageScanner& scanner, DumpLog& log) {
  if (!scanner.timeLost && !scanner.satelliteListLost && !scanner.glonassNumbersLost) return false;
  log.Write("Lost time, skipping");
  log.EndLine();
  return true;
}

bool RepeatedInEpoch(EpochInProgress& epoch, MessageScanner& scanner, MessageDump dump) {
  // The byte 0x30 and below never start a message; an id the scanner did not
  // check (a test feeding bodies directly) counts as its first.
  if (!epoch.SeenBefore(scanner.Id0(), scanner.Id1())) return false;
  scanner.timeLost = true;
  dump.Line(kRepeatedInEpochText);
  return true;
}

Status OnFullPseudorange(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kFullPseudorangeSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const double seconds = r.F64(at);
                          if (std::isnan(seconds)) return DumpNoData(log);
                          if (log.Enabled()) log.Printf("%g ", seconds);
                          StorePseudorange(log, entry, SetOf(slot, signal), signal, seconds);
                        });
}

Status OnRelativePseudorange(TQZRFile& f, Body body, int variant) {
  const int signal = variant;
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kRelativePseudorangeSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const float offset = r.F32(at);
                          if (std::isnan(offset)) return DumpNoData(log);
                          if (log.Enabled()) log.Printf("%g ", static_cast<double>(offset));
                          if (!HasCaPseudorange(slot)) return log.Write(kNoCaCodeRelativeRange);
                          const double seconds =
                              slot.signals[kSignalCaL1].pseudorange + static_cast<double>(offset);
                          StorePseudorange(log, entry, SetOf(slot, signal), signal, seconds);
                        });
}

Status OnShortPseudorange(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kShortPseudorangeSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const std::int32_t raw = r.I32(at);
                          if (raw == kNoData32) return DumpNoData(log);
                          const double seconds = raw * kShortRangeUnit + kShortRangeOrigin;
                          if (log.Enabled()) log.Printf("%d (%g) ", raw, seconds);
                          StorePseudorange(log, entry, SetOf(slot, signal), signal, seconds);
                        });
}

Status OnShortRelativePseudorange(TQZRFile& f, Body body, int variant) {
  const int signal = variant;
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kShortRelativePseudorangeSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const std::int16_t raw = r.I16(at);
                          if (raw == kNoData16) return DumpNoData(log);
                          if (log.Enabled()) log.Printf("%d ", raw);
                          if (!HasCaPseudorange(slot)) return log.Write(kNoCaCode);
                          const double seconds = raw * kShortRangeUnit + kShortRelativeRangeOrigin +
                                                 slot.signals[kSignalCaL1].pseudorange;
                          StorePseudorange(log, entry, SetOf(slot, signal), signal, seconds);
                        });
}

Status OnFullCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kFullCarrierPhaseSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const double cycles = r.F64(at);
        if (std::isnan(cycles)) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%g ", cycles);
        StoreCarrierPhase(log, SetOf(slot, signal), signal, cycles);
      });
}

Status OnShortCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kShortCarrierPhaseSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const std::uint32_t raw = r.U32(at);
                          if (raw == kNoDataU32) return DumpNoData(log);
                          PhaseTrack* track = FindPhaseTrack(f.Assembly().phase, entry.satelliteId, signal);
                          if (track == nullptr) return log.Write("Ignore ");
                          if (log.Enabled()) log.Printf("%u ", raw);
                          SignalSlot& set = SetOf(slot, signal);
                          StoreCarrierPhase(log, set, signal, UnwrapShortPhase(*track, raw));
                          // The first phase after a short absence may have slipped.
                          if (track->resumed && (set.signalFlags & kFlagCarrierPhase) != 0) {
                            set.signalFlags |= kFlagLossOfLock;
                            track->resumed = false;
                          }
                        });
}

Status OnRelativeCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kRelativeCarrierPhaseSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const float offset = r.F32(at);
                          if (std::isnan(offset)) return DumpNoData(log);
                          if (log.Enabled()) log.Printf("%g ", static_cast<double>(offset));
                          if (!HasCaPseudorange(slot)) return log.Write(kNoCaCode);
                          const double cycles =
                              static_cast<double>(CarrierFrequency(entry, signal)) *
                              (static_cast<double>(offset) + slot.signals[kSignalCaL1].pseudorange);
                          StoreCarrierPhase(log, SetOf(slot, signal), signal, cycles);
                        });
}

Status OnShortRelativeCarrierPhase(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortRelativeCarrierPhaseSize,
      [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot, const BodyReader& r,
          std::size_t at) {
        const std::int32_t raw = r.I32(at);
        if (raw == kNoData32) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%d ", raw);
        if (!HasCaPseudorange(slot)) return log.Write(kNoCaCode);
        // The C/A pseudorange as the short form would carry it.
        const double range = slot.signals[kSignalCaL1].pseudorange;
        const double carried =
            std::trunc((range - kShortRangeOrigin) * kShortRangeCounts) * kShortRangeUnit + kShortRangeOrigin;
        const double cycles =
            static_cast<double>(CarrierFrequency(entry, signal)) * (raw * kShortRelativePhaseUnit + carried);
        StoreCarrierPhase(log, SetOf(slot, signal), signal, cycles);
      });
}

Status OnDoppler(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(f, body, kDopplerSize,
                        [&](DumpLog& log, const SatelliteEntry& entry, SatelliteSlot& slot,
                            const BodyReader& r, std::size_t at) {
                          const std::int32_t raw = r.I32(at);
                          if (raw == kNoData32) return DumpNoData(log);
                          if (log.Enabled()) log.Printf("%d ", raw);
                          const std::int32_t limit = IsGeo(entry) ? kGeoDopplerLimit : kDopplerLimit;
                          if (raw > limit) return log.Printf("%d>MAX( %d )   ", raw, limit);
                          if (raw < -limit) return log.Printf("%d<MIN( %d )   ", raw, -limit);
                          const auto hertz = static_cast<float>(raw * kDopplerUnit);
                          SignalSlot& set = SetOf(slot, signal);
                          set.doppler = hertz;
                          set.signalFlags |= static_cast<std::uint16_t>(kFlagDoppler | SetMark(signal));
                          set.signalFlags &= static_cast<std::uint16_t>(~kFlagDopplerCopied);
                          // Most receivers send one L1 Doppler; the P set shares it, unless
                          // its own came first.
                          SignalSlot& p = slot.signals[kSignalPL1];
                          const bool measured = (p.signalFlags & kFlagDoppler) != 0 &&
                                                (p.signalFlags & kFlagDopplerCopied) == 0;
                          if (signal == kSignalCaL1 && !measured) {
                            p.doppler = hertz;
                            p.signalFlags |= kFlagDoppler | kFlagDopplerCopied;
                          }
                        });
}

Status OnSmoothingCorrection(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kSmoothingSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const float seconds = r.F32(at);
        if (std::isnan(seconds)) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%g ", static_cast<double>(seconds));
        SignalSlot& set = SetOf(slot, signal);
        set.smoothingCorrection = static_cast<float>(static_cast<double>(seconds) * kSpeedOfLight);
        set.signalFlags |= static_cast<std::uint16_t>(kFlagSmoothing | SetMark(signal));
      });
}

Status OnShortSmoothingCorrection(TQZRFile& f, Body body, int signal) {
  if (!ValidSignal(signal)) return Status::Ok;
  return ForEachElement(
      f, body, kShortSmoothingSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::int16_t raw = r.I16(at);
        if (raw == kNoData16) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%d ", raw);
        if (!HasCaPseudorange(slot)) return log.Write(kNoCaCode);
        SignalSlot& set = SetOf(slot, signal);
        set.smoothingCorrection = static_cast<float>(raw * kShortRangeUnit * kSpeedOfLight);
        set.signalFlags |= static_cast<std::uint16_t>(kFlagSmoothing | SetMark(signal));
      });
}

Status OnSignalToNoise(TQZRFile& f, Body body, int signal, int variant) {
  if (!ValidSignal(signal)) return Status::Ok;
  const bool quarterUnits = variant == kSignalToNoiseQuarterDbHz;
  return ForEachElement(
      f, body, kSignalToNoiseSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot& slot, const BodyReader& r, std::size_t at) {
        const std::uint8_t value = r.U8(at);
        if (value == kNoCn0 || value == kNoCn0Low) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%u ", static_cast<unsigned>(value));
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
  if (body.empty()) return IgnoreShortBody(f.Messages(), kChecksumLength, 0);
  return f.MessageAccepted() ? Status::Ok : Status::BadChecksum;
}

Status OnTimeCorrection(TQZRFile& f, Body body) {
  return ForEachElement(
      f, body, kTimeCorrectionSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot&, const BodyReader& r, std::size_t at) {
        const std::uint16_t value = r.U16(at);
        if (value == kNoDataU16) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%u ", static_cast<unsigned>(value));
      });
}

Status OnElevation(TQZRFile& f, Body body) {
  return ForEachElement(
      f, body, kElevationSize,
      [&](DumpLog& log, SatelliteEntry& entry, SatelliteSlot&, const BodyReader& r, std::size_t at) {
        const std::int8_t degrees = r.I8(at);
        if (degrees == kNoElevation) {
          entry.elevation = 0;
          return DumpNoData(log);
        }
        if (log.Enabled()) log.Printf("%d ", degrees);
        entry.elevation = degrees;
      });
}

Status OnAzimuth(TQZRFile& f, Body body) {
  return ForEachElement(
      f, body, kAzimuthSize,
      [&](DumpLog& log, const SatelliteEntry&, SatelliteSlot&, const BodyReader& r, std::size_t at) {
        const std::uint8_t halfDegrees = r.U8(at);
        if (halfDegrees == kNoAzimuth) return DumpNoData(log);
        if (log.Enabled()) log.Printf("%d ", halfDegrees * 2);
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

// The dilutions of precision go to the dump; the epoch keeps the position
// dilution, from its first two parts, only when both arrived.
void DecodeDilution(EpochExtras& x, DumpLog& log, const BodyReader& r) {
  double values[3];
  for (std::size_t k = 0; k < 3; ++k) {
    const float value = r.F32(4 * k);
    if (std::isnan(value)) {
      values[k] = 0;
      DumpNoData(log);
    } else {
      values[k] = value;
      if (log.Enabled()) log.Printf("%g ", static_cast<double>(value));
    }
  }
  if (log.Enabled()) log.Printf("%u", static_cast<unsigned>(r.U8(kDopByteOffset)));
  log.EndLine();
  if (values[0] != 0 && values[1] != 0) {
    x.pdop = static_cast<float>(std::sqrt(values[0] * values[0] + values[1] * values[1]));
  }
}

}  // namespace

Status OnPosition(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f.Scanner(), f.Log(), f.Messages(), body, kPositionLength);
  if (!frame.decode) return frame.status;
  DecodePosition(f.Assembly().epochExtras, f.Log(), BodyReader(body), 0);
  return Status::Ok;
}

Status OnVelocity(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f.Scanner(), f.Log(), f.Messages(), body, kVelocityLength);
  if (!frame.decode) return frame.status;
  DecodeVelocity(f.Assembly().epochExtras, f.Log(), BodyReader(body), 0);
  return Status::Ok;
}

Status OnPositionVelocity(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f.Scanner(), f.Log(), f.Messages(), body, kPositionVelocityLength);
  if (!frame.decode) return frame.status;
  const BodyReader r(body);
  DecodePosition(f.Assembly().epochExtras, f.Log(), r, kPvPositionOffset);
  DecodeVelocity(f.Assembly().epochExtras, f.Log(), r, kPvVelocityOffset);
  return Status::Ok;
}

Status OnDilutionOfPrecision(TQZRFile& f, Body body) {
  const Frame frame = OpenFixed(f.Scanner(), f.Log(), f.Messages(), body, kDopLength);
  if (!frame.decode) return frame.status;
  DecodeDilution(f.Assembly().epochExtras, f.Log(), BodyReader(body));
  return Status::Ok;
}

}  // namespace qzr2rin
