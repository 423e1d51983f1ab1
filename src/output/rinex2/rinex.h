#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "base/status.h"
#include "decoders/epoch_data.h"
#include "decoders/stored_records.h"
#include "model/observation_set.h"
#include "output/byte_sink.h"
#include "output/header_texts.h"
#include "output/rinex2/satellite_index.h"
#include "output/sequencing.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// The RINEX 2.10 observation writer over what one conversion collected. It
// only reads the observation set, never copies it, and writes into a sink
// that decides where the bytes go; it owns only its line buffer and its
// per-satellite tables. The profile is the set's.
class TRinex : private ObservationFormat {
 public:
  // The buffer for a file sink this writer writes into: a day of 1 Hz data
  // runs to hundreds of megabytes.
  static constexpr std::size_t kOutputBufferSize = std::size_t{1} << 20;

  // The set must outlive the writer.
  TRinex(const ObservationSet& set, bool verbose, bool statistics);

  // Header and every record in time order; ":" progress marks on `console`
  // when verbose. Ok, or OutputOpenFailed when the sink did not take every
  // byte.
  Status WriteObservationFile(ByteSink& out, std::ostream* console);

  // What the scan of the set's epochs found (valid once
  // WriteObservationFile has run).
  const SatellitesSeen& Seen() const { return seen_; }
  std::int32_t EpochCount() const { return epochCount_; }
  int TypeCount() const { return typeCount_; }

  // Observation types in file order.
  enum TypeIndex { kC1, kP1, kP2, kL1, kL2, kD1, kD2, kS1, kS2, kTypeCount };

 private:
  // Per-satellite counters of the scan.
  enum CountIndex {
    kCountC1,
    kCountL1Ca,
    kCountD1Ca,
    kCountP1,
    kCountL1P,
    kCountD1P,
    kCountP2,
    kCountL2,
    kCountD2,
    kCountS1,
    kCountS2,
    kCountSlots
  };
  // Signal sets, as positions of a satellite's per-epoch entry.
  static constexpr std::uint8_t kSetCa = 1;
  static constexpr std::uint8_t kSetP1 = 2;
  static constexpr std::uint8_t kSetL2 = 3;

  enum class Kind : std::uint8_t { Pseudorange, Phase, Doppler, Strength };
  struct PresentType {
    Kind kind;
    std::uint8_t set;    // 1..3
    std::uint8_t count;  // CountIndex of the header's PRN / # OF OBS
    std::uint8_t name;   // TypeIndex
  };
  // One observation field: its value and the two flag characters; absent
  // when the set lacks the type.
  struct Field {
    bool present = false;
    double value = 0;
    char lossOfLock = ' ';
    char strength = ' ';
  };
  Field FieldOf(const PresentType& type, const SignalSlot& set) const;

  // What the header needs from the epochs, before it is written.
  void Scan();
  void SelectTypes();

  // Header, one function per record in file order.
  void WriteHeader();
  void WriteVersion();
  void WriteProgramLine();
  void WriteBuildComment();
  void WriteComments();
  void WriteObserver();
  void WriteReceiver();
  void WriteAntenna();
  void WritePosition();
  void WriteWavelengths();
  void WriteObservationTime(const TGPSTimeNS& t, std::string_view label);
  void WriteInterval();
  void WriteStatisticsComment();
  void WriteLeapSeconds();
  void WriteSatelliteCount();
  void WriteTypes();
  void WritePrnCounts();
  void WriteCorrectionNotes();
  void WriteEndOfHeader();
  // Records that a new occupation repeats; null means the first occupation.
  void WriteMarkerName(const DataOccup* occupation);
  void WriteMarkerNumber(const DataOccup* occupation);
  // With the slant comment when the height is slant and not 0.
  void WriteAntennaDelta(const DataOccup* occupation);
  void WriteAntennaDelta(const AntennaDeltas& deltas);
  AntennaDeltas DeltasOf(const DataOccup* occupation) const;
  // The data signature of an epoch when its occupation is authenticated, 0
  // otherwise. Without an epoch: the occupation the run ended in, at time 0.
  void WriteSignature(const DataEpoch* epoch);

  // Records.
  std::size_t FillEpochTable(const DataEpoch& epoch);
  void WriteEpoch(const DataEpoch& epoch, std::size_t satellites);
  void WriteLostEpochs(std::uint64_t missing);
  void WriteObservations(int index);
  void WriteEvent(const DataEvent& event);
  void WriteOccupationChange(const DataOccup* occupation, const DataEpoch& first);

  // The records in the order the shared sequencing gives.
  void Epoch(const DataEpoch& epoch) override;
  void Event(const DataEvent& event) override { WriteEvent(event); }
  void OccupationChange(const DataOccup* occupation, const DataEpoch& first) override {
    WriteOccupationChange(occupation, first);
  }
  void Progress(std::size_t epochsDone) override { marks_.Show(epochsDone); }

  void Emit();
  void EmitLabelled(std::string_view label);
  void EmitText(std::string_view text);
  // The value with the label rule applied, written.
  void WriteLabelled(std::string_view value, std::string_view label);

  const ObservationSet& set_;
  bool progressEnabled_;
  bool statisticsEnabled_;
  ByteSink* out_ = nullptr;
  std::ostream* console_ = nullptr;
  std::string lineBuffer_;
  bool smoothing_ = false;  // -~

  EpochGaps gaps_;
  ProgressMarks marks_;

  // Scan and type selection.
  std::int32_t epochCount_ = 0;
  std::array<double, 3> approxPosition_{};
  SatellitesSeen seen_{};
  std::array<std::array<std::int32_t, kCountSlots>, kSatelliteIndexCount> obsCount_{};
  int setC1_ = 0;
  int setP1_ = 0;
  int setP2_ = 0;
  int setL2_ = 0;
  int setD2_ = 0;
  int setS1_ = 0;
  int setS2_ = 0;
  std::int32_t totalL1_ = 0;
  std::int32_t totalD1_ = 0;
  int typeCount_ = 0;
  std::array<PresentType, kTypeCount> types_{};

  // The epoch being written, by satellite index.
  std::array<std::uint8_t, kSatelliteIndexCount> epochIds_{};
  std::array<std::array<SignalSlot, kSignalCount>, kSatelliteIndexCount> epochSets_{};
};

}  // namespace qzr2rin
