#include "input/identification.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnIdentification(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnMessageFormat(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnParameters(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
