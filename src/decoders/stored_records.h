#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "decoders/epoch_data.h"
#include "decoders/occupation_state.h"

namespace qzr2rin {

inline constexpr std::int32_t kOccupationAuthenticated = 0x01;

// One recorded occupation (site), in recording order.
struct DataOccup {
  std::int16_t number = 0;
  std::string markerName;    // at most 60 characters
  std::string markerNumber;  // at most 20 characters
  AntennaBlock antenna;
  std::int32_t occupationFlags = 0;  // kOccupationAuthenticated
};

// Bits of DataEpoch::epochFlags.
inline constexpr std::int32_t kEpochDynamic = 0x40;
inline constexpr std::int32_t kEpochClockOffset = 0x80;

// One stored satellite: the sets that hold data, packed to the front in
// signal order; unused sets are zero. The channel sits in the padding after
// the id, so a day of records grows by nothing.
struct EpochSatellite {
  std::uint8_t satelliteId = 0;
  std::int8_t frequencyChannel = kNoChannel;  // GLONASS channel; kNoChannel for the others
  std::array<SignalSlot, kSignalCount> sets{};
};

// The stored satellites, in blocks that never move: a long log grows the
// store without copying it and touches every page once.
class SatelliteStore {
 public:
  static constexpr std::size_t kBlockBits = 14;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  EpochSatellite& operator[](std::size_t i) { return blocks_[i >> kBlockBits][i & (kBlockSize - 1)]; }
  const EpochSatellite& operator[](std::size_t i) const {
    return blocks_[i >> kBlockBits][i & (kBlockSize - 1)];
  }
  // A zeroed record at the end.
  EpochSatellite& emplace_back() {
    if (size_ == blocks_.size() * kBlockSize)
      blocks_.push_back(std::make_unique<EpochSatellite[]>(kBlockSize));
    return (*this)[size_++];
  }
  // Keeps the first `count` records (never more than there are).
  void shrink(std::size_t count);

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = EpochSatellite;
    using difference_type = std::ptrdiff_t;
    using pointer = const EpochSatellite*;
    using reference = const EpochSatellite&;
    const_iterator() = default;
    const_iterator(const SatelliteStore* store, std::size_t at) : store_(store), at_(at) {}
    reference operator*() const { return (*store_)[at_]; }
    pointer operator->() const { return &(*store_)[at_]; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return at_ == other.at_; }

   private:
    const SatelliteStore* store_ = nullptr;
    std::size_t at_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

 private:
  std::vector<std::unique_ptr<EpochSatellite[]>> blocks_;
  std::size_t size_ = 0;
};

// One stored epoch; its satellites are `satelliteCount` consecutive records
// from `firstSatellite` in the satellite store.
struct DataEpoch {
  DataOccup* occupation = nullptr;
  std::uint32_t seconds = 0;  // GPS seconds
  std::uint32_t nanoseconds = 0;
  std::array<double, 3> position{};
  std::int32_t epochFlags = 0;
  double clockOffset = 0;
  std::uint32_t satelliteCount = 0;
  std::uint32_t firstSatellite = 0;
};

// Event inputs.
inline constexpr std::uint8_t kPortA = 1;
inline constexpr std::uint8_t kPortB = 2;

// Time bases of external events (low four bits).
inline constexpr std::uint16_t kTimeBaseGps = 0;
inline constexpr std::uint16_t kTimeBaseUtcUsno = 1;
inline constexpr std::uint16_t kTimeBaseGlonass = 2;
inline constexpr std::uint16_t kTimeBaseUtcSu = 3;
inline constexpr std::uint16_t kTimeBaseUnknown = 15;

// One external event.
struct DataEvent {
  std::uint32_t seconds = 0;  // recorded time, in the event's own time base
  std::uint32_t nanoseconds = 0;
  std::uint32_t outSeconds = 0;  // output time, set at the end of the run
  std::uint32_t outNanoseconds = 0;
  std::uint8_t port = kPortA;
  std::uint16_t timeBase = kTimeBaseGps;
  bool converted = false;  // the output time is GPS time
  DataOccup* occupation = nullptr;
};

// Everything the second run collects for the observation file. Epoch and
// satellite records live in two contiguous stores; occupations keep their
// addresses (epochs and events point at them) because only the last one is
// ever removed. Writers read them through an ObservationSet.
class StoredRecords {
 public:
  // -- Occupations.
  bool HasOccupations() const { return !occupations_.empty(); }
  const std::deque<DataOccup>& Occupations() const { return occupations_; }
  DataOccup* CurrentOccupation() { return currentOccupation_; }
  const DataOccup* CurrentOccupation() const { return currentOccupation_; }
  // The record an occupation or antenna block is written to: a new one when
  // the list is empty or the current one has epochs, else the current one.
  DataOccup& OccupationToWrite();
  void ResetEpochsInOccupation() { epochsInOccupation_ = 0; }
  // Removes the last occupation; the one before it becomes current, with
  // the count of the epochs stored under it.
  void RemoveLastOccupation();

