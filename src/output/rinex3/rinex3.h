#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"
#include "decoders/epoch_data.h"
#include "decoders/stored_records.h"
#include "model/observation_set.h"
#include "model/summary.h"
#include "output/byte_sink.h"
#include "output/header_texts.h"
#include "output/rinex2/satellite_index.h"
#include "output/sequencing.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

struct Rinex3Settings {
  // "3.05" or "3.04": for these observations the files differ only in it.
  std::string version = "3.05";
  std::string markerType = "GEODETIC";
  bool verbose = false;     // ":" progress marks
  bool statistics = false;  // -e: the epoch statistics comment and lost-epoch records
};

// (slot, frequency channel) of every GLONASS slot in the set, by slot.
std::vector<std::pair<int, int>> GlonassSlotChannels(const ObservationSet& set);

// The RINEX 3 observation writer over what one conversion collected. Like
// the 2.10 writer it only reads the set and writes into a sink; the records
// come in the order SequenceRecords gives.
class Rinex3Observations : private ObservationFormat {
 public:
  // The set must outlive the writer.
  Rinex3Observations(const ObservationSet& set, Rinex3Settings settings);

  // Header and every record in time order; ":" progress marks on `console`
  // when verbose. Ok, or OutputOpenFailed when the sink did not take every
  // byte.
  Status Write(ByteSink& out, std::ostream* console);

  // One observation type of a system, in header order.
  struct Type {
    SignalSet set;
    Observable what;
    std::string_view code;  // "C1C", "L2W", ...
  };
  enum SystemIndex : std::uint8_t { kGps, kGlonass, kSbas, kSystems };
  // The system of a satellite table index.
  static SystemIndex SystemAt(std::size_t index);

  // The types each system lists (valid once Write has run).
  const std::vector<Type>& TypesOf(SystemIndex system) const { return types_[system]; }

 private:
  using Counts = ObservationSummary::Counts;

  void Scan();

  // Header, one function per record in file order.
  void WriteHeader();
  void WriteVersion();
  void WriteProgramLine();
  void WriteComments();
  void WriteMarker();
  void WriteObserverReceiverAntenna();
  void WritePosition();
  void WriteTypes();
  void WriteTimesAndInterval();
  void WritePhaseShifts();
  void WriteGlonassRecords();
  void WriteLeapSeconds();
  void WriteSatelliteCounts();
  // Records that a new occupation repeats; null means the first occupation.
  // Each returns the number of lines written.
  int WriteMarkerName(const DataOccup* occupation);
  int WriteMarkerNumber(const DataOccup* occupation);
  int WriteAntennaDelta(const AntennaDeltas& deltas);
  void WriteSignature(const DataEpoch* epoch);

  // Records.
  std::size_t FillEpochTable(const DataEpoch& epoch);
  void WriteEpochLine(const DataEpoch& epoch, int flag, std::size_t count, bool withClock);
  void WriteSpecialLine(int flag, int count);
  void WriteLostEpochs(std::uint64_t missing);
  void WriteSatellite(std::size_t index);
  void AppendValue(const Type& type, const SignalSlot& set);
  void WriteEvent(const DataEvent& event);
  void WriteOccupationChange(const DataOccup* occupation, const DataEpoch& first);

  void Epoch(const DataEpoch& epoch) override;
  void Event(const DataEvent& event) override { WriteEvent(event); }
  void OccupationChange(const DataOccup* occupation, const DataEpoch& first) override {
    WriteOccupationChange(occupation, first);
  }
  void Progress(std::size_t epochsDone) override { marks_.Show(epochsDone); }

  // The line buffer with trailing blanks removed and a line end, written.
  void EmitTrimmed();
  void EmitLabelled(std::string_view label);
  void WriteLabelled(std::string_view value, std::string_view label);

  const ObservationSet& set_;
  Rinex3Settings settings_;
  ByteSink* out_ = nullptr;
  std::ostream* console_ = nullptr;
  std::string lineBuffer_;
  bool smoothing_ = false;    // -~
  bool clockOffset_ = false;  // -O

  EpochGaps gaps_;
  ProgressMarks marks_;

  // Scan.
  std::int32_t epochCount_ = 0;
  std::array<double, 3> approxPosition_{};
  SatellitesSeen seen_{};
  std::array<Counts, kSatelliteIndexCount> counts_{};
  std::array<std::vector<Type>, kSystems> types_;

  // The epoch being written, by satellite index.
  std::array<std::uint8_t, kSatelliteIndexCount> epochIds_{};
  std::array<std::array<SignalSlot, kSignalSets>, kSatelliteIndexCount> epochSets_{};
};

// The system letter of the version line and of long names: the one system
// whose satellites occur (G, R or S), else M; without epochs, by the systems
// the log showed.
char ObservationSystemLetter(const ObservationSet& set, const SatellitesSeen& seen, bool anyEpoch);

}  // namespace qzr2rin
