#include "support/observation_sets.h"

namespace qzrtest {

qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records) {
  static const qzr2rin::EphemerisStore kNoEphemerides;
  return qzr2rin::ObservationSet(records, kNoEphemerides, qzr2rin::HeaderFacts{},
                                 qzr2rin::TProfile("QZR2RIN", ""), records.CurrentOccupation());
}

}  // namespace qzrtest
