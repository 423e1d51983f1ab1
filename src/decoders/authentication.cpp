#include "decoders/authentication.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "decoders/qzr_file.h"

namespace qzr2rin {
namespace {

// [SE]
constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kFlagsOffset = 4;
// Signature and checksum: a body without the flags byte carries no
// authentication data, but is still a valid [SE].
constexpr std::size_t kSignatureLength = 5;
constexpr std::uint8_t kAuthenticationPresent = 0x01;

// Damaged [SE] messages a file may hold before each further one withdraws
// the current occupation's mark.
constexpr std::int32_t kTolerableBadSignatures = 20;
// The rounds rotate by the time of day in ms, modulo this, modulo 32.
constexpr std::uint32_t kRotationPeriodMs = 119317;

constexpr std::string_view kMatchedText = " Matched";
constexpr std::string_view kMismatchText = " Mismatch";
constexpr std::string_view kNoAuthenticationText = " no Varnesk AUTH";

using Gate = TQZRFile::BodyCheck;

// The receiver's key with the signed bytes folded in, byte i at bit
// 8 * i mod 32.
// Byte i lands in the key shifted by whole bytes, wrapping within the word.
constexpr std::size_t kBitsPerByte = 8;
constexpr std::size_t kKeyBits = 32;

std::uint32_t FoldKey(std::uint32_t key, Body signedBytes) {
  for (std::size_t i = 0; i < signedBytes.size(); ++i) {
    key ^= static_cast<std::uint32_t>(signedBytes[i]) << (kBitsPerByte * i % kKeyBits);
  }
  return key;
}

// The rounds over the receiver time and date that finish the signature.
std::uint32_t SignTime(std::uint32_t folded, std::uint32_t msOfDay, std::uint32_t gpsDay) {
  const TGPSTime date(static_cast<std::uint32_t>(std::uint64_t{gpsDay} * TGPSTime::kSecondsPerDay));
  const unsigned year = date.Year();
  const std::uint8_t bytes[] = {
      static_cast<std::uint8_t>(msOfDay),       static_cast<std::uint8_t>(msOfDay >> 8),
      static_cast<std::uint8_t>(msOfDay >> 16), static_cast<std::uint8_t>(msOfDay >> 24),
      static_cast<std::uint8_t>(date.Day()),    static_cast<std::uint8_t>(date.Month()),
      static_cast<std::uint8_t>(year),          static_cast<std::uint8_t>(year >> 8),
  };
  const int rotation = static_cast<int>(msOfDay % kRotationPeriodMs % 32);
  std::uint32_t a = folded;
  for (const std::uint8_t b : bytes) a = std::rotl(a, rotation) + b;
  return a;
}

// The signature of a checked body against the receiver's key and the time
// of the epoch; the occupation in progress and its record take the result.
void TakeSignature(OccupationState& o, StoredRecords& records, const ReceiverIdentity& identity,
                   const ReceiverClock& clock, MessageDump dump, const BodyReader& r) {
  bool authenticated = false;
  std::string_view text = kNoAuthenticationText;
  if (r.Size() > kSignatureLength && (r.U8(kFlagsOffset) & kAuthenticationPresent) != 0) {
    // Signed: from the flags byte up to the checksum.
    const Body signedBytes = r.Bytes(kFlagsOffset, r.Size() - 1 - kFlagsOffset);
    const std::uint32_t expected =
        SignTime(FoldKey(identity.receiverIdHash, signedBytes), clock.epochMsOfDay, clock.epochDay);
    authenticated = expected == r.U32(kSignatureOffset);
    text = authenticated ? kMatchedText : kMismatchText;
  }
  o.authenticated = authenticated;
  dump.Line(text);
  SetOccupationAuthenticated(records, authenticated);
}

}  // namespace

Status CheckSignature(TQZRFile& f, SignatureState& state, Body body) {
  switch (f.CheckBody(body, kSignatureLength)) {
    case Gate::Damaged:
      if (state.badSignatureCount < std::numeric_limits<std::int32_t>::max()) ++state.badSignatureCount;
      if (state.badSignatureCount > kTolerableBadSignatures)
        SetOccupationAuthenticated(f.Collected().records, false);
      return Status::BadChecksum;
    case Gate::Short: return Status::Ok;
    case Gate::Pass: break;
  }

  // A marked occupation stays marked until a new one is due.
  if (!f.Occupation().handOff.Due() && IsOccupationAuthenticated(f.Collected().records)) return Status::Ok;
  TakeSignature(f.Occupation(), f.Collected().records, f.Identity(), f.Clock(), f.Messages(),
                BodyReader(body));
  return Status::Ok;
}

Status OnSignature(TQZRFile& f, Body body) { return CheckSignature(f, f.Signature(), body); }

Status OnIgnoredMessage(TQZRFile& f, Body /*body*/) {
  return f.MessageAccepted() ? Status::Ok : Status::BadChecksum;
}

bool IsOccupationAuthenticated(const StoredRecords& records) {
  const DataOccup* occupation = records.CurrentOccupation();
  return occupation != nullptr && (occupation->occupationFlags & kOccupationAuthenticated) != 0;
}

void SetOccupationAuthenticated(StoredRecords& records, bool authenticated) {
  DataOccup* occupation = records.CurrentOccupation();
  if (occupation == nullptr) return;
  if (authenticated) {
    occupation->occupationFlags |= kOccupationAuthenticated;
  } else {
    occupation->occupationFlags &= ~kOccupationAuthenticated;
  }
}

void GetObservationSpan(const TQZRFile& f, TGPSTimeNS& first, TGPSTimeNS& last) {
  if (f.Collected().records.HasEpochs()) {
    first = f.Statistics().firstOutputTime;
    last = f.Statistics().lastOutputTime;
  } else {
    first = TGPSTimeNS();
    last = TGPSTimeNS();
  }
}

int GetHeaderLeapSeconds(const TQZRFile& f) {
  return f.Collected().gpsUtc.present && f.Options().useGlonass ? f.Collected().gpsUtc.utc.dtls : 0;
}

std::string_view GetTimeSystemName(const TQZRFile&) {
  // The receiver stamps every system's observations in GPS time.
  return "GPS";
}

}  // namespace qzr2rin
