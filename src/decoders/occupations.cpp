#include "decoders/occupations.h"

#include <cstdio>
#include <unordered_set>

#include "base/day_time.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "decoders/epoch_completion.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kMarkerNameLength = 60;
constexpr std::size_t kBaseNameLength = 80;
// Two-digit years in the dump.

// " Delete epoch 04Y02M01D  10:30:15.5000000" and the like.
void DumpDeleted(TQZRFile& f, const char* what, std::uint32_t seconds, std::uint32_t nanoseconds) {
  if (!f.Log().Enabled()) return;
  const TGPSTime t(seconds);
  const DayTime ofDay = SplitSecondOfDay(t.SecondOfDay());
  f.Log().Printf(" Delete %s %02uY%02uM%02uD  %u:%u:%10.7lf", what, TwoDigitYear(t.Year(0)),
                 static_cast<unsigned>(t.Month(0)), t.Day(0), ofDay.hours, ofDay.minutes,
                 ofDay.seconds + nanoseconds * kSecondsPerNs);
  f.Log().EndLine();
}

void GiveName(TQZRFile& f, bool kinematic) {
  OccupationState& o = f.Occupation();
  ++o.occupationNumber;
  if (o.userNamed) {
    o.baseMarkerName = f.Identity().markerName.substr(0, kBaseNameLength);
    o.kinematicCounter = 1;
    o.staticCounter = 1;
  } else {
    std::int32_t& counter = kinematic ? o.kinematicCounter : o.staticCounter;
    f.Identity().markerName =
        (o.baseMarkerName + (kinematic ? "_K" : "_S") + std::to_string(counter)).substr(0, kMarkerNameLength);
    ++counter;
  }
  o.userNamed = o.firstOccupation = o.siteNamed = false;
}

}  // namespace

Status CloseOccupation(TQZRFile& f) {
  f.Occupation().handOff.Arm();
  return CloseEpoch(f, EpochSource::Observables);
}

void NameOccupation(TQZRFile& f, bool kinematic) {
  f.Occupation().namingDue = true;
  f.Occupation().namingKinematic = kinematic;
}

Status RecordOccupation(TQZRFile& f) {
  OccupationState& o = f.Occupation();
  if (o.namingDue) {
    o.namingDue = false;
    GiveName(f, o.namingKinematic);
  }
  f.Statistics().outputIntervalMs = f.Selection().intervalHypothesis.Mode();
  o.epochFlagByte =
      static_cast<std::uint8_t>((o.epochFlagByte & ~kDynamicMode) | (o.dynamicMode & kDynamicMode));
  if (f.Log().Enabled()) {
    f.Log().Write(" Write Occupation:");
    f.Log().Write(f.Identity().markerName);
    f.Log().Write(o.dynamicMode != 0 ? " - DYNAMIC" : " - STATIIC");
    f.Log().EndLine();
  }
  const Status stored =
      StoreOccupation(f, o.occupationNumber, f.Identity().markerName, f.Identity().markerNumber);
  if (stored != Status::Ok) return stored;
  if (o.antennaHeightChanged) {
    o.antenna.antennaOccupationNumber = o.occupationNumber;
    const Status block = StoreAntennaBlock(f, o.antenna);
    if (block != Status::Ok) return block;
  }
  o.dynamicsChanged = o.antennaTypeChanged = o.antennaHeightChanged = o.authenticated = false;
  o.handOff.Recorded();
  return Status::Ok;
}

Status StoreOccupation(TQZRFile& f, std::int16_t number, const std::string& markerName,
                       const std::string& markerNumber) {
  // Events stored before any occupation was recorded (during the first
  // epoch, or after the only occupation was cancelled) belong to this one;
  // left without one, the writer would never reach them.
  const bool first = !f.Collected().records.HasOccupations();
  DataOccup& record = f.Collected().records.OccupationToWrite();
  if (first) f.Collected().records.AdoptUnownedEvents(record);
  record.antenna = f.Occupation().antenna;
  record.number = number;
  record.markerName = markerName.substr(0, TQZRFile::kMarkerNameLength);
  record.markerNumber = markerNumber.substr(0, TQZRFile::kMarkerNumberLength);
  if (f.Occupation().authenticated) record.occupationFlags |= kOccupationAuthenticated;
  f.Collected().records.ResetEpochsInOccupation();
  return Status::Ok;
}

