#include "epoch/raw_measurements.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnRawMeasurements(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
