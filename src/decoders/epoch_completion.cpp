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
  explicit ClearOnExit(EpochAssembly& assembly) : assembly_(assembly) {}
  ~ClearOnExit() {
    assembly_.epoch.ClearSlots();
    assembly_.epochExtras = EpochExtras{};
  }
  ClearOnExit(const ClearOnExit&) = delete;
  ClearOnExit& operator=(const ClearOnExit&) = delete;

 private:
  EpochAssembly& assembly_;
};

// Drops the signals left out by -1 and -2, chains the remaining sets and
// returns the number of satellites that still hold data.
std::uint32_t SelectSignals(const ConversionOptions& options, EpochInProgress& in, std::size_t count) {
  std::uint32_t selected = 0;
  for (std::size_t j = 0; j < count; ++j) {
    const std::uint8_t id = in.satellites[j].satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(options, id)) continue;
    auto& s = in.slots[j].signals;
    if (!options.useL1) s[kSignalCaL1].signalFlags = s[kSignalPL1].signalFlags = 0;
    if (!options.useL2) s[kSignalPL2].signalFlags = 0;
    if (HasData(s[kSignalCaL1]) && (HasData(s[kSignalPL1]) || HasData(s[kSignalPL2]))) {
      s[kSignalCaL1].signalFlags |= kFlagAnotherSetFollows;
    }
    if (HasData(s[kSignalPL1]) && HasData(s[kSignalPL2])) s[kSignalPL1].signalFlags |= kFlagAnotherSetFollows;
    if (AnyData(s)) ++selected;
  }
  return selected;
}

TGPSTimeNS EpochTime(const ReceiverClock& clock) {
  return TGPSTimeNS(clock.epochMsOfDay / kMsPerSecond + clock.epochDay * kSecondsPerDay,
                    clock.epochMsOfDay % kMsPerSecond * kNsPerMs);
}

void CountInputEpoch(EpochSelection& selection, RunStatistics& statistics, const TGPSTimeNS& time) {
  if (selection.nextEpochIsFirst) {
    selection.nextEpochIsFirst = false;
    statistics.inputEpochCount = 0;
    statistics.firstInputTime = time;
  }
  ++statistics.inputEpochCount;
  statistics.lastInputTime = time;
}

// Exact multiples of the interval within the day; no tolerance.
bool OnSelectedInterval(const EpochSelection& selection, const TGPSTimeNS& time) {
  if (!selection.selectByInterval) return true;
  const std::uint64_t msOfDay =
      time.SecondOfDay() * std::uint64_t{kMsPerSecond} + time.nanoseconds / kNsPerMs;
  return msOfDay % selection.selectIntervalMs == 0;
}

// Only epochs later than the last stored one: a time closed twice (by [~~]
// and by [rM]) is stored once.
bool LaterThanLastStored(const ReceiverClock& clock, const EpochSelection& selection) {
  return clock.epochDay > selection.lastStoredDay ||
         static_cast<std::int32_t>(clock.epochMsOfDay - selection.lastStoredMs) > 0;
}

void NoteStoredTime(EpochSelection& selection, const ReceiverClock& clock) {
  // The first stored epoch has no predecessor: its time of day is not an
  // interval. A difference across midnight is negative and counted as is.
  if (selection.storedAnyEpoch)
    selection.intervalHypothesis.Add(static_cast<std::int32_t>(clock.epochMsOfDay - selection.lastStoredMs));
  selection.storedAnyEpoch = true;
  selection.lastStoredDay = clock.epochDay;
  selection.lastStoredMs = clock.epochMsOfDay;
}

void DumpWrittenEpoch(DumpLog& log, const ReceiverClock& clock, EpochSource source) {
  if (!log.Enabled()) return;
  const DayTime t = SplitMsOfDay(clock.epochMsOfDay);
  log.Write(source == EpochSource::Raw ? "Write epoch from [RM]; " : "Write epoch from [~~];");
  log.Printf("Time (ms) = %uh%um%u.%us", t.hours, t.minutes, t.seconds, t.milliseconds);
  log.EndLine();
}

void NoteSystemSeen(RunStatistics& statistics, std::uint8_t id) {
  switch (id & kSystemMask) {
    case kSystemGps: statistics.seenGps = true; break;
    case kSystemGeo: statistics.seenWaas = true; break;
    case kSystemGlonass: statistics.seenGlonass = true; break;
    default: break;
  }
}

// What decides how a satellite's sets are stored.
struct SetChoice {
  const ConversionOptions& options;
  bool tagCorrection;  // the firmware's late time tags are to be corrected
  EpochSource source;
};

