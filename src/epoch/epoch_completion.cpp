#include "epoch/epoch_completion.h"

#include "base/constants.h"
#include "base/day_time.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "driver/process_flags.h"
#include "events/occupations.h"
#include "input/qzr_file.h"

namespace qzr2rin {
namespace {

// Firmware that needs the time-tag correction stamps its measurements this
// many seconds late.
constexpr double kTagDelaySeconds = 0.0008192;

bool HasData(const SignalSlot& s) { return s.signalFlags != 0; }

void ClearInProgress(TQZRFile& f) {
  f.epoch.ClearSlots();
  f.epochExtras = EpochExtras{};
}

void DumpWrittenEpoch(TQZRFile& f, EpochSource source) {
  if (!f.dumpLog.Enabled()) return;
  const DayTime t = SplitMsOfDay(f.epochMsOfDay);
  f.dumpLog.Write(source == EpochSource::Raw ? "Write epoch from [RM]; " : "Write epoch from [~~];");
  f.dumpLog.Printf("Time (ms) = %uh%um%u.%us", t.hours, t.minutes, t.seconds, t.milliseconds);
  f.dumpLog.EndLine();
}

}  // namespace

bool IsExcluded(const TQZRFile& f, std::uint8_t satelliteId) {
  const int n = satelliteId & kNumberMask;
  switch (satelliteId & kSystemMask) {
    case kSystemGps: return !f.options.useGps || f.options.gpsExcluded.Contains(n);
    case kSystemGlonass: return !f.options.useGlonass || f.options.glonassExcluded.Contains(n);
    case kSystemGeo: return !f.options.useWaas || f.options.waasExcluded.Contains(n);
    default: return false;
  }
}

Status CloseEpoch(TQZRFile& f, EpochSource source) {
  EpochInProgress& in = source == EpochSource::Raw ? f.raw : f.epoch;
  const std::size_t count = in.count > 0 ? static_cast<std::size_t>(in.count) : 0;
  if (source == EpochSource::Observables && (f.epochDay == 0 || count == 0)) {
    ClearInProgress(f);
    return Status::Ok;
  }

  // Selection of satellites and signals.
  std::uint32_t selected = 0;
  for (std::size_t j = 0; j < count; ++j) {
    const std::uint8_t id = in.satellites[j].satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(f, id)) continue;
    auto& s = in.slots[j].signals;
    if (!f.options.useL1) s[kSignalCaL1].signalFlags = s[kSignalPL1].signalFlags = 0;
    if (!f.options.useL2) s[kSignalPL2].signalFlags = 0;
    if (HasData(s[kSignalCaL1]) && (HasData(s[kSignalPL1]) || HasData(s[kSignalPL2]))) {
      s[kSignalCaL1].signalFlags |= kFlagAnotherSetFollows;
    }
    if (HasData(s[kSignalPL1]) && HasData(s[kSignalPL2])) s[kSignalPL1].signalFlags |= kFlagAnotherSetFollows;
    if (HasData(s[kSignalCaL1]) || HasData(s[kSignalPL1]) || HasData(s[kSignalPL2])) ++selected;
  }
  if (selected == 0) {
    ClearInProgress(f);
    return Status::Ok;
  }

  const std::uint32_t seconds = f.epochMsOfDay / kMsPerSecond + f.epochDay * kSecondsPerDay;
  const std::uint32_t nanoseconds = f.epochMsOfDay % kMsPerSecond * kNsPerMs;
  const TGPSTimeNS time(seconds, nanoseconds);
  if (f.nextEpochIsFirst) {
    f.nextEpochIsFirst = false;
    f.inputEpochCount = 0;
    f.firstInputTime = time;
  }
  ++f.inputEpochCount;
  f.lastInputTime = time;

  OccupationState& o = f.occupation;
  if (f.windowGiven && !InsideWindow(f.windowStart, f.windowFinish, time)) {
    ClearInProgress(f);
    if (o.occupationDue) o.handOffArmed = true;
    return Status::Ok;
  }

