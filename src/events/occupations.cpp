#include "events/occupations.h"

#include "epoch/epoch_completion.h"
#include "input/qzr_file.h"

namespace qzr2rin {

Status CloseOccupation(TQZRFile& f) {
  f.occupation.handOffArmed = true;
  return CloseEpoch(f, EpochSource::Observables);
}

}  // namespace qzr2rin
