#include "epoch/satellite_list.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnSatelliteIndex(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnGlonassNumbers(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnSatelliteStatus(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
