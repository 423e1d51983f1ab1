#include "events/events.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnUserEvent(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnExternalEvent(TQZRFile& /*f*/, Body /*body*/, int /*variant*/) { return Status::Ok; }

}  // namespace qzr2rin