  // -- Epochs.
  bool HasEpochs() const { return !epochs_.empty(); }
  std::size_t EpochCount() const { return epochs_.size(); }
  const std::vector<DataEpoch>& Epochs() const { return epochs_; }
  // A new epoch at the tail, under the current occupation; then its
  // satellites are added with AddSatellite.
  DataEpoch& AppendEpoch();
  EpochSatellite& AddSatellite();
  const SatelliteStore& Satellites() const { return satellites_; }
  // Drops every epoch (and its satellites) for which `remove` says so,
  // keeping the order of the rest.
  template <class Predicate>
  void RemoveEpochs(Predicate remove);

  // -- Events, one list per input.
  std::vector<DataEvent>& Events(std::uint8_t port) { return port == kPortA ? eventsA_ : eventsB_; }
  const std::vector<DataEvent>& Events(std::uint8_t port) const {
    return port == kPortA ? eventsA_ : eventsB_;
  }
  void AppendEvent(const DataEvent& event) { Events(event.port).push_back(event); }
  // Gives the events stored under no occupation to this one.
  void AdoptUnownedEvents(DataOccup& occupation);

  // Marker and antenna of an occupation; none means the first one.
  const std::string& MarkerNameOf(const DataOccup* occupation) const;
  const std::string& MarkerNumberOf(const DataOccup* occupation) const;
  AntennaBlock AntennaBlockOf(const DataOccup* occupation) const;

  void Clear();

 private:
  const DataOccup* OrFirst(const DataOccup* occupation) const {
    return occupation != nullptr ? occupation : (occupations_.empty() ? nullptr : &occupations_.front());
  }

  std::deque<DataOccup> occupations_;
  DataOccup* currentOccupation_ = nullptr;
  std::uint32_t epochsInOccupation_ = 0;

  std::vector<DataEpoch> epochs_;
  SatelliteStore satellites_;

  std::vector<DataEvent> eventsA_;
  std::vector<DataEvent> eventsB_;
};

template <class Predicate>
void StoredRecords::RemoveEpochs(Predicate remove) {
  std::size_t keptEpochs = 0;
  std::size_t keptSatellites = 0;
  for (std::size_t i = 0; i < epochs_.size(); ++i) {
    DataEpoch epoch = epochs_[i];
    if (remove(epoch, i)) continue;
    // Satellites move down only, so copying forward in place is safe.
    for (std::uint32_t k = 0; k < epoch.satelliteCount; ++k) {
      satellites_[keptSatellites + k] = satellites_[epoch.firstSatellite + k];
    }
    epoch.firstSatellite = static_cast<std::uint32_t>(keptSatellites);
    keptSatellites += epoch.satelliteCount;
    epochs_[keptEpochs++] = epoch;
  }
  epochs_.resize(keptEpochs);
  satellites_.shrink(keptSatellites);
}

}  // namespace qzr2rin
