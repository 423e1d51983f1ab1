#include "decoders/raw_measurements.h"

#include <cstdint>
#include <string_view>

#include "base/constants.h"
#include "decoders/epoch_completion.h"
#include "decoders/epoch_data.h"
#include "decoders/qzr_file.h"
#include "decoders/receiver_time.h"
#include "decoders/satellite_list.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kCrcLength = 2;

// Header.
constexpr std::size_t kSampleOffset = 0;
constexpr std::size_t kPackedOffset = 2;
constexpr std::size_t kReferenceTimeOffset = 4;
constexpr std::size_t kClockOffsetOffset = 8;
constexpr std::size_t kLayoutOffset = 10;

// Clock offset field: bits 0..1 an identifier, bits 2..15 the signed offset.
constexpr unsigned kClockOffsetIdMask = 0x3;
constexpr int kClockOffsetShift = 2;
constexpr double kClockOffsetUnitSeconds = 1.25e-7;

// Layout field.
constexpr unsigned kSlotRecMask = 0x1F;
constexpr unsigned kHeaderExtraShift = 5;
constexpr unsigned kHeaderExtraMask = 0x7;
constexpr unsigned kSatelliteCountShift = 8;
constexpr unsigned kSatelliteCountMask = 0x1F;
constexpr unsigned kVersionShift = 13;
// Only this version carries a Doppler in each signal record.
constexpr unsigned kVersionWithDoppler = 0;

// Satellite record, before its `LengthHeader` bytes and signal records.
constexpr std::size_t kReferenceRangeOffset = 0;
constexpr std::size_t kSatelliteIndexOffset = 4;
constexpr std::size_t kSignalCountOffset = 5;
constexpr std::size_t kSatelliteFixedLength = 6;
constexpr unsigned kSignalCountMask = 0x7;  // number of signal records - 1

// Signal record.
constexpr std::size_t kFirstWordOffset = 0;  // status word, or a range difference
constexpr std::size_t kMeasurementOffset = 2;
constexpr std::size_t kRecordFlagsOffset = 6;
constexpr std::size_t kLockTimeOffset = 8;
constexpr std::size_t kDopplerOffset = 10;
constexpr std::size_t kSignalFixedLength = 10;
constexpr std::size_t kDopplerLength = 4;

// Status word of the first signal record.
constexpr unsigned kNavStatusMask = 0x3F;
constexpr unsigned kChannelShift = 6;
constexpr unsigned kChannelMask = 0x1F;
constexpr unsigned kGlonassSlotShift = 11;
// GLONASS slot numbers; replacement satellites are numbered past the 24 of
// the full constellation.
constexpr unsigned kFirstGlonassSlot = 1;
constexpr unsigned kLastGlonassSlot = kGlonassSatellites;

// Measurement word: bits 0..5 C/N0, 9..11 signal, 12..31 signed phase range.
constexpr std::uint32_t kCn0Mask = 0x3F;
constexpr unsigned kSignalShift = 9;
constexpr std::uint32_t kSignalMask = 0x7;
constexpr int kPhaseRangeShift = 12;
constexpr unsigned kLockTimeMask = 0x3FF;
constexpr int kDopplerShift = 7;

constexpr double kRangeUnitMetres = 0.02;
constexpr double kPhaseRangeUnitMetres = 0.0005;
constexpr double kDopplerUnitHz = 0.001;
constexpr double kLockTimeUnitSeconds = 0.1;

constexpr std::uint16_t kRawSignalFlags = kFlagPseudorange | kFlagCarrierPhase | kFlagCn0InStatus2;

constexpr std::string_view kIgnoreText = " Ignore rM ";
constexpr char kClockLayout[] = "  Clock Offset ID = %u Offset =%d ( %.9f sec;)";
constexpr char kLayoutLayout[] = "  Flags ( Version = %u SvdN = %u LengthHeader = %u LengthSlotRec = %u )";
constexpr char kSatelliteLayout[] = " Num = %u   RefRange = %.2f";
constexpr char kSignalLayout[] = "    SlotId = %u";
constexpr char kFirstRangeLayout[] = " PRange = %.2f R = %u Channel = %u NavStatus = %u";
constexpr char kLaterRangeLayout[] = " PRange = %.2f";
constexpr char kPhaseLayout[] = "      CarPhase = %.3f ToNoiseRatio = %u Flags = %d LockTime = %.1f";
constexpr char kDopplerLayout[] = "      Doppler = %.3f";

