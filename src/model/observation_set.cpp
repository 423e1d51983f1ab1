#include "model/observation_set.h"

#include <algorithm>
#include <iterator>

#include "decoders/authentication.h"
#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

TGPSTimeNS TimeOf(const DataEpoch& epoch) { return {epoch.seconds, epoch.nanoseconds}; }
TGPSTimeNS TimeOf(const DataEvent& event) { return {event.outSeconds, event.outNanoseconds}; }

std::vector<DataEvent> EventsWithin(std::span<const DataEvent> events, const TGPSTimeNS& from,
                                    const TGPSTimeNS& to) {
  std::vector<DataEvent> within;
  for (const DataEvent& event : events) {
    if (!(TimeOf(event) < from) && TimeOf(event) < to) within.push_back(event);
  }
  return within;
}

}  // namespace

ObservationSet ObservationSet::Slice(const TGPSTimeNS& from, const TGPSTimeNS& to) const {
  ObservationSet slice(*this);
  // Stored epochs are in strictly increasing time order.
  const auto begin = std::partition_point(epochs_.begin(), epochs_.end(),
                                          [&](const DataEpoch& e) { return TimeOf(e) < from; });
  const auto end =
      std::partition_point(begin, epochs_.end(), [&](const DataEpoch& e) { return TimeOf(e) < to; });
  slice.epochs_ = std::span<const DataEpoch>(begin, end);

  auto events = std::make_shared<SliceEvents>();
  (*events)[0] = EventsWithin(eventsA_, from, to);
  (*events)[1] = EventsWithin(eventsB_, from, to);
  slice.eventsA_ = (*events)[0];
  slice.eventsB_ = (*events)[1];
  slice.sliceEvents_ = std::move(events);

  if (slice.epochs_.size() == epochs_.size()) return slice;
  HeaderFacts& h = slice.header_;
  if (begin == end) {
    h.firstTime = h.lastTime = h.firstObservation = h.lastObservation = TGPSTimeNS();
    slice.satellites_ = {0, 0};
  } else {
    const DataEpoch& last = *std::prev(end);
    h.firstTime = h.firstObservation = TimeOf(*begin);
    h.lastTime = h.lastObservation = TimeOf(last);
    slice.satellites_ = {begin->firstSatellite,
                         std::size_t{last.firstSatellite} + last.satelliteCount - begin->firstSatellite};
  }
  // Past the set's last epoch the run's end occupation holds; before it, the
  // occupation of the epoch the slice ends with (or, empty, lies at).
  if (end != epochs_.end())
    slice.endOccupation_ = (end != epochs_.begin() ? std::prev(end) : end)->occupation;
  return slice;
}

GlonassChannelTable ObservationSet::GlonassChannels() const {
  GlonassChannelTable channels;
  channels.fill(kNoChannel);
  for (const EpochSatellite& s : Satellites()) {
    const auto slot = static_cast<std::size_t>(NumberOf(s.satelliteId));
    if (SystemOf(s.satelliteId) == kSystemGlonass && slot != 0 && slot < channels.size())
      channels[slot] = s.frequencyChannel;
  }
  return channels;
}

std::int8_t ObservationSet::GlonassChannelOf(int slot) const {
  const GlonassChannelTable channels = GlonassChannels();
  return slot > 0 && static_cast<std::size_t>(slot) < channels.size()
             ? channels[static_cast<std::size_t>(slot)]
             : kNoChannel;
}

ObservationSet CollectObservations(const TQZRFile& f) {
  HeaderFacts h;
  h.inputName = f.Options().inputFile;
  h.receiverNumber = f.Identity().headerReceiverNumber;
  h.receiverType = f.Identity().headerReceiverType;
  h.receiverVersion = f.Identity().headerReceiverVersion;
  h.antennaNumber = f.Identity().antennaNumber;
  h.antennaType = f.Identity().antennaType;
  h.gps = f.Statistics().seenGps;
  h.glonass = f.Statistics().seenGlonass;
  h.geo = f.Statistics().seenWaas;
  h.intervalMs = f.Statistics().outputIntervalMs;
  h.firstTime = f.Statistics().firstOutputTime;
  h.lastTime = f.Statistics().lastOutputTime;
  GetObservationSpan(f, h.firstObservation, h.lastObservation);
  h.leapSeconds = GetHeaderLeapSeconds(f);
  h.timeSystem = GetTimeSystemName(f);
  h.iono = f.Collected().iono;
  h.gpsUtc = f.Collected().gpsUtc;
  h.geoUtc = f.Collected().geoUtc;
  return ObservationSet(f.Collected().records, f.Collected().ephemerides, std::move(h), f.Profile(),
                        f.Collected().records.CurrentOccupation());
}

}  // namespace qzr2rin
