#include "support/observation_sets.h"

#include <gtest/gtest.h>

#include <utility>

#include "output/byte_sink.h"
#include "output/rinex2/rinex.h"

namespace qzrtest {

qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records) {
  return RecordsOnly(records, qzr2rin::HeaderFacts{});
}

qzr2rin::ObservationSet RecordsOnly(const qzr2rin::StoredRecords& records, qzr2rin::HeaderFacts header) {
  static const qzr2rin::EphemerisStore kNoEphemerides;
  return qzr2rin::ObservationSet(records, kNoEphemerides, std::move(header), qzr2rin::TProfile("QZR2RIN", ""),
                                 records.CurrentOccupation());
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
  qzr2rin::TRinex rinex(set, "", false, false);
  qzr2rin::StringSink out;
  EXPECT_EQ(rinex.WriteObservationFile(out, nullptr), qzr2rin::Status::Ok);
  return out.Text();
}

}  // namespace qzrtest
