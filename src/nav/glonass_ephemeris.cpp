#include "nav/glonass_ephemeris.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnGlonassEphemeris(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
