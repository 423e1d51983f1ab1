#include "events/stored_records.h"

#include <algorithm>

namespace qzr2rin {

DataOccup& StoredRecords::OccupationToWrite() {
  if (occupations_.empty() || epochsInOccupation_ != 0) {
    occupations_.emplace_back();
    currentOccupation_ = &occupations_.back();
  } else if (currentOccupation_ == nullptr) {
    currentOccupation_ = &occupations_.back();
  }
  return *currentOccupation_;
}

void StoredRecords::RemoveLastOccupation() {
  if (occupations_.empty()) return;
  occupations_.pop_back();
  currentOccupation_ = occupations_.empty() ? nullptr : &occupations_.back();
  // The next record must not overwrite an occupation that holds epochs.
  epochsInOccupation_ = 0;
  for (const DataEpoch& epoch : epochs_) {
    if (epoch.occupation == currentOccupation_ && currentOccupation_ != nullptr) ++epochsInOccupation_;
  }
}

void StoredRecords::AdoptUnownedEvents(DataOccup& occupation) {
  for (std::vector<DataEvent>* events : {&eventsA_, &eventsB_}) {
    for (DataEvent& event : *events) {
      if (event.occupation == nullptr) event.occupation = &occupation;
    }
  }
}

DataEpoch& StoredRecords::AppendEpoch() {
  DataEpoch& epoch = epochs_.emplace_back();
  epoch.occupation = currentOccupation_;
  epoch.firstSatellite = static_cast<std::uint32_t>(satellites_.size());
  ++epochsInOccupation_;
  currentEpoch_ = epochs_.size() - 1;
  return epoch;
}

void SatelliteStore::shrink(std::size_t count) {
  if (count >= size_) return;
  // Records past the end are kept zeroed, ready for emplace_back.
  const std::size_t blocks = (count + kBlockSize - 1) / kBlockSize;
  for (std::size_t i = count; i < std::min(size_, blocks * kBlockSize); ++i) (*this)[i] = EpochSatellite{};
  blocks_.resize(blocks);
  size_ = count;
}

EpochSatellite& StoredRecords::AddSatellite() {
  ++epochs_.back().satelliteCount;
  return satellites_.emplace_back();
}

void StoredRecords::FirstEpoch() {
  currentEpoch_ = epochs_.empty() ? kNone : 0;
  cursorSatellite_ = kNone;
  if (currentEpoch_ != kNone) currentOccupation_ = epochs_[0].occupation;
}

void StoredRecords::NextEpoch() {
  if (currentEpoch_ == kNone) return;
  ++currentEpoch_;
  cursorSatellite_ = kNone;
  if (currentEpoch_ < epochs_.size()) {
    currentOccupation_ = epochs_[currentEpoch_].occupation;
  } else {
    currentEpoch_ = kNone;
  }
}

void StoredRecords::FirstSatellite() {
  const DataEpoch* epoch = CurrentEpoch();
  cursorSatellite_ = (epoch != nullptr && epoch->satelliteCount > 0) ? 0 : kNone;
}

void StoredRecords::NextSatellite() {
  const DataEpoch* epoch = CurrentEpoch();
  if (epoch == nullptr || cursorSatellite_ == kNone) return;
  ++cursorSatellite_;
  if (cursorSatellite_ >= epoch->satelliteCount) cursorSatellite_ = kNone;
}

const EpochSatellite* StoredRecords::CurrentSatellite() const {
  const DataEpoch* epoch = CurrentEpoch();
  if (epoch == nullptr || cursorSatellite_ == kNone) return nullptr;
  return &satellites_[epoch->firstSatellite + cursorSatellite_];
}

void StoredRecords::FirstEventOf(std::uint8_t port, const DataOccup* occupation) {
  const std::vector<DataEvent>& events = Events(port);
  std::size_t& cursor = port == kPortA ? cursorA_ : cursorB_;
  cursor = kNone;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].occupation == occupation) {
      cursor = i;
      return;
    }
  }
}

const DataEvent* StoredRecords::CurrentEventOf(std::uint8_t port, const DataOccup* occupation) const {
  const std::vector<DataEvent>& events = Events(port);
  const std::size_t cursor = port == kPortA ? cursorA_ : cursorB_;
  if (cursor >= events.size() || events[cursor].occupation != occupation) return nullptr;
  return &events[cursor];
}

void StoredRecords::NextEvent(std::uint8_t port) {
  std::size_t& cursor = port == kPortA ? cursorA_ : cursorB_;
  if (cursor == kNone) return;
  if (++cursor >= Events(port).size()) cursor = kNone;
}

void StoredRecords::EventCursorToLast(std::uint8_t port) {
  const std::vector<DataEvent>& events = Events(port);
  (port == kPortA ? cursorA_ : cursorB_) = events.empty() ? kNone : events.size() - 1;
}

namespace {
const std::string kEmpty;
}

const std::string& StoredRecords::MarkerNameOf(const DataOccup* occupation) const {
  const DataOccup* o = OrFirst(occupation);
  return o != nullptr ? o->markerName : kEmpty;
}

const std::string& StoredRecords::MarkerNumberOf(const DataOccup* occupation) const {
  const DataOccup* o = OrFirst(occupation);
  return o != nullptr ? o->markerNumber : kEmpty;
}

AntennaBlock StoredRecords::AntennaBlockOf(const DataOccup* occupation) const {
  const DataOccup* o = OrFirst(occupation);
  return o != nullptr ? o->antenna : AntennaBlock{};
}

void StoredRecords::Clear() { *this = StoredRecords(); }

}  // namespace qzr2rin
