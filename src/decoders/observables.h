#pragma once

#include <cstddef>

#include "base/status.h"
#include "decoders/epoch_data.h"
#include "decoders/message_dump.h"
#include "input/body_reader.h"
#include "input/dump_log.h"
#include "input/message_stream.h"

namespace qzr2rin {

class TQZRFile;

// Observable messages: one value per listed satellite for one signal
// (0 = L1 C/A, 1 = L1 P, 2 = L2 P), or per-epoch values. Each returns
// Status::Ok, also when it dropped values or the whole message, or
// Status::BadChecksum.
Status OnFullPseudorange(TQZRFile& f, Body body, int signal);            // [RC] [R1] [R2]
Status OnRelativePseudorange(TQZRFile& f, Body body, int variant);       // [1R] [2R]
Status OnShortPseudorange(TQZRFile& f, Body body, int signal);           // [rc] [r1] [r2]
Status OnShortRelativePseudorange(TQZRFile& f, Body body, int variant);  // [1r] [2r]
Status OnFullCarrierPhase(TQZRFile& f, Body body, int signal);           // [PC] [P1] [P2]
Status OnShortCarrierPhase(TQZRFile& f, Body body, int signal);          // [pc] [p1] [p2]
Status OnRelativeCarrierPhase(TQZRFile& f, Body body, int signal);       // [CP] [1P] [2P]
Status OnShortRelativeCarrierPhase(TQZRFile& f, Body body, int signal);  // [cp] [1p] [2p]
Status OnDoppler(TQZRFile& f, Body body, int signal);                    // [DC] [D1] [D2]
Status OnSmoothingCorrection(TQZRFile& f, Body body, int signal);        // [CC] [C1] [C2]
Status OnShortSmoothingCorrection(TQZRFile& f, Body body, int signal);   // [cc] [c1] [c2]
// [EC] [E1] [E2] (variant 1, dB-Hz) and [CE] [1E] [2E] (variant 4, 0.25 dB-Hz).
Status OnSignalToNoise(TQZRFile& f, Body body, int signal, int variant);
Status OnAcceptedObservable(TQZRFile& f, Body body);   // [FC] [F1] [F2] [NC] [N1] [N2]
Status OnTimeCorrection(TQZRFile& f, Body body);       // [TC]
Status OnElevation(TQZRFile& f, Body body);            // [EL]
Status OnAzimuth(TQZRFile& f, Body body);              // [AZ]
Status OnPosition(TQZRFile& f, Body body);             // [PO]
Status OnPositionVelocity(TQZRFile& f, Body body);     // [PV]
Status OnVelocity(TQZRFile& f, Body body);             // [VE]
Status OnDilutionOfPrecision(TQZRFile& f, Body body);  // [DP]

inline constexpr int kSignalToNoiseDbHz = 1;
inline constexpr int kSignalToNoiseQuarterDbHz = 4;

// A body shorter than its layout (an empty one included, which cannot even
// hold its checksum) is ignored: the dump gets the expected and arrived
// byte counts. Returns Status::Ok.
Status IgnoreShortBody(MessageDump dump, std::size_t expected, std::size_t arrived);

// True, after writing the skip line, when the receiver time, the satellite
// list or the GLONASS numbers are lost and the message must not be used.
bool SkipWhenLost(const MessageScanner& scanner, DumpLog& log);

// True when a message of the current identifier is already part of the
// epoch in progress: the time message between the two was lost. The epoch
// keeps its own values and is closed; what follows waits for the next time.
bool RepeatedInEpoch(EpochInProgress& epoch, MessageScanner& scanner, MessageDump dump);

}  // namespace qzr2rin
