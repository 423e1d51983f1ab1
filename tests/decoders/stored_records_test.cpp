// The stored occupations, epochs and events, and the cursors the writer
// walks them with.

#include "decoders/stored_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoders/occupations.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::Records;
using qzrtest::WithAntenna;

// An epoch at `seconds` with satellites of these ids, under the current
// occupation.
void AddEpoch(StoredRecords& r, std::uint32_t seconds, const std::vector<std::uint8_t>& ids) {
  r.AppendEpoch().seconds = seconds;
  for (const std::uint8_t id : ids) r.AddSatellite().satelliteId = id;
}

// A new occupation record, as a recording makes it.
DataOccup& Record(StoredRecords& r) {
  DataOccup& o = r.OccupationToWrite();
  r.ResetEpochsInOccupation();
  return o;
}

// The ids of an epoch's satellites.
std::vector<std::uint8_t> SatellitesOf(const StoredRecords& r, std::size_t epoch) {
  std::vector<std::uint8_t> ids;
  const DataEpoch& e = r.Epochs()[epoch];
  for (std::uint32_t k = 0; k < e.satelliteCount; ++k)
    ids.push_back(r.Satellites()[e.firstSatellite + k].satelliteId);
  return ids;
}

TEST(StoredRecords, RecordingTwiceWithoutAnEpochOverwritesTheRecord) {
  qzrtest::ConverterBench bench(qzrtest::LogBuilder().Text(std::string(100, '\n')));
  TQZRFile& f = bench.file();
  StoredRecords& r = Records(f);
  WithAntenna(f, {.deltaH = 1.0f});
  ASSERT_EQ(StoreOccupation(f.Collected().records, f.Occupation(), 1, "FIRST", "N1"), Status::Ok);
  WithAntenna(f, {.deltaH = 2.0f});
  ASSERT_EQ(StoreOccupation(f.Collected().records, f.Occupation(), 2, "SECOND", "N2"), Status::Ok);
  ASSERT_EQ(r.Occupations().size(), 1u);
  EXPECT_EQ(r.Occupations().front().number, 2);
  EXPECT_EQ(r.Occupations().front().markerName, "SECOND");
  EXPECT_EQ(r.Occupations().front().markerNumber, "N2");
  EXPECT_EQ(r.Occupations().front().antenna.deltaH, 2.0f);

  // Once an epoch is stored under it, the next record is a new one.
  AddEpoch(r, 100, {5});
  AntennaBlock block;
  block.deltaH = 3.0f;
  ASSERT_EQ(StoreAntennaBlock(f.Collected().records, block), Status::Ok);
  ASSERT_EQ(
      StoreOccupation(f.Collected().records, f.Occupation(), 3, std::string(70, 'M'), std::string(30, '7')),
      Status::Ok);
  ASSERT_EQ(r.Occupations().size(), 2u);
  EXPECT_EQ(r.Occupations().front().markerName, "SECOND");
  EXPECT_EQ(r.Occupations().front().antenna.deltaH, 2.0f);
  EXPECT_EQ(r.Occupations().back().markerName, std::string(60, 'M'));
  EXPECT_EQ(r.Occupations().back().markerNumber, std::string(20, '7'));
  EXPECT_EQ(r.CurrentOccupation(), &r.Occupations().back());
  EXPECT_EQ(r.Epochs().front().occupation, &r.Occupations().front());
}

TEST(StoredRecords, AfterTheLastOccupationGoesTheNextRecordIsNew) {
  StoredRecords r;
  Record(r).number = 1;
  AddEpoch(r, 100, {5});
  Record(r).number = 2;
  r.RemoveLastOccupation();
  ASSERT_EQ(r.CurrentOccupation()->number, 1);
  // Occupation 1 holds an epoch: it must not be written over.
  Record(r).number = 3;
  ASSERT_EQ(r.Occupations().size(), 2u);
  EXPECT_EQ(r.Occupations().front().number, 1);
  EXPECT_EQ(r.Occupations().back().number, 3);
  EXPECT_EQ(r.Epochs().front().occupation, &r.Occupations().front());
}

