#include "epoch/receiver_time.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnReceiverTime(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnReceiverDate(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnReferenceEpoch(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnDerivedDate(TQZRFile& /*f*/, Body /*date*/) { return Status::Ok; }
Status DecodeWeekOrDay(TQZRFile& /*f*/, std::uint16_t /*packed*/, std::uint32_t /*referenceMs*/) { return Status::Ok; }
Status ApplyFirstDate(TQZRFile& f, std::uint32_t day) {
  f.epochDay = day;
  return Status::Ok;
}
std::uint32_t ResolveDayOfMonth(unsigned /*dayOfMonth*/, unsigned /*year*/, unsigned /*month*/, unsigned /*today*/) {
  return 0;
}

}  // namespace qzr2rin