// The sets that hold data, packed to the front in signal order.
void StoreSets(const SetChoice& choice, const SatelliteEntry& entry,
               const std::array<SignalSlot, kSignalCount>& s, EpochSatellite& satellite) {
  // Pseudoranges of the per-signal messages are in seconds; raw ones are
  // already metres.
  const double rangeScale = choice.source == EpochSource::Observables ? kSpeedOfLight : 1.0;
  const std::uint8_t id = entry.satelliteId;
  std::size_t next = 0;
  for (int k = 0; k < kSignalCount; ++k) {
    SignalSlot set = s[k];
    if (!choice.options.useDoppler)
      set.signalFlags = static_cast<std::uint16_t>(set.signalFlags & ~kFlagDoppler);
    if (!HasData(set)) continue;
    set.pseudorange *= rangeScale;
    if (choice.tagCorrection) {
      set.carrierPhase -= set.doppler * kTagDelaySeconds;
      set.pseudorange -=
          set.doppler * kTagDelaySeconds * kSpeedOfLight / static_cast<double>(CarrierFrequency(entry, k));
    }
    if ((id & kSystemMask) == kSystemGps && (set.signalFlags & kFlagCaSet) == 0)
      set.signalFlags |= kFlagAntiSpoofing;
    satellite.sets[next++] = set;
  }
}

// The epoch's own values, ahead of its satellites.
void StoreEpoch(StoredRecords& records, RunStatistics& statistics, const EpochExtras& extras,
                std::uint8_t epochFlagByte, const TGPSTimeNS& time) {
  if (!records.HasEpochs()) {
    statistics.outputEpochCount = 0;
    statistics.firstOutputTime = time;
  }
  DataEpoch& stored = records.AppendEpoch();
  statistics.lastOutputTime = time;
  ++statistics.outputEpochCount;
  stored.seconds = time.seconds;
  stored.nanoseconds = time.nanoseconds;
  stored.position = extras.position;
  stored.epochFlags = epochFlagByte & kEpochDynamic;
  if (extras.clockOffset != 0 && Flags().clockOffset) {
    stored.epochFlags |= kEpochClockOffset;
    stored.clockOffset = extras.clockOffset;
  }
}

void StoreSatellites(StoredRecords& records, RunStatistics& statistics, const SetChoice& choice,
                     const EpochInProgress& in, std::size_t count) {
  for (std::size_t j = 0; j < count; ++j) {
    const SatelliteEntry& entry = in.satellites[j];
    const std::uint8_t id = entry.satelliteId;
    if ((id & kNumberMask) == 0 || IsExcluded(choice.options, id) || !AnyData(in.slots[j].signals)) continue;
    EpochSatellite& satellite = records.AddSatellite();
    satellite.satelliteId = id;
    satellite.frequencyChannel = entry.frequencyChannel;
    NoteSystemSeen(statistics, id);
    StoreSets(choice, entry, in.slots[j].signals, satellite);
  }
}

}  // namespace

bool IsExcluded(const ConversionOptions& options, std::uint8_t satelliteId) {
  const int n = satelliteId & kNumberMask;
  switch (satelliteId & kSystemMask) {
    case kSystemGps: return !options.useGps || options.gpsExcluded.Contains(n);
    case kSystemGlonass: return !options.useGlonass || options.glonassExcluded.Contains(n);
    case kSystemGeo: return !options.useWaas || options.waasExcluded.Contains(n);
    default: return false;
  }
}

Status CloseEpoch(TQZRFile& f, EpochSource source) {
  const ClearOnExit clear(f.Assembly());
  EpochInProgress& in = source == EpochSource::Raw ? f.Assembly().raw : f.Assembly().epoch;
  const std::size_t count = in.count > 0 ? static_cast<std::size_t>(in.count) : 0;
  if (source == EpochSource::Observables && (f.Clock().epochDay == 0 || count == 0)) return Status::Ok;
  if (SelectSignals(f.Options(), in, count) == 0) return Status::Ok;

  const TGPSTimeNS time = EpochTime(f.Clock());
  CountInputEpoch(f.Selection(), f.Statistics(), time);
  OccupationState& o = f.Occupation();
  if (f.Window().windowGiven && !InsideWindow(f.Window().windowStart, f.Window().windowFinish, time)) {
    o.handOff.EpochPassed();
    return Status::Ok;
  }
  if (o.handOff.StartsWithNextEpoch()) NameOccupation(o, o.dynamicMode != 0);
  if (!OnSelectedInterval(f.Selection(), time) || !LaterThanLastStored(f.Clock(), f.Selection())) {
    return Status::Ok;
  }
  NoteStoredTime(f.Selection(), f.Clock());

  if ((o.handOff.Due() || !f.Collected().records.HasEpochs()) && o.handOff.Armed()) {
    // The interval as it stands when the occupation starts.
    f.Statistics().outputIntervalMs = f.Selection().intervalHypothesis.Mode();
    const Status recorded = RecordOccupation(o, f.Identity(), f.Collected().records, f.Log());
    if (recorded != Status::Ok) return recorded;
  }
  DumpWrittenEpoch(f.Log(), f.Clock(), source);
  StoredRecords& records = f.Collected().records;
  StoreEpoch(records, f.Statistics(), f.Assembly().epochExtras, o.epochFlagByte, time);
  StoreSatellites(records, f.Statistics(), SetChoice{f.Options(), f.Identity().tagCorrection, source}, in,
                  count);
  o.handOff.EpochPassed();
  return Status::Ok;
}

}  // namespace qzr2rin
