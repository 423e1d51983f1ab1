#include "epoch/authentication.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnSignature(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

Status OnIgnoredMessage(TQZRFile& f, Body /*body*/) {
  return f.MessageAccepted() ? Status::Ok : Status::BadChecksum;
}

}  // namespace qzr2rin
