#include "decoders/epoch_completion.h"

#include <array>

#include "base/constants.h"
#include "base/day_time.h"
#include "base/process_flags.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "decoders/occupations.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

// Firmware that needs the time-tag correction stamps its measurements this
// many seconds late.
constexpr double kTagDelaySeconds = 0.0008192;

bool HasData(const SignalSlot& s) { return s.signalFlags != 0; }

bool AnyData(const std::array<SignalSlot, kSignalCount>& s) {
  return HasData(s[kSignalCaL1]) || HasData(s[kSignalPL1]) || HasData(s[kSignalPL2]);
}

// Clears the per-signal epoch and the per-epoch values on every way out of
// CloseEpoch, whichever source it closed: each [rM] rebuilds its own epoch.
class ClearOnExit {
 public:
  explicit ClearOnExit(TQZRFile& f) : f_(f) {}
  ~ClearOnExit() {
    f_.Assembly().epoch.ClearSlots();
    f_.Assembly().epochExtras = EpochExtras{};
  }
  ClearOnExit(const ClearOnExit&) = delete;
  ClearOnExit& operator=(const ClearOnExit&) = delete;

 private:
  TQZRFile& f_;
};

// Drops the signals left out by -1 and -2, chains the remaining sets and
// returns the number of satellites that still hold data.
std::uint32_t SelectSignals(const TQZRFile& f, EpochInProgress& in, std::size_t count) {
  std::uint32_t selected = 0;
  for (std::size_t j = 0; j < count; ++j) {
    const std::uint8_t id = in.satellites[j].satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(f, id)) continue;
    auto& s = in.slots[j].signals;
    if (!f.Options().useL1) s[kSignalCaL1].signalFlags = s[kSignalPL1].signalFlags = 0;
    if (!f.Options().useL2) s[kSignalPL2].signalFlags = 0;
    if (HasData(s[kSignalCaL1]) && (HasData(s[kSignalPL1]) || HasData(s[kSignalPL2]))) {
      s[kSignalCaL1].signalFlags |= kFlagAnotherSetFollows;
    }
    if (HasData(s[kSignalPL1]) && HasData(s[kSignalPL2])) s[kSignalPL1].signalFlags |= kFlagAnotherSetFollows;
    if (AnyData(s)) ++selected;
  }
  return selected;
}

TGPSTimeNS EpochTime(const TQZRFile& f) {
  return TGPSTimeNS(f.Clock().epochMsOfDay / kMsPerSecond + f.Clock().epochDay * kSecondsPerDay,
                    f.Clock().epochMsOfDay % kMsPerSecond * kNsPerMs);
}

void CountInputEpoch(TQZRFile& f, const TGPSTimeNS& time) {
  if (f.Selection().nextEpochIsFirst) {
    f.Selection().nextEpochIsFirst = false;
    f.Statistics().inputEpochCount = 0;
    f.Statistics().firstInputTime = time;
  }
  ++f.Statistics().inputEpochCount;
  f.Statistics().lastInputTime = time;
}

// Exact multiples of the interval within the day; no tolerance.
bool OnSelectedInterval(const TQZRFile& f, const TGPSTimeNS& time) {
  if (!f.Selection().selectByInterval) return true;
  const std::uint64_t msOfDay =
      time.SecondOfDay() * std::uint64_t{kMsPerSecond} + time.nanoseconds / kNsPerMs;
  return msOfDay % f.Selection().selectIntervalMs == 0;
}

// Only epochs later than the last stored one: a time closed twice (by [~~]
// and by [rM]) is stored once.
bool LaterThanLastStored(const TQZRFile& f) {
  return f.Clock().epochDay > f.Selection().lastStoredDay ||
         static_cast<std::int32_t>(f.Clock().epochMsOfDay - f.Selection().lastStoredMs) > 0;
}

void NoteStoredTime(TQZRFile& f) {
  // The first stored epoch has no predecessor: its time of day is not an
  // interval. A difference across midnight is negative and counted as is.
  if (f.Selection().storedAnyEpoch)
    f.Selection().intervalHypothesis.Add(
        static_cast<std::int32_t>(f.Clock().epochMsOfDay - f.Selection().lastStoredMs));
  f.Selection().storedAnyEpoch = true;
  f.Selection().lastStoredDay = f.Clock().epochDay;
  f.Selection().lastStoredMs = f.Clock().epochMsOfDay;
}

void DumpWrittenEpoch(TQZRFile& f, EpochSource source) {
  if (!f.Log().Enabled()) return;
  const DayTime t = SplitMsOfDay(f.Clock().epochMsOfDay);
  f.Log().Write(source == EpochSource::Raw ? "Write epoch from [RM]; " : "Write epoch from [~~];");
  f.Log().Printf("Time (ms) = %uh%um%u.%us", t.hours, t.minutes, t.seconds, t.milliseconds);
  f.Log().EndLine();
}

