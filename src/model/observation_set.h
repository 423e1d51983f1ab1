#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/constants.h"
#include "decoders/ephemeris_store.h"
#include "decoders/parameter_sets.h"
#include "decoders/stored_records.h"
#include "input/profile.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

class TQZRFile;

// The facts of one conversion that a file header shows.
struct HeaderFacts {
  std::string inputName;  // as given on the command line
  std::string receiverNumber;
  std::string receiverType;
  std::string receiverVersion;
  std::string antennaNumber;  // the log's own; a profile may override both
  std::string antennaType;
  bool gps = false;  // systems that occurred in the log
  bool glonass = false;
  bool geo = false;
  std::int32_t intervalMs = 0;  // the output's interval; 0 when unknown
  TGPSTimeNS firstTime;         // of the first and last written epoch
  TGPSTimeNS lastTime;
  TGPSTimeNS firstObservation;  // for the header's span: both 0 without epochs
  TGPSTimeNS lastObservation;
  int leapSeconds = 0;          // for the header; 0: no line
  std::string_view timeSystem;  // "GPS": the receiver keeps GPS time
  // The latest parameter sets, for the navigation headers.
  IonoParameters iono;
  GpsUtcParameters gpsUtc;
  GeoUtcParameters geoUtc;
};

// Frequency channels by GLONASS slot (1..kGlonassSatellites; 0 is unused);
// kNoChannel where a slot does not occur.
using GlonassChannelTable = std::array<std::int8_t, kGlonassSatellites + 1>;

// Consecutive records of the satellite store.
class SatelliteRange {
 public:
  SatelliteRange(const SatelliteStore& store, std::size_t first, std::size_t count)
      : store_(&store), first_(first), count_(count) {}
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const EpochSatellite& operator[](std::size_t i) const { return (*store_)[first_ + i]; }
  SatelliteStore::const_iterator begin() const { return {store_, first_}; }
  SatelliteStore::const_iterator end() const { return {store_, first_ + count_}; }

 private:
  const SatelliteStore* store_;
  std::size_t first_;
  std::size_t count_;
};

// What one conversion collected, as the writers see it: made once the run
// is over and read-only from then on. The records and ephemerides are views
// into the converter's stores, which must outlive the set (and every slice
// of it); of them nothing is copied.
class ObservationSet {
 public:
  ObservationSet(const StoredRecords& records, const EphemerisStore& ephemerides, HeaderFacts header,
                 TProfile profile, const DataOccup* endOccupation)
      : records_(&records),
        ephemerides_(&ephemerides),
        header_(std::move(header)),
        profile_(std::move(profile)),
        endOccupation_(endOccupation),
        epochs_(records.Epochs()),
        eventsA_(records.Events(kPortA)),
        eventsB_(records.Events(kPortB)),
        satellites_(0, records.Satellites().size()) {}

  // The epochs, events and site changes whose time lies in [from, to), over
  // the same stores; the header's first and last times are the slice's own
  // (0 when it holds no epoch). A slice that holds every epoch has the
  // set's header. Events go by their output time.
  ObservationSet Slice(const TGPSTimeNS& from, const TGPSTimeNS& to) const;

  const HeaderFacts& Header() const { return header_; }
  // Reads the file again at every lookup, so a header written later sees an
  // edit made meanwhile, as the converter's own profile would.
  const TProfile& Profile() const { return profile_; }

  std::span<const DataEpoch> Epochs() const { return epochs_; }
  // The satellites of the epochs, in stored order: every stored satellite
  // belongs to a stored epoch (removal compacts the store), so a walk over
  // this finds all that the epochs hold.
  SatelliteRange Satellites() const {
    return SatelliteRange(records_->Satellites(), satellites_.first, satellites_.second);
  }
  // The satellites of an epoch, in stored order.
  const EpochSatellite& SatelliteOf(const DataEpoch& epoch, std::uint32_t k) const {
    return records_->Satellites()[epoch.firstSatellite + k];
  }
  // The channel each GLONASS slot was last stored with, in one walk over
  // the satellites (each call walks them: take the table for many slots);
  // a stored satellite carries its own channel as well.
  GlonassChannelTable GlonassChannels() const;
  std::int8_t GlonassChannelOf(int slot) const;
  // One list per event input, in recording order.
  std::span<const DataEvent> Events(std::uint8_t port) const { return port == kPortA ? eventsA_ : eventsB_; }
  const std::deque<DataOccup>& Occupations() const { return records_->Occupations(); }
  // The occupation the run ended in (the one a file without epochs shows);
  // for a slice, the one it ends in.
  const DataOccup* EndOccupation() const { return endOccupation_; }

  // Marker and antenna of an occupation; null means the first one.
  const std::string& MarkerNameOf(const DataOccup* occupation) const {
    return records_->MarkerNameOf(occupation);
  }
  const std::string& MarkerNumberOf(const DataOccup* occupation) const {
    return records_->MarkerNumberOf(occupation);
  }
  AntennaBlock AntennaBlockOf(const DataOccup* occupation) const {
    return records_->AntennaBlockOf(occupation);
  }

  // Accepted ephemerides per satellite, each list in order of arrival.
  const EphemerisStore& Ephemerides() const { return *ephemerides_; }

 private:
  // The events of a slice, chosen by time: a list need not be in time order.
  using SliceEvents = std::array<std::vector<DataEvent>, 2>;

  const StoredRecords* records_;
  const EphemerisStore* ephemerides_;
  HeaderFacts header_;
  TProfile profile_;
  const DataOccup* endOccupation_;
  std::span<const DataEpoch> epochs_;
  std::shared_ptr<const SliceEvents> sliceEvents_;  // shared by copies, so the spans stay valid
  std::span<const DataEvent> eventsA_;
  std::span<const DataEvent> eventsB_;
  std::pair<std::size_t, std::size_t> satellites_;  // first and count
};

// The set of a finished conversion.
ObservationSet CollectObservations(const TQZRFile& f);

}  // namespace qzr2rin
