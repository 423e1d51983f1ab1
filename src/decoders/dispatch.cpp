#include "decoders/dispatch.h"

#include <array>
#include <cstdint>

#include "decoders/authentication.h"
#include "decoders/events.h"
#include "decoders/geo_ephemeris.h"
#include "decoders/glonass_ephemeris.h"
#include "decoders/gps_ephemeris.h"
#include "decoders/identification.h"
#include "decoders/observables.h"
#include "decoders/parameters.h"
#include "decoders/qzr_file.h"
#include "decoders/raw_measurements.h"
#include "decoders/receiver_time.h"
#include "decoders/satellite_list.h"

namespace qzr2rin {
namespace {

template <Status (*Fn)(TQZRFile&, Body)>
Status Plain(TQZRFile& f, Body body, int, int) {
  return Fn(f, body);
}

template <Status (*Fn)(TQZRFile&, Body, int)>
Status One(TQZRFile& f, Body body, int first, int) {
  return Fn(f, body, first);
}

Status SignalToNoise(TQZRFile& f, Body body, int signal, int variant) {
  return OnSignalToNoise(f, body, signal, variant);
}

// Messages whose bodies are not used. Their length is all that matters,
// and only a length the next message bears out is trusted: a false header
// would swallow the good messages after it.
Status Unchecked(TQZRFile& f, Body, int, int) {
  return f.Scanner().LengthBorneOut() ? Status::Ok : Status::BadChecksum;
}

constexpr Route kRoutes[] = {
    {{'Q', 'Z'}, Plain<OnIdentification>},
    {{'M', 'F'}, Plain<OnMessageFormat>},
    {{'P', 'M'}, Plain<OnParameters>},
    {{'R', 'E'}, Unchecked},
    {{'E', 'R'}, Unchecked},
    {{'P', 'A'}, Unchecked},
    {{'G', 'A'}, Plain<OnIgnoredMessage>},
    {{'N', 'A'}, Plain<OnIgnoredMessage>},
    {{'W', 'A'}, Plain<OnIgnoredMessage>},
    {{'G', 'T'}, Plain<OnIgnoredMessage>},
    {{'G', 'O'}, Plain<OnIgnoredMessage>},
    {{'G', 'P'}, Plain<OnIgnoredMessage>},
    {{'U', 'P'}, Plain<OnIgnoredMessage>},
    {{'N', 'T'}, Plain<OnIgnoredMessage>},
    {{'N', 'O'}, Plain<OnIgnoredMessage>},
    {{'S', 'O'}, Plain<OnIgnoredMessage>},
    {{'S', 'P'}, Plain<OnIgnoredMessage>},
    {{'~', '~'}, Plain<OnReceiverTime>},
    {{'R', 'D'}, Plain<OnReceiverDate>},
    {{'r', 'E'}, Plain<OnReferenceEpoch>},
    {{'r', 'M'}, Plain<OnRawMeasurements>},
    {{'S', 'I'}, Plain<OnSatelliteIndex>},
    {{'N', 'N'}, Plain<OnGlonassNumbers>},
    {{'S', 'S'}, Plain<OnSatelliteStatus>},
    {{'R', 'C'}, One<OnFullPseudorange>, 0},
    {{'R', '1'}, One<OnFullPseudorange>, 1},
    {{'R', '2'}, One<OnFullPseudorange>, 2},
    {{'1', 'R'}, One<OnRelativePseudorange>, 1},
    {{'2', 'R'}, One<OnRelativePseudorange>, 2},
    {{'r', 'c'}, One<OnShortPseudorange>, 0},
    {{'r', '1'}, One<OnShortPseudorange>, 1},
    {{'r', '2'}, One<OnShortPseudorange>, 2},
    {{'1', 'r'}, One<OnShortRelativePseudorange>, 1},
    {{'2', 'r'}, One<OnShortRelativePseudorange>, 2},
    {{'P', 'C'}, One<OnFullCarrierPhase>, 0},
    {{'P', '1'}, One<OnFullCarrierPhase>, 1},
    {{'P', '2'}, One<OnFullCarrierPhase>, 2},
    {{'p', 'c'}, One<OnShortCarrierPhase>, 0},
    {{'p', '1'}, One<OnShortCarrierPhase>, 1},
    {{'p', '2'}, One<OnShortCarrierPhase>, 2},
    {{'C', 'P'}, One<OnRelativeCarrierPhase>, 0},
    {{'1', 'P'}, One<OnRelativeCarrierPhase>, 1},
    {{'2', 'P'}, One<OnRelativeCarrierPhase>, 2},
    {{'c', 'p'}, One<OnShortRelativeCarrierPhase>, 0},
    {{'1', 'p'}, One<OnShortRelativeCarrierPhase>, 1},
    {{'2', 'p'}, One<OnShortRelativeCarrierPhase>, 2},
    {{'C', 'C'}, One<OnSmoothingCorrection>, 0},
    {{'C', '1'}, One<OnSmoothingCorrection>, 1},
    {{'C', '2'}, One<OnSmoothingCorrection>, 2},
    {{'c', 'c'}, One<OnShortSmoothingCorrection>, 0},
    {{'c', '1'}, One<OnShortSmoothingCorrection>, 1},
    {{'c', '2'}, One<OnShortSmoothingCorrection>, 2},
    {{'D', 'C'}, One<OnDoppler>, 0},
    {{'D', '1'}, One<OnDoppler>, 1},
    {{'D', '2'}, One<OnDoppler>, 2},
    {{'C', 'E'}, SignalToNoise, 0, 4},
    {{'1', 'E'}, SignalToNoise, 1, 4},
    {{'2', 'E'}, SignalToNoise, 2, 4},
    {{'E', 'C'}, SignalToNoise, 0, 1},
    {{'E', '1'}, SignalToNoise, 1, 1},
    {{'E', '2'}, SignalToNoise, 2, 1},
    {{'F', 'C'}, Plain<OnAcceptedObservable>},
    {{'F', '1'}, Plain<OnAcceptedObservable>},
    {{'F', '2'}, Plain<OnAcceptedObservable>},
    {{'N', 'C'}, Plain<OnAcceptedObservable>},
    {{'N', '1'}, Plain<OnAcceptedObservable>},
    {{'N', '2'}, Plain<OnAcceptedObservable>},
    {{'T', 'C'}, Plain<OnTimeCorrection>},
    {{'E', 'L'}, Plain<OnElevation>},
    {{'A', 'Z'}, Plain<OnAzimuth>},
    {{'P', 'O'}, Plain<OnPosition>},
    {{'P', 'V'}, Plain<OnPositionVelocity>},
    {{'V', 'E'}, Plain<OnVelocity>},
    {{'D', 'P'}, Plain<OnDilutionOfPrecision>},
    {{'G', 'E'}, Plain<OnGpsEphemeris>},
    {{'N', 'E'}, Plain<OnGlonassEphemeris>},
    {{'W', 'E'}, Plain<OnGeoEphemeris>},
    {{'I', 'O'}, Plain<OnIonosphere>},
    {{'U', 'O'}, Plain<OnGpsUtc>},
    {{'W', 'O'}, Plain<OnGeoUtc>},
    {{'T', 'O'}, Plain<OnClockOffset>},
    {{'D', 'O'}, Plain<OnClockDrift>},
    {{'S', 'E'}, Plain<OnSignature>},
    {{'=', '='}, Plain<OnUserEvent>},
    {{'X', 'A'}, One<OnExternalEvent>, 0},
    {{'X', 'B'}, One<OnExternalEvent>, 1},
};

// Identifier characters run from '0' to '~'.
constexpr int kFirstIdChar = 0x30;
constexpr int kIdChars = 0x7F - kFirstIdChar;
constexpr std::uint8_t kNoRoute = 0xFF;
static_assert(std::size(kRoutes) < kNoRoute);

constexpr int Key(char id0, char id1) {
  return (static_cast<unsigned char>(id0) - kFirstIdChar) * kIdChars +
         (static_cast<unsigned char>(id1) - kFirstIdChar);
}

constexpr auto kRouteIndex = [] {
  std::array<std::uint8_t, kIdChars * kIdChars> index{};
  index.fill(kNoRoute);
  for (std::size_t i = 0; i < std::size(kRoutes); ++i)
    index[Key(kRoutes[i].id[0], kRoutes[i].id[1])] = static_cast<std::uint8_t>(i);
  return index;
}();

bool IsIdChar(char c) {
  const int v = static_cast<unsigned char>(c);
  return v >= kFirstIdChar && v < kFirstIdChar + kIdChars;
}

}  // namespace

std::span<const Route> Routes() { return kRoutes; }

const Route* FindRoute(char id0, char id1) {
  if (!IsIdChar(id0) || !IsIdChar(id1)) return nullptr;
  const std::uint8_t i = kRouteIndex[Key(id0, id1)];
  return i == kNoRoute ? nullptr : &kRoutes[i];
}

Status Dispatch(TQZRFile& f) {
  const MessageScanner& s = f.Scanner();
  if (f.Log().Enabled()) {
    const std::size_t offset = s.cursor;
    f.Log().Printf("\n%c%c len=%d 0X%zx(0X%zx)", s.Id0(), s.Id1(), s.bodyLength, offset,
                   offset + static_cast<std::size_t>(s.bodyLength) + 4);
    f.Log().EndLine();
  }
  const Route* route = FindRoute(s.Id0(), s.Id1());
  if (route == nullptr) {
    if (f.Log().Enabled()) {
      f.Log().Write("       D E F A U L T  ");
      f.Log().EndLine();
    }
    // Only its own check vouches for an unknown message: a damaged
    // identifier must not turn a time or list message into something that
    // is skipped as if nothing had happened, nor a false header swallow the
    // good messages after it. Reached across a break it is never trusted.
    if (s.afterBreak) return Status::BadChecksum;
    return s.EitherCheckAccepted() ? Status::Ok : Status::BadChecksum;
  }
  return route->decoder(f, s.CurrentBody(), route->first, route->second);
}

}  // namespace qzr2rin
