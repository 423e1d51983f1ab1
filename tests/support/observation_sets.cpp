#include "support/observation_sets.h"

#include <gtest/gtest.h>

#include <utility>

#include "decoders/events.h"
#include "decoders/occupations.h"
#include "input/profile.h"
#include "output/byte_sink.h"
#include "output/rinex2/rinex.h"
#include "support/converter_state.h"

namespace qzrtest {

qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records) {
  return RecordsOnly(records, qzr2rin::HeaderFacts{});
}

qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records, qzr2rin::HeaderFacts header) {
  static const qzr2rin::EphemerisStore kNoEphemerides;
  return qzr2rin::ObservationSet(records, kNoEphemerides, std::move(header), qzr2rin::TProfile("QZR2RIN", ""),
                                 records.CurrentOccupation());
}

qzr2rin::ObservationSet CollectWithProfile(const qzr2rin::TQZRFile& f, const std::string& profilePath) {
  const qzr2rin::ObservationSet collected = qzr2rin::CollectObservations(f);
  return qzr2rin::ObservationSet(f.Collected().records, f.Collected().ephemerides, collected.Header(),
                                 qzr2rin::TProfile(std::string(qzr2rin::kProfileSection), profilePath),
                                 collected.EndOccupation());
}

void SequenceRecorder::Epoch(const qzr2rin::DataEpoch& epoch) { Add("E" + std::to_string(epoch.seconds)); }

void SequenceRecorder::Event(const qzr2rin::DataEvent& event) {
  Add((event.port == qzr2rin::kPortA ? "A" : "B") + std::to_string(event.outSeconds));
}

void SequenceRecorder::OccupationChange(const qzr2rin::DataOccup* occupation,
                                        const qzr2rin::DataEpoch& first) {
  Add("O" + std::to_string(occupation->number) + "@" + std::to_string(first.seconds));
}

std::string SequenceOf(const qzr2rin::ObservationSet& set) {
  SequenceRecorder recorder;
  qzr2rin::SequenceRecords(set, recorder);
  return recorder.calls;
}

std::string ObservationText(const qzr2rin::ObservationSet& set) {
  qzr2rin::TRinex rinex(set, false, false);
  qzr2rin::StringSink out;
  EXPECT_EQ(rinex.WriteObservationFile(out, nullptr), qzr2rin::Status::Ok);
  return out.Text();
}

CollectedRecords::CollectedRecords() : bench_(LogBuilder().Text(std::string(100, '\n'))) {
  WithInputName(f(), "pill0360.qzr");
  WithHeaderReceiver(f(), "QZ0012345", "QZR 3.0", "1.23");
  WithAntennaNumber(f(), "ANT123");
  WithAntennaType(f(), "QZRDOME_E");
  WithOutputInterval(f(), 30000);
}

void CollectedRecords::Occupation(std::int16_t number, const std::string& name,
                                  const std::string& markerNumber, qzr2rin::AntennaBlock antenna,
                                  bool authenticated) {
  WithAntenna(f(), antenna);
  WithAuthenticationMark(f(), authenticated);
  ASSERT_EQ(qzr2rin::StoreOccupation(f().Collected().records, f().Occupation(), number, name, markerNumber),
            qzr2rin::Status::Ok);
  WithAuthenticationMark(f(), false);
}

void CollectedRecords::Epoch(std::uint32_t seconds, std::uint32_t nanoseconds, std::int32_t flags,
                             std::array<double, 3> position, double clockOffset) {
  qzr2rin::DataEpoch& e = Records(f()).AppendEpoch();
  e.seconds = seconds;
  e.nanoseconds = nanoseconds;
  e.epochFlags = flags;
  e.position = position;
  e.clockOffset = clockOffset;
  CountOutputEpoch(f(), qzr2rin::TGPSTimeNS(seconds, nanoseconds));
}

void CollectedRecords::Satellite(std::uint8_t id, const std::vector<StoredSet>& sets, std::int8_t channel) {
  qzr2rin::EpochSatellite& s = Records(f()).AddSatellite();
  s.satelliteId = id;
  s.frequencyChannel = channel;
  std::size_t k = 0;
  for (const StoredSet& set : sets) {
    qzr2rin::SignalSlot& slot = s.sets[k];
    slot.signalFlags = set.flags;
    if (k + 1 < sets.size()) slot.signalFlags |= qzr2rin::kFlagAnotherSetFollows;
    slot.pseudorange = set.range;
    slot.carrierPhase = set.phase;
    slot.doppler = set.doppler;
    slot.status1 = set.status1;
    slot.status2 = set.status2;
    slot.smoothingCorrection = set.smoothing;
    ++k;
  }
  MarkSeen(f(), id);
}

void CollectedRecords::Event(std::uint8_t port, std::uint32_t seconds, std::uint32_t nanoseconds,
                             std::uint16_t timeBase) {
  qzr2rin::DataEvent e;
  e.port = port;
  e.seconds = seconds;
  e.nanoseconds = nanoseconds;
  e.timeBase = timeBase;
  e.occupation = Records(f()).CurrentOccupation();
  Records(f()).AppendEvent(e);
}

qzr2rin::ObservationSet CollectedRecords::Collect() {
  qzr2rin::ConvertEventTimes(f().Collected());
  return qzr2rin::CollectObservations(f());
}

qzr2rin::ObservationSet CollectedRecords::Collect(const std::string& profilePath) {
  qzr2rin::ConvertEventTimes(f().Collected());
  return CollectWithProfile(f(), profilePath);
}

}  // namespace qzrtest