void NoteSystemSeen(TQZRFile& f, std::uint8_t id) {
  switch (id & kSystemMask) {
    case kSystemGps: f.Statistics().seenGps = true; break;
    case kSystemGeo: f.Statistics().seenWaas = true; break;
    case kSystemGlonass: f.Statistics().seenGlonass = true; break;
    default: break;
  }
}

// The sets that hold data, packed to the front in signal order.
void StoreSets(const TQZRFile& f, const SatelliteEntry& entry, const std::array<SignalSlot, kSignalCount>& s,
               EpochSource source, EpochSatellite& satellite) {
  // Pseudoranges of the per-signal messages are in seconds; raw ones are
  // already metres.
  const double rangeScale = source == EpochSource::Observables ? kSpeedOfLight : 1.0;
  const std::uint8_t id = entry.satelliteId;
  std::size_t next = 0;
  for (int k = 0; k < kSignalCount; ++k) {
    SignalSlot set = s[k];
    if (!f.Options().useDoppler)
      set.signalFlags = static_cast<std::uint16_t>(set.signalFlags & ~kFlagDoppler);
    if (!HasData(set)) continue;
    set.pseudorange *= rangeScale;
    if (f.Identity().tagCorrection) {
      set.carrierPhase -= set.doppler * kTagDelaySeconds;
      set.pseudorange -=
          set.doppler * kTagDelaySeconds * kSpeedOfLight / static_cast<double>(CarrierFrequency(entry, k));
    }
    if ((id & kSystemMask) == kSystemGps && (set.signalFlags & kFlagCaSet) == 0)
      set.signalFlags |= kFlagAntiSpoofing;
    satellite.sets[next++] = set;
  }
}

void StoreEpoch(TQZRFile& f, const EpochInProgress& in, std::size_t count, EpochSource source,
                const TGPSTimeNS& time) {
  if (!f.Collected().records.HasEpochs()) {
    f.Statistics().outputEpochCount = 0;
    f.Statistics().firstOutputTime = time;
  }
  DataEpoch& stored = f.Collected().records.AppendEpoch();
  f.Statistics().lastOutputTime = time;
  ++f.Statistics().outputEpochCount;
  stored.seconds = time.seconds;
  stored.nanoseconds = time.nanoseconds;
  stored.position = f.Assembly().epochExtras.position;
  stored.epochFlags = f.Occupation().epochFlagByte & kEpochDynamic;
  if (f.Assembly().epochExtras.clockOffset != 0 && Flags().clockOffset) {
    stored.epochFlags |= kEpochClockOffset;
    stored.clockOffset = f.Assembly().epochExtras.clockOffset;
  }
  for (std::size_t j = 0; j < count; ++j) {
    const SatelliteEntry& entry = in.satellites[j];
    const std::uint8_t id = entry.satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(f, id) || !AnyData(in.slots[j].signals)) continue;
    EpochSatellite& satellite = f.Collected().records.AddSatellite();
    satellite.satelliteId = id;
    satellite.frequencyChannel = entry.frequencyChannel;
    NoteSystemSeen(f, id);
    StoreSets(f, entry, in.slots[j].signals, source, satellite);
  }
}

}  // namespace

bool IsExcluded(const TQZRFile& f, std::uint8_t satelliteId) {
  const int n = satelliteId & kNumberMask;
  switch (satelliteId & kSystemMask) {
    case kSystemGps: return !f.Options().useGps || f.Options().gpsExcluded.Contains(n);
    case kSystemGlonass: return !f.Options().useGlonass || f.Options().glonassExcluded.Contains(n);
    case kSystemGeo: return !f.Options().useWaas || f.Options().waasExcluded.Contains(n);
    default: return false;
  }
}

Status CloseEpoch(TQZRFile& f, EpochSource source) {
  const ClearOnExit clear(f);
  EpochInProgress& in = source == EpochSource::Raw ? f.Assembly().raw : f.Assembly().epoch;
  const std::size_t count = in.count > 0 ? static_cast<std::size_t>(in.count) : 0;
  if (source == EpochSource::Observables && (f.Clock().epochDay == 0 || count == 0)) return Status::Ok;
  if (SelectSignals(f, in, count) == 0) return Status::Ok;

  const TGPSTimeNS time = EpochTime(f);
  CountInputEpoch(f, time);
  OccupationState& o = f.Occupation();
  if (f.Window().windowGiven && !InsideWindow(f.Window().windowStart, f.Window().windowFinish, time)) {
    o.handOff.EpochPassed();
    return Status::Ok;
  }
  if (o.handOff.StartsWithNextEpoch()) NameOccupation(f, o.dynamicMode != 0);
  if (!OnSelectedInterval(f, time) || !LaterThanLastStored(f)) return Status::Ok;
  NoteStoredTime(f);

  if ((o.handOff.Due() || !f.Collected().records.HasEpochs()) && o.handOff.Armed()) {
    const Status recorded = RecordOccupation(f);
    if (recorded != Status::Ok) return recorded;
  }
  DumpWrittenEpoch(f, source);
  StoreEpoch(f, in, count, source, time);
  o.handOff.EpochPassed();
  return Status::Ok;
}

}  // namespace qzr2rin