Status StoreAntennaBlock(TQZRFile& f, const AntennaBlock& block) {
  f.Collected().records.OccupationToWrite().antenna = block;
  f.Collected().records.ResetEpochsInOccupation();
  return Status::Ok;
}

Status StoreEvent(TQZRFile& f, std::uint8_t port, std::uint32_t msOfDay, std::uint32_t nanoseconds,
                  std::uint16_t timeBase) {
  // The added nanoseconds may exceed a second: carry them.
  const std::uint64_t ns = std::uint64_t{msOfDay % kMsPerSecond} * kNsPerMs + nanoseconds;
  DataEvent event;
  event.seconds = static_cast<std::uint32_t>(
      msOfDay / kMsPerSecond + std::uint64_t{f.Clock().epochDay} * kSecondsPerDay + ns / kNsPerSecond);
  event.nanoseconds = static_cast<std::uint32_t>(ns % kNsPerSecond);
  if (f.Window().windowGiven && !InsideWindow(f.Window().windowStart, f.Window().windowFinish,
                                              TGPSTimeNS(event.seconds, event.nanoseconds))) {
    return Status::Ok;
  }
  event.port = port == kPortA ? kPortA : kPortB;
  event.timeBase = timeBase;
  event.occupation = f.Collected().records.CurrentOccupation();
  f.Collected().records.AppendEvent(event);
  return Status::Ok;
}

Status DeleteOccupation(TQZRFile& f, std::int16_t number) {
  StoredRecords& r = f.Collected().records;
  if (!r.HasOccupations()) return Status::Ok;
  const auto& occupations = r.Occupations();
  std::size_t match = 0;
  while (match < occupations.size() && occupations[match].number != number) ++match;
  if (match == occupations.size()) return Status::Ok;

  // The match and everything recorded after it go.
  std::unordered_set<const DataOccup*> removed;
  for (std::size_t i = match; i < occupations.size(); ++i) removed.insert(&occupations[i]);
  const auto isRemoved = [&](const DataOccup* o) { return removed.count(o) != 0; };

  const std::vector<DataEpoch>& epochs = r.Epochs();
  // Epochs are compacted in place while they are walked: keep the times
  // needed later as values, and look ahead only (not yet moved).
  bool haveKept = false;
  TGPSTimeNS lastKept;
  r.RemoveEpochs([&](const DataEpoch& e, std::size_t i) {
    if (!isRemoved(e.occupation)) {
      haveKept = true;
      lastKept = TGPSTimeNS(e.seconds, e.nanoseconds);
      return false;
    }
    const bool hasSuccessor = i + 1 < epochs.size();
    const auto sameTime = [&](const TGPSTimeNS& t) { return t == TGPSTimeNS(e.seconds, e.nanoseconds); };
    if (sameTime(f.Statistics().firstInputTime) && hasSuccessor) {
      f.Statistics().firstInputTime = TGPSTimeNS(epochs[i + 1].seconds, epochs[i + 1].nanoseconds);
    }
    if (f.Statistics().inputEpochCount > 0) --f.Statistics().inputEpochCount;
    if (sameTime(f.Statistics().firstOutputTime) && hasSuccessor) {
      f.Statistics().firstOutputTime = TGPSTimeNS(epochs[i + 1].seconds, epochs[i + 1].nanoseconds);
    }
    if (f.Statistics().outputEpochCount > 0) --f.Statistics().outputEpochCount;
    if (haveKept) {
      if (sameTime(f.Statistics().lastInputTime)) f.Statistics().lastInputTime = lastKept;
      if (sameTime(f.Statistics().lastOutputTime)) f.Statistics().lastOutputTime = lastKept;
    }
    DumpDeleted(f, "epoch", e.seconds, e.nanoseconds);
    return true;
  });
  if (!r.HasEpochs()) f.Selection().nextEpochIsFirst = true;

  for (const std::uint8_t port : {kPortA, kPortB}) {
    std::vector<DataEvent>& events = r.Events(port);
    std::size_t kept = 0;
    for (const DataEvent& e : events) {
      if (isRemoved(e.occupation)) {
        DumpDeleted(f, port == kPortA ? "Event XA " : "Event XB ", e.seconds, e.nanoseconds);
      } else {
        events[kept++] = e;
      }
    }
    events.resize(kept);
  }

  while (r.Occupations().size() > match) r.RemoveLastOccupation();
  return Status::Ok;
}

}  // namespace qzr2rin