struct RecordLayout {
  unsigned version = 0;
  unsigned satelliteCount = 0;  // SvdN
  unsigned headerExtra = 0;     // LengthHeader
  unsigned slotRec = 0;         // LengthSlotRec

  bool HasDoppler() const { return version == kVersionWithDoppler; }
  // The Doppler counts towards the slot length of a version 0 record.
  std::size_t SignalRecordLength() const {
    if (!HasDoppler()) return kSignalFixedLength + slotRec;
    return kSignalFixedLength + (slotRec > kDopplerLength ? slotRec : kDopplerLength);
  }
};

RecordLayout ReadLayout(std::uint16_t v) {
  RecordLayout layout;
  layout.slotRec = v & kSlotRecMask;
  layout.headerExtra = (v >> kHeaderExtraShift) & kHeaderExtraMask;
  layout.satelliteCount = (v >> kSatelliteCountShift) & kSatelliteCountMask;
  layout.version = static_cast<unsigned>(v) >> kVersionShift;
  return layout;
}

// Adds flags together with the mark of the signal's set.
void AddSignalFlags(SignalSlot& s, int signal, std::uint16_t flags) {
  if (signal == kSignalCaL1) flags |= kFlagCaSet;
  if (signal == kSignalPL2) flags |= kFlagL2Set;
  s.signalFlags = static_cast<std::uint16_t>(s.signalFlags | flags);
}

// One signal record at `offset` of satellite `c`; the record is known to
// lie inside the body.
void DecodeSignal(EpochInProgress& raw, DumpLog& dump, const BodyReader& r, std::size_t offset,
                  const RecordLayout& layout, std::size_t c, bool first, double referenceRange) {
  SatelliteEntry& entry = raw.satellites[c];
  const std::uint16_t word = r.U16(offset + kFirstWordOffset);
  const std::uint32_t measurement = r.U32(offset + kMeasurementOffset);
  const unsigned cn0 = measurement & kCn0Mask;
  const auto signal = static_cast<int>((measurement >> kSignalShift) & kSignalMask);
  // Arithmetic shifts keep the sign of the packed fields.
  const std::int32_t phaseRange = static_cast<std::int32_t>(measurement) >> kPhaseRangeShift;

  dump.Printf(kSignalLayout, static_cast<unsigned>(signal));
  double pseudorange = referenceRange;
  if (first) {
    const unsigned slot = static_cast<unsigned>(word) >> kGlonassSlotShift;
    if (SystemOf(entry.satelliteId) == kSystemGlonass && slot >= kFirstGlonassSlot &&
        slot <= kLastGlonassSlot) {
      entry.satelliteId = static_cast<std::uint8_t>(entry.satelliteId + slot);
    }
    dump.Printf(kFirstRangeLayout, pseudorange, slot,
                (static_cast<unsigned>(word) >> kChannelShift) & kChannelMask, word & kNavStatusMask);
  } else {
    pseudorange += static_cast<std::int16_t>(word) * kRangeUnitMetres;
    dump.Printf(kLaterRangeLayout, pseudorange);
  }
  dump.EndLine();

  // The phase is measured against the reference range, not against this
  // record's own pseudorange.
  const double carrierPhase = static_cast<double>(CarrierFrequency(entry, signal)) *
                              (referenceRange + phaseRange * kPhaseRangeUnitMetres) / kSpeedOfLight;
  const bool stored = signal >= kSignalCaL1 && signal < kSignalCount;
  SignalSlot* slot = stored ? &raw.slots[c].signals[static_cast<std::size_t>(signal)] : nullptr;
  if (slot != nullptr) {
    slot->pseudorange = pseudorange;
    slot->carrierPhase = carrierPhase;
    slot->status2 = static_cast<std::uint8_t>(cn0);
    AddSignalFlags(*slot, signal, kRawSignalFlags);
  }
  dump.Printf(kPhaseLayout, carrierPhase, cn0, static_cast<int>(r.I16(offset + kRecordFlagsOffset)),
              (r.U16(offset + kLockTimeOffset) & kLockTimeMask) * kLockTimeUnitSeconds);
  dump.EndLine();

  if (layout.HasDoppler()) {
    const double doppler = (r.I32(offset + kDopplerOffset) >> kDopplerShift) * kDopplerUnitHz;
    if (slot != nullptr) {
      slot->doppler = static_cast<float>(doppler);
      AddSignalFlags(*slot, signal, kFlagDoppler);
    }
    dump.Printf(kDopplerLayout, doppler);
    dump.EndLine();
  }
}

