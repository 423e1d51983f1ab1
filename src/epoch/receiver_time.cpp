#include "epoch/receiver_time.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnReceiverTime(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnReceiverDate(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnReferenceEpoch(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