  if (o.occupationDue && o.handOffArmed) NameOccupation(f, o.dynamicMode != 0);

  if (f.selectByInterval &&
      (seconds % kSecondsPerDay * std::uint64_t{kMsPerSecond} + nanoseconds / kNsPerMs) %
              f.selectIntervalMs !=
          0) {
    ClearInProgress(f);
    return Status::Ok;
  }

  // Only epochs later than the last stored one: a time closed twice (by
  // [~~] and by [rM]) is stored once.
  if (!(f.epochDay > f.lastStoredDay || static_cast<std::int32_t>(f.epochMsOfDay - f.lastStoredMs) > 0)) {
    ClearInProgress(f);
    return Status::Ok;
  }
  // The first stored epoch has no predecessor: its time of day is not an
  // interval. A difference across midnight is negative and counted as is.
  if (f.storedAnyEpoch) f.intervalHypothesis.Add(static_cast<std::int32_t>(f.epochMsOfDay - f.lastStoredMs));
  f.storedAnyEpoch = true;
  f.lastStoredDay = f.epochDay;
  f.lastStoredMs = f.epochMsOfDay;

  if ((o.occupationDue || !f.records.HasEpochs()) && o.handOffArmed) {
    const Status recorded = RecordOccupation(f);
    if (recorded != Status::Ok) return recorded;
  }
  DumpWrittenEpoch(f, source);

  if (!f.records.HasEpochs()) {
    f.outputEpochCount = 0;
    f.firstOutputTime = time;
  }
  DataEpoch& stored = f.records.AppendEpoch();
  f.lastOutputTime = time;
  ++f.outputEpochCount;
  stored.seconds = seconds;
  stored.nanoseconds = nanoseconds;
  stored.position = f.epochExtras.position;
  stored.epochFlags = o.epochFlagByte & kEpochDynamic;
  if (f.epochExtras.clockOffset != 0 && Flags().clockOffset) {
    stored.epochFlags |= kEpochClockOffset;
    stored.clockOffset = f.epochExtras.clockOffset;
  }
  // Pseudoranges of the per-signal messages are in seconds; raw ones are
  // already metres.
  const double rangeScale = source == EpochSource::Observables ? kSpeedOfLight : 1.0;
  for (std::size_t j = 0; j < count; ++j) {
    const SatelliteEntry& entry = in.satellites[j];
    const std::uint8_t id = entry.satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(f, id)) continue;
    auto& s = in.slots[j].signals;
    if (!HasData(s[kSignalCaL1]) && !HasData(s[kSignalPL1]) && !HasData(s[kSignalPL2])) continue;
    EpochSatellite& satellite = f.records.AddSatellite();
    satellite.satelliteId = id;
    switch (id & kSystemMask) {
      case kSystemGps: f.seenGps = true; break;
      case kSystemGeo: f.seenWaas = true; break;
      case kSystemGlonass: f.seenGlonass = true; break;
      default: break;
    }
    std::size_t next = 0;
    for (int k = 0; k < kSignalCount; ++k) {
      SignalSlot set = s[k];
      if (!f.options.useDoppler)
        set.signalFlags = static_cast<std::uint16_t>(set.signalFlags & ~kFlagDoppler);
      if (!HasData(set)) continue;
      set.pseudorange *= rangeScale;
      if (f.tagCorrection) {
        set.carrierPhase -= set.doppler * kTagDelaySeconds;
        set.pseudorange -=
            set.doppler * kTagDelaySeconds * kSpeedOfLight / static_cast<double>(CarrierFrequency(entry, k));
      }
      if ((id & kSystemMask) == kSystemGps && (set.signalFlags & kFlagCaSet) == 0)
        set.signalFlags |= kFlagAntiSpoofing;
      satellite.sets[next++] = set;
    }
  }

  ClearInProgress(f);
  if (o.occupationDue) o.handOffArmed = true;
  return Status::Ok;
}

}  // namespace qzr2rin