// Decodes the satellite records that follow the header into the raw epoch
// and returns how many were read whole. A record that would run past the
// body ends the message there: its length fields cannot be trusted, and
// nothing of it is used.
std::size_t DecodeSatellites(TQZRFile& f, Body body, const RecordLayout& layout) {
  const BodyReader r(body);
  const std::size_t end = body.size() - kCrcLength;
  const std::size_t signalLength = layout.SignalRecordLength();
  std::size_t offset = kRawHeaderLength;
  std::size_t c = 0;
  while (offset < end && c < f.Assembly().raw.satellites.size()) {
    const bool headerFits = end - offset >= kSatelliteFixedLength;
    const std::size_t signals = headerFits ? (r.U8(offset + kSignalCountOffset) & kSignalCountMask) + 1u : 0u;
    const std::size_t length = kSatelliteFixedLength + layout.headerExtra + signals * signalLength;
    if (!headerFits || end - offset < length) {
      f.RefuseShortBody(offset + length + kCrcLength, body.size());
      break;
    }

    const std::uint8_t index = r.U8(offset + kSatelliteIndexOffset);
    f.Assembly().raw.satellites[c] = MapSatelliteIndex(index, kNoChannel);
    f.Assembly().raw.Touch(c + 1);
    const double referenceRange = r.U32(offset + kReferenceRangeOffset) * kRangeUnitMetres;
    DumpSatelliteIndex(f.Log(), index);
    f.Log().Printf(kSatelliteLayout, static_cast<unsigned>(signals - 1), referenceRange);
    f.Log().EndLine();

    std::size_t at = offset + kSatelliteFixedLength + layout.headerExtra;
    for (std::size_t k = 0; k < signals; ++k, at += signalLength) {
      DecodeSignal(f.Assembly().raw, f.Log(), r, at, layout, c, k == 0, referenceRange);
    }
    offset += length;
    ++c;
  }
  return c;
}

}  // namespace

Status OnRawMeasurements(TQZRFile& f, Body body) {
  constexpr std::size_t kMinimumLength = kRawHeaderLength + kCrcLength;
  if (body.size() < kCrcLength) return f.RefuseShortBody(kMinimumLength, body.size());
  // A failed CRC may be a damaged length as well as a damaged body: the
  // stream resynchronises, so no message that starts inside the claimed
  // body is skipped with it.
  if (!f.CrcAccepted()) return Status::BadChecksum;
  f.Assembly().raw.ClearSlots();
  if (body.size() < kMinimumLength) return f.RefuseShortBody(kMinimumLength, body.size());

  const BodyReader r(body);
  const std::uint16_t packed = r.U16(kPackedOffset);
  const std::uint32_t referenceMs = r.U32(kReferenceTimeOffset);
  DumpReferenceHeader(f.Messages(), r.U16(kSampleOffset), packed, referenceMs);

  const Status dated = DecodeWeekOrDay(f.Clock(), f.Messages(), f.IsFirstRun(), packed, referenceMs);
  if (f.IsFirstRun()) return dated;
  if (dated != Status::Ok) return f.RefuseMessage(kIgnoreText);

  // The message carries its own list and time, so what the stream lost is
  // known again.
  f.Scanner().glonassNumbersLost = false;
  f.Scanner().satelliteListLost = false;
  f.Scanner().timeLost = false;

  const RecordLayout layout = ReadLayout(r.U16(kLayoutOffset));
  DumpLog& dump = f.Log();
  if (dump.Enabled()) {
    const int clockOffset = r.I16(kClockOffsetOffset) >> kClockOffsetShift;
    dump.Printf(kClockLayout, r.U16(kClockOffsetOffset) & kClockOffsetIdMask, clockOffset,
                clockOffset * kClockOffsetUnitSeconds);
    dump.EndLine();
    dump.Printf(kLayoutLayout, layout.version, layout.satelliteCount, layout.headerExtra, layout.slotRec);
    dump.EndLine();
  }

  // The list is what the body holds: SvdN has five bits only and cannot
  // count every satellite a receiver tracks.
  f.Assembly().raw.count = static_cast<int>(DecodeSatellites(f, body, layout));

  const Status applied = ApplyFirstDate(f.Clock(), f.Window(), f.ErrorDetail(), f.Clock().epochDay);
  if (applied != Status::Ok) return applied;
  return CloseEpoch(f, EpochSource::Raw);
}

}  // namespace qzr2rin
