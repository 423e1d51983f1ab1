#pragma once

#include "model/observation_set.h"

namespace qzrtest {

// A set over bare records, as the sequencing and the summary see them: no
// ephemerides, no profile, no header facts; the occupation the records end
// in.
qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records);

}  // namespace qzrtest
