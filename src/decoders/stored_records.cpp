#include "decoders/stored_records.h"

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
