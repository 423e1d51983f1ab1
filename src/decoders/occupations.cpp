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
void DumpDeleted(DumpLog& log, const char* what, std::uint32_t seconds, std::uint32_t nanoseconds) {
  if (!log.Enabled()) return;
  const TGPSTime t(seconds);
  const DayTime ofDay = SplitSecondOfDay(t.SecondOfDay());
  log.Printf(" Delete %s %02uY%02uM%02uD  %u:%u:%10.7lf", what, TwoDigitYear(t.Year(0)),
             static_cast<unsigned>(t.Month(0)), t.Day(0), ofDay.hours, ofDay.minutes,
             ofDay.seconds + nanoseconds * kSecondsPerNs);
  log.EndLine();
}

void GiveName(OccupationState& o, ReceiverIdentity& identity, bool kinematic) {
  ++o.occupationNumber;
  if (o.userNamed) {
    o.baseMarkerName = identity.markerName.substr(0, kBaseNameLength);
    o.kinematicCounter = 1;
    o.staticCounter = 1;
  } else {
    std::int32_t& counter = kinematic ? o.kinematicCounter : o.staticCounter;
    identity.markerName =
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

void NameOccupation(OccupationState& o, bool kinematic) { o.naming.Ask(kinematic); }

Status RecordOccupation(OccupationState& o, ReceiverIdentity& identity, StoredRecords& records,
                        DumpLog& log) {
  if (const NamingRequest naming = o.naming.Take(); naming.Due()) GiveName(o, identity, naming.Kinematic());
  o.epochFlagByte =
      static_cast<std::uint8_t>((o.epochFlagByte & ~kDynamicMode) | (o.dynamicMode & kDynamicMode));
  if (log.Enabled()) {
    log.Write(" Write Occupation:");
    log.Write(identity.markerName);
    log.Write(o.dynamicMode != 0 ? " - DYNAMIC" : " - STATIIC");
    log.EndLine();
  }
  const Status stored =
      StoreOccupation(records, o, o.occupationNumber, identity.markerName, identity.markerNumber);
  if (stored != Status::Ok) return stored;
  if (o.antennaHeightChanged) {
    o.antenna.antennaOccupationNumber = o.occupationNumber;
    const Status block = StoreAntennaBlock(records, o.antenna);
    if (block != Status::Ok) return block;
  }
  o.dynamicsChanged = o.antennaTypeChanged = o.antennaHeightChanged = o.authenticated = false;
  o.handOff.Recorded();
  return Status::Ok;
}

Status StoreOccupation(StoredRecords& records, const OccupationState& o, std::int16_t number,
                       const std::string& markerName, const std::string& markerNumber) {
  // Events stored before any occupation was recorded (during the first
  // epoch, or after the only occupation was cancelled) belong to this one;
  // left without one, the writer would never reach them.
  const bool first = !records.HasOccupations();
  DataOccup& record = records.OccupationToWrite();
  if (first) records.AdoptUnownedEvents(record);
  record.antenna = o.antenna;
  record.number = number;
  record.markerName = markerName.substr(0, ReceiverIdentity::kMarkerNameLength);
  record.markerNumber = markerNumber.substr(0, ReceiverIdentity::kMarkerNumberLength);
  if (o.authenticated) record.occupationFlags |= kOccupationAuthenticated;
  records.ResetEpochsInOccupation();
  return Status::Ok;
}

Status StoreAntennaBlock(StoredRecords& records, const AntennaBlock& block) {
  records.OccupationToWrite().antenna = block;
  records.ResetEpochsInOccupation();
  return Status::Ok;
}

Status StoreEvent(StoredRecords& records, const ReceiverClock& clock, const TimeWindow& window,
                  std::uint8_t port, std::uint32_t msOfDay, std::uint32_t nanoseconds,
                  std::uint16_t timeBase) {
  // The added nanoseconds may exceed a second: carry them.
  const std::uint64_t ns = std::uint64_t{msOfDay % kMsPerSecond} * kNsPerMs + nanoseconds;
  DataEvent event;
  event.seconds = static_cast<std::uint32_t>(
      msOfDay / kMsPerSecond + std::uint64_t{clock.epochDay} * kSecondsPerDay + ns / kNsPerSecond);
  event.nanoseconds = static_cast<std::uint32_t>(ns % kNsPerSecond);
  if (window.windowGiven &&
      !InsideWindow(window.windowStart, window.windowFinish, TGPSTimeNS(event.seconds, event.nanoseconds))) {
    return Status::Ok;
  }
  event.port = port == kPortA ? kPortA : kPortB;
  event.timeBase = timeBase;
  event.occupation = records.CurrentOccupation();
  records.AppendEvent(event);
  return Status::Ok;
}

Status DeleteOccupation(StoredRecords& r, RunStatistics& statistics, EpochSelection& selection, DumpLog& log,
                        std::int16_t number) {
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
    if (sameTime(statistics.firstInputTime) && hasSuccessor) {
      statistics.firstInputTime = TGPSTimeNS(epochs[i + 1].seconds, epochs[i + 1].nanoseconds);
    }
    if (statistics.inputEpochCount > 0) --statistics.inputEpochCount;
    if (sameTime(statistics.firstOutputTime) && hasSuccessor) {
      statistics.firstOutputTime = TGPSTimeNS(epochs[i + 1].seconds, epochs[i + 1].nanoseconds);
    }
    if (statistics.outputEpochCount > 0) --statistics.outputEpochCount;
    if (haveKept) {
      if (sameTime(statistics.lastInputTime)) statistics.lastInputTime = lastKept;
      if (sameTime(statistics.lastOutputTime)) statistics.lastOutputTime = lastKept;
    }
    DumpDeleted(log, "epoch", e.seconds, e.nanoseconds);
    return true;
  });
  if (!r.HasEpochs()) selection.nextEpochIsFirst = true;

  for (const std::uint8_t port : {kPortA, kPortB}) {
    std::vector<DataEvent>& events = r.Events(port);
    std::size_t kept = 0;
    for (const DataEvent& e : events) {
      if (isRemoved(e.occupation)) {
        DumpDeleted(log, port == kPortA ? "Event XA " : "Event XB ", e.seconds, e.nanoseconds);
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
