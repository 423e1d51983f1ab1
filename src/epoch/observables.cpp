#include "epoch/observables.h"

#include "input/qzr_file.h"

namespace qzr2rin {

Status OnFullPseudorange(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnRelativePseudorange(TQZRFile& /*f*/, Body /*body*/, int /*variant*/) { return Status::Ok; }
Status OnShortPseudorange(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnShortRelativePseudorange(TQZRFile& /*f*/, Body /*body*/, int /*variant*/) { return Status::Ok; }
Status OnFullCarrierPhase(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnShortCarrierPhase(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnRelativeCarrierPhase(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnShortRelativeCarrierPhase(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnDoppler(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnSmoothingCorrection(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnShortSmoothingCorrection(TQZRFile& /*f*/, Body /*body*/, int /*signal*/) { return Status::Ok; }
Status OnSignalToNoise(TQZRFile& /*f*/, Body /*body*/, int /*signal*/, int /*variant*/) { return Status::Ok; }
Status OnAcceptedObservable(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnTimeCorrection(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnElevation(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnAzimuth(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnPosition(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnPositionVelocity(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnVelocity(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }
Status OnDilutionOfPrecision(TQZRFile& /*f*/, Body /*body*/) { return Status::Ok; }

}  // namespace qzr2rin
