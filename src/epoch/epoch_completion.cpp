#include "epoch/epoch_completion.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status CloseEpoch(TQZRFile& f, EpochSource source) {
  EpochInProgress& e = source == EpochSource::Raw ? f.raw : f.epoch;
  e.ClearSlots();
  f.epochExtras = EpochExtras{};
  return Status::Ok;
}

}  // namespace qzr2rin