TEST(StoredRecords, EpochsKeepTheirOccupationAndSatellites) {
  StoredRecords r;
  Record(r).markerName = "A";
  AddEpoch(r, 100, {1, 2});
  AddEpoch(r, 101, {3});
  Record(r).markerName = "B";
  AddEpoch(r, 102, {4, 5, 6});

  struct Step {
    std::uint32_t seconds;
    const char* occupation;
    std::vector<std::uint8_t> satellites;
  };
  const Step kSteps[] = {{100, "A", {1, 2}}, {101, "A", {3}}, {102, "B", {4, 5, 6}}};
  ASSERT_EQ(r.EpochCount(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(kSteps[i].seconds);
    EXPECT_EQ(r.Epochs()[i].seconds, kSteps[i].seconds);
    EXPECT_EQ(r.Epochs()[i].occupation->markerName, kSteps[i].occupation);
    EXPECT_EQ(SatellitesOf(r, i), kSteps[i].satellites);
  }
  EXPECT_EQ(r.CurrentOccupation()->markerName, "B");
}

TEST(StoredRecords, RemovedEpochsTakeTheirSatellitesWithThem) {
  StoredRecords r;
  Record(r);
  AddEpoch(r, 100, {1, 2});
  AddEpoch(r, 101, {3});
  AddEpoch(r, 102, {4, 5, 6});
  r.RemoveEpochs([](const DataEpoch& e, std::size_t) { return e.seconds == 101; });
  ASSERT_EQ(r.EpochCount(), 2u);
  EXPECT_EQ(r.Satellites().size(), 5u);
  EXPECT_EQ(SatellitesOf(r, 0), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(r.Epochs()[1].seconds, 102u);
  EXPECT_EQ(SatellitesOf(r, 1), (std::vector<std::uint8_t>{4, 5, 6}));
}

// The satellite store grows in blocks: records on both sides of a block
// boundary keep their values through growth and removal, and a record
// added after a removal starts zeroed.
TEST(StoredRecords, SatellitesKeepTheirValuesAcrossBlocks) {
  constexpr std::size_t kBlock = SatelliteStore::kBlockSize;
  StoredRecords r;
  Record(r);
  r.AppendEpoch().seconds = 1;
  for (std::size_t i = 0; i < kBlock + 3; ++i) {
    EpochSatellite& s = r.AddSatellite();
    s.satelliteId = static_cast<std::uint8_t>(i % 200 + 1);
    s.sets[0].pseudorange = static_cast<double>(i);
    s.frequencyChannel = static_cast<std::int8_t>(i % 21) - 7;
  }
  r.AppendEpoch().seconds = 2;
  for (std::size_t i = 0; i < kBlock; ++i) r.AddSatellite().sets[2].doppler = 7.0f;
  ASSERT_EQ(r.Satellites().size(), 2 * kBlock + 3);
  for (std::size_t i : {std::size_t{0}, kBlock - 1, kBlock, kBlock + 2}) {
    EXPECT_EQ(r.Satellites()[i].sets[0].pseudorange, static_cast<double>(i)) << i;
  }
  EXPECT_EQ(r.Satellites()[2 * kBlock + 2].sets[2].doppler, 7.0f);

  r.RemoveEpochs([](const DataEpoch& e, std::size_t) { return e.seconds == 2; });
  ASSERT_EQ(r.Satellites().size(), kBlock + 3);
  r.AppendEpoch().seconds = 3;
  EXPECT_EQ(r.Satellites()[kBlock + 2].frequencyChannel, static_cast<std::int8_t>((kBlock + 2) % 21) - 7);
  const EpochSatellite& fresh = r.AddSatellite();
  EXPECT_EQ(fresh.satelliteId, 0);
  EXPECT_EQ(fresh.frequencyChannel, kNoChannel);
  EXPECT_EQ(fresh.sets[2].doppler, 0.0f);
  EXPECT_EQ(r.EpochCount(), 2u);
  EXPECT_EQ(r.Epochs().back().firstSatellite, kBlock + 3);
  std::size_t walked = 0;
  for (const EpochSatellite& s : r.Satellites()) walked += s.satelliteId != 0 ? 1 : 0;
  EXPECT_EQ(walked, kBlock + 3);
}

// A day at 1 Hz stores millions of satellites: the channel must live in the
// padding after the id, not widen the record.
TEST(StoredRecords, TheChannelDoesNotWidenASatellite) {
  EXPECT_EQ(sizeof(EpochSatellite), alignof(SignalSlot) + sizeof(std::array<SignalSlot, kSignalCount>));
}

TEST(StoredRecords, AccessorsWithoutAnOccupationMeanTheFirst) {
  StoredRecords empty;
  EXPECT_EQ(empty.MarkerNameOf(nullptr), "");
  EXPECT_EQ(empty.MarkerNumberOf(nullptr), "");
  EXPECT_EQ(empty.AntennaBlockOf(nullptr).heightFlags, 0);

  StoredRecords r;
  DataOccup& first = Record(r);
  first.markerName = "A";
  first.markerNumber = "1";
  first.antenna.heightFlags = kHeightGiven;
  AddEpoch(r, 100, {1});
  DataOccup& second = Record(r);
  second.markerName = "B";
  second.markerNumber = "2";
  EXPECT_EQ(r.MarkerNameOf(nullptr), "A");
  EXPECT_EQ(r.MarkerNumberOf(nullptr), "1");
  EXPECT_EQ(r.AntennaBlockOf(nullptr).heightFlags, kHeightGiven);
  EXPECT_EQ(r.MarkerNameOf(&second), "B");
  EXPECT_EQ(r.MarkerNumberOf(&second), "2");
  EXPECT_EQ(r.AntennaBlockOf(&second).heightFlags, 0);
}

}  // namespace
}  // namespace qzr2rin
