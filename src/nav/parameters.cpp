#include "nav/parameters.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnIonosphere(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnGpsUtc(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnGeoUtc(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnClockOffset(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnClockDrift(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
