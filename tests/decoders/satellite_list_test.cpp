// Satellite list messages through the scanner and dispatch table: the index
// mapping, the GLONASS slot numbers, the presence marks that restart phase
// unwrapping, the pending date, and the status message.

#include "decoders/satellite_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "decoders/dispatch.h"
#include "decoders/epoch_data.h"
#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::ListSatellites;
using qzrtest::LogBuilder;
using qzrtest::Message;
using qzrtest::PhaseOf;
using qzrtest::PresenceOf;
using qzrtest::WithPendingDate;
using qzrtest::WithTimeContinuity;

// ---- bench helpers ----

using Lost = ConverterBench::Lost;
using Walked = ConverterBench::Walked;

Walked Walk(ConverterBench& bench, Lost lost = {}) { return bench.WalkEach(lost); }

LogBuilder Log(const std::vector<Bytes>& messages) {
  LogBuilder log;
  for (const Bytes& m : messages) log.Add(m);
  log.LineBreak();
  return log;
}

Bytes List(std::initializer_list<std::uint8_t> indexes) {
  BodyBuilder b;
  for (const std::uint8_t i : indexes) b.U8(i);
  return Message("SI", b);
}

Bytes Numbers(std::initializer_list<std::int8_t> slots) {
  BodyBuilder b;
  for (const std::int8_t s : slots) b.I8(s);
  return Message("NN", b);
}

Bytes Statuses(std::initializer_list<std::uint8_t> bytes) {
  BodyBuilder b;
  for (const std::uint8_t v : bytes) b.U8(v);
  return Message("SS", b);
}

// A message that passes its checksum and stores nothing.
Bytes Filler() { return Message("GT", BodyBuilder().U8(0)); }

// ---- [SI] ----

TEST(SatelliteIndex, MapsEachRangeOfIndexBytes) {
  struct Case {
    std::uint8_t index;
    std::uint8_t id;
    std::int8_t listChannel;
    std::int8_t rawChannel;
  };
  const Case kCases[] = {
      {0, 0, 0, 99},
      {1, 1, 99, 99},
      {37, 37, 99, 99},
      {38, 0x80, -7, -7},
      {45, 0x80, 0, 0},
      {70, 0x80, 25, 25},
      {71, 0, 0, 99},
      {119, 0, 0, 99},
      {120, 0x40 | 20, 99, 99},
      {138, 0x40 | 38, 99, 99},
      {139, 0, 0, 99},
      {255, 0, 0, 99},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.index));
    const SatelliteEntry listed = MapSatelliteIndex(c.index, kListUnknownChannel);
    EXPECT_EQ(listed.satelliteId, c.id);
    EXPECT_EQ(listed.frequencyChannel, c.listChannel);
    EXPECT_EQ(MapSatelliteIndex(c.index, kNoChannel).frequencyChannel, c.rawChannel);
  }
}

TEST(SatelliteIndex, ListsOneSatelliteOfEachKind) {
  ConverterBench bench(Log({List({5, 40, 125, 200})}));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>{Status::Ok});
  EXPECT_EQ(w.texts[0], "5 R251 S25 200-USI unknown \n   Satellites = 4\n");
  const EpochInProgress& e = bench.file().Assembly().epoch;
  ASSERT_EQ(e.count, 4);
  EXPECT_EQ(e.satellites[0].satelliteId, 5);
  EXPECT_EQ(e.satellites[0].frequencyChannel, 99);
  EXPECT_EQ(e.satellites[1].satelliteId, 0x80);
  EXPECT_EQ(e.satellites[1].frequencyChannel, -5);
  EXPECT_EQ(e.satellites[2].satelliteId, 0x40 | 25);
  EXPECT_EQ(e.satellites[2].frequencyChannel, 99);
  EXPECT_EQ(e.satellites[3].satelliteId, 0);
  EXPECT_EQ(e.satellites[3].frequencyChannel, 0);
}

TEST(SatelliteIndex, NewListReplacesTheEntriesAndTheirElevations) {
  ConverterBench bench(Log({List({5, 9}), Message("EL", BodyBuilder().I8(30).I8(40)), List({7})}));
  Walk(bench);
  const EpochInProgress& e = bench.file().Assembly().epoch;
  EXPECT_EQ(e.count, 1);
  EXPECT_EQ(e.satellites[0].satelliteId, 7);
  EXPECT_EQ(e.satellites[0].elevation, 0);
}

TEST(SatelliteIndex, ClearsTheLostList_AndTheNumbersOnlyWithoutGlonass) {
  struct Case {
    const char* name;
    Bytes list;
    bool numbersLost;
  };
  const Case kCases[] = {
      {"GPS and GEO only", List({5, 125}), false},
      {"empty list", List({}), false},
      {"with a GLONASS entry", List({5, 40}), true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log({c.list}));
    Walk(bench, {true, true, true});
    EXPECT_FALSE(bench.file().Scanner().satelliteListLost);
    EXPECT_EQ(bench.file().Scanner().glonassNumbersLost, c.numbersLost);
    EXPECT_TRUE(bench.file().Scanner().timeLost);
  }
}

TEST(SatelliteIndex, BadChecksumKeepsThePreviousList) {
  ConverterBench bench(Log({List({5}), qzrtest::BadChecksumMessage("SI", {7, 8}), Filler()}));
  const Walked w = Walk(bench);
  ASSERT_GE(w.results.size(), 2u);
  EXPECT_EQ(w.results[1], Status::BadChecksum);
  EXPECT_EQ(w.texts[1].rfind("Bad Checksum\n", 0), 0u);
  EXPECT_EQ(bench.file().Assembly().epoch.count, 1);
  EXPECT_EQ(bench.file().Assembly().epoch.satellites[0].satelliteId, 5);
  EXPECT_TRUE(bench.file().Scanner().satelliteListLost);
}

TEST(SatelliteIndex, EmptyBodyIsAShortBody) {
  ConverterBench bench(Log({List({5}), qzrtest::RawMessage("SI", "000", {}), Filler()}));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>(3, Status::Ok));
  EXPECT_EQ(w.texts[1], "    Error Len! Expected:1 arrived: 0\n");
  EXPECT_EQ(bench.file().Assembly().epoch.count, 1);
}

TEST(SatelliteIndex, TheLongestListIsKeptWhole) {
  BodyBuilder b;
  for (std::size_t i = 0; i < 4094; ++i) b.U8(static_cast<std::uint8_t>(i % 256));
  ConverterBench bench(Log({Message("SI", b)}));
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>{Status::Ok});
  const EpochInProgress& e = bench.file().Assembly().epoch;
  ASSERT_EQ(e.count, 4094);
  EXPECT_EQ(e.satellites[4093].satelliteId, 0);          // 4093 % 256 = 253
  EXPECT_EQ(e.satellites[3845].satelliteId, 5);          // 3845 % 256 = 5
  EXPECT_EQ(e.satellites[3962].satelliteId, 0x40 | 22);  // 3962 % 256 = 122
  EXPECT_NE(w.texts[0].find("\n   Satellites = 4094\n"), std::string::npos);
}

TEST(SatelliteIndex, AppliesAPendingDateAtTheFirstNonEmptyList) {
  ConverterBench bench(Log({List({}), Message("~~", BodyBuilder().U32(2000)), List({5})}));
  TQZRFile& f = bench.file();
  WithPendingDate(f, 9000);
  WithTimeContinuity(f, true);
  const Walked w = Walk(bench);
  ASSERT_EQ(w.results, std::vector<Status>(3, Status::Ok));
  EXPECT_EQ(w.texts[0], "\n   Satellites = 0\n");
  EXPECT_EQ(w.texts[2], "5 \n   Satellites = 1\nDay generated by lay RD\n");
  EXPECT_FALSE(f.Clock().datePending);
  EXPECT_FALSE(f.Clock().timeContinuity);
  EXPECT_EQ(f.Clock().epochDay, 9000u);
}

// ---- presence marks and phase unwrapping ----

const PhaseTrack kUsed{0x12345678, 7};
constexpr std::uint32_t kListedAtMs = 1000;

Bytes Time(std::uint32_t ms) { return Message("~~", BodyBuilder().U32(ms)); }

// Unwrapping state of every signal of GPS 5 and 9, GLONASS slot 3 and GEO
// 125, with all four listed at kListedAtMs.
void SeedFourSatellites(TQZRFile& f) {
  PhaseUnwrapping& phase = PhaseOf(f);
  for (int s = 0; s < kSignalCount; ++s) {
    phase.gps[s][4] = phase.gps[s][8] = phase.glonass[s][3] = phase.geo[s][5] = kUsed;
  }
  PresenceMarks& presence = PresenceOf(f);
  for (Presence* p : {&presence.gps[5], &presence.gps[9], &presence.glonass[3], &presence.geo[5]}) {
    *p = Presence{true, kListedAtMs};
  }
}

enum class Track { Kept, Resumed, Restarted };

Track StateOf(const PhaseTrack& t) {
  if (t.lastRawPhase == 0 && t.phaseWraps == 0 && !t.resumed) return Track::Restarted;
  EXPECT_EQ(t.lastRawPhase, kUsed.lastRawPhase);
  EXPECT_EQ(t.phaseWraps, kUsed.phaseWraps);
  return t.resumed ? Track::Resumed : Track::Kept;
}

TEST(SatellitePresence, ASatelliteBackAfterAShortAbsenceResumesAndAfterALongOneRestarts) {
  constexpr std::uint32_t kSoon = kListedAtMs + 2000;
  constexpr std::uint32_t kLate = kListedAtMs + static_cast<std::uint32_t>(kShortAbsenceMs) + 2000;
  struct Case {
    const char* name;
    std::vector<Bytes> messages;
    Track gps5, glonass3, geo125;
  };
  const Case kCases[] = {
      {"all still listed",
       {Time(kSoon), List({5, 9, 40, 125}), Numbers({3})},
       Track::Kept,
       Track::Kept,
       Track::Kept},
      {"all leave and soon return",
       {Time(kListedAtMs + 1000), List({9, 40}), Numbers({4}), Time(kSoon), List({5, 9, 40, 125}),
        Numbers({3})},
       Track::Resumed,
       Track::Resumed,
       Track::Resumed},
      {"all leave and return after a set and a rise",
       {Time(kListedAtMs + 1000), List({9, 40}), Numbers({4}), Time(kLate), List({5, 9, 40, 125}),
        Numbers({3})},
       Track::Restarted,
       Track::Restarted,
       Track::Restarted},
      {"absent but not back yet", {Time(kSoon), List({9})}, Track::Kept, Track::Kept, Track::Kept},
      {"GLONASS renumbered to another slot and back",
       {Time(kListedAtMs + 1000), List({9, 40}), Numbers({7}), Time(kSoon), List({9, 40}), Numbers({3})},
       Track::Kept,
       Track::Resumed,
       Track::Kept},
      {"a list without GLONASS forgets the slots",
       {Time(kListedAtMs + 1000), List({5, 9, 125}), Time(kSoon), List({5, 9, 40, 125}), Numbers({3})},
       Track::Kept,
       Track::Resumed,
       Track::Kept},
      {"a slot without a number is not listed",
       {Time(kListedAtMs + 1000), List({5, 9, 40, 125}), Numbers({0}), Time(kLate), List({5, 9, 40, 125}),
        Numbers({3})},
       Track::Kept,
       Track::Restarted,
       Track::Kept},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log(c.messages));
    TQZRFile& f = bench.file();
    SeedFourSatellites(f);
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, std::vector<Status>(c.messages.size(), Status::Ok));
    for (int s = 0; s < kSignalCount; ++s) {
      SCOPED_TRACE(s);
      EXPECT_EQ(StateOf(f.Assembly().phase.gps[s][4]), c.gps5);
      EXPECT_EQ(StateOf(f.Assembly().phase.glonass[s][3]), c.glonass3);
      EXPECT_EQ(StateOf(f.Assembly().phase.geo[s][5]), c.geo125);
      EXPECT_EQ(StateOf(f.Assembly().phase.gps[s][8]), Track::Kept);  // GPS 9 is in every list
    }
  }
}

// A satellite missing from one list keeps counting its phase wraps, and its
// first phase after the return says that it may have slipped.
TEST(SatellitePresence, PhaseAfterAShortAbsenceGoesOnWithTheLossOfLockBit) {
  const Bytes top = Message("pc", BodyBuilder().U32(0xF0000000));
  const Bytes bottom = Message("pc", BodyBuilder().U32(0x10000000));
  struct Case {
    const char* name;
    std::uint32_t returnMs;
    std::int32_t wraps;
    std::uint16_t lossOfLock;
  };
  const Case kCases[] = {
      {"back one epoch later", 3000, 1, kFlagLossOfLock},
      {"back after a set and a rise", 3000 + static_cast<std::uint32_t>(kShortAbsenceMs), 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log({Time(1000), List({5}), top, Time(2000), List({9}), Time(c.returnMs), List({5}),
                              bottom, Time(c.returnMs + 1000), List({5}), bottom}));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, std::vector<Status>(11, Status::Ok));
    const PhaseTrack& t = bench.file().Assembly().phase.gps[0][4];
    EXPECT_EQ(t.phaseWraps, c.wraps);
    EXPECT_FALSE(t.resumed);
    // The last epoch, still in progress: only the first phase after the
    // return carries the bit.
    const SignalSlot& set = bench.file().Assembly().epoch.slots[0].signals[0];
    EXPECT_DOUBLE_EQ(set.carrierPhase, (c.wraps * 4294967296.0 + 0x10000000) / 1024.0);
    EXPECT_EQ(set.signalFlags & kFlagLossOfLock, 0);
  }
}

TEST(SatellitePresence, OnlyTheFirstPhaseAfterTheReturnIsFlagged) {
  ConverterBench bench(Log({Time(1000), List({5}), Message("pc", BodyBuilder().U32(0x100)), Time(2000),
                            List({9}), Time(3000), List({5}), Message("pc", BodyBuilder().U32(0x200))}));
  Walk(bench);
  const SignalSlot& set = bench.file().Assembly().epoch.slots[0].signals[0];
  EXPECT_EQ(set.signalFlags & kFlagLossOfLock, kFlagLossOfLock);
  EXPECT_DOUBLE_EQ(set.carrierPhase, 0x200 / 1024.0);
}

// ---- [NN] ----

TEST(GlonassNumbers, NumbersTheGlonassEntriesInListOrder) {
  ConverterBench bench(Log({List({5, 40, 125, 41}), Numbers({3, 33})}));
  const Walked w = Walk(bench, {false, false, true});
  ASSERT_EQ(w.results, std::vector<Status>(2, Status::Ok));
  EXPECT_EQ(w.texts[1], "R-5=3 R-4=33 \n");
  const EpochInProgress& e = bench.file().Assembly().epoch;
  EXPECT_EQ(e.satellites[0].satelliteId, 5);
  EXPECT_EQ(e.satellites[1].satelliteId, 0x80 | 3);
  EXPECT_EQ(e.satellites[2].satelliteId, 0x40 | 25);
  EXPECT_EQ(e.satellites[3].satelliteId, 0x80 | 33);
  EXPECT_FALSE(bench.file().Scanner().glonassNumbersLost);
  EXPECT_TRUE(bench.file().Assembly().presence.glonass[3].listed);
  EXPECT_TRUE(bench.file().Assembly().presence.glonass[33].listed);
}

TEST(GlonassNumbers, SlotNumbersOneToThirtyThree) {
  struct Case {
    std::int8_t slot;
    std::uint8_t id;
    const char* text;
    Status status;
  };
  // 0 is a slot the receiver does not know yet; any other number outside
  // the slots is damage, and the whole list is refused.
  const Case kCases[] = {
      {1, 0x81, "R-7=1 \n", Status::Ok},
      {24, 0x98, "R-7=24 \n", Status::Ok},
      {25, 0x99, "R-7=25 \n", Status::Ok},
      {33, 0xA1, "R-7=33 \n", Status::Ok},
      {0, 0x80, "R-7=0Error: No number \n", Status::Ok},
      {34, 0x80, "    Error: slot number 34\n    Raising OUT OF SYNC flag\n", Status::BadChecksum},
      {-1, 0x80, "    Error: slot number -1\n    Raising OUT OF SYNC flag\n", Status::BadChecksum},
      {127, 0x80, "    Error: slot number 127\n    Raising OUT OF SYNC flag\n", Status::BadChecksum},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.slot));
    ConverterBench bench(Log({List({38}), Numbers({c.slot})}));
    const Walked w = Walk(bench);
    ASSERT_EQ(w.results, (std::vector<Status>{Status::Ok, c.status}));
    EXPECT_EQ(w.texts[1], c.text);
    EXPECT_EQ(bench.file().Assembly().epoch.satellites[0].satelliteId, c.id);
  }
}

TEST(GlonassNumbers, RepeatedNumbersDoNotShiftTheIds) {
  ConverterBench bench(Log({List({40}), Numbers({20}), Numbers({20}), Numbers({0})}));
  Walk(bench);
  // The last one leaves the entry without a number again.
  EXPECT_EQ(bench.file().Assembly().epoch.satellites[0].satelliteId, 0x80);
  ConverterBench twice(Log({List({40}), Numbers({20}), Numbers({20})}));
  Walk(twice);
  EXPECT_EQ(twice.file().Assembly().epoch.satellites[0].satelliteId, 0x80 | 20);
}

TEST(GlonassNumbers, WrongByteCountRaisesOutOfSync) {
  struct Case {
    const char* name;
    Bytes numbers;
    const char* text;
  };
  const Case kCases[] = {
      {"one byte too many", Numbers({3, 4}),
       "    Error Len! Expected:1 arrived: 2\n    Raising OUT OF SYNC flag\n"},
      {"one byte too few", Numbers({}),
       "    Error Len! Expected:1 arrived: 0\n    Raising OUT OF SYNC flag\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log({List({5, 40}), c.numbers}));
    const Walked w = Walk(bench);
    ASSERT_GE(w.results.size(), 2u);
    EXPECT_EQ(w.results[1], Status::BadChecksum);
    EXPECT_EQ(w.texts[1].rfind(c.text, 0), 0u) << w.texts[1];
    EXPECT_EQ(bench.file().Assembly().epoch.satellites[1].satelliteId, 0x80);
    EXPECT_TRUE(bench.file().Scanner().glonassNumbersLost);
  }
}

TEST(GlonassNumbers, SilentWhileTimeOrListIsLost) {
  const Lost kLost[] = {{true, false, true}, {false, true, true}};
  for (const Lost& lost : kLost) {
    SCOPED_TRACE(lost.time ? "time" : "list");
    ConverterBench bench(Log({Numbers({3})}));
    TQZRFile& f = bench.file();
    ListSatellites(f, {MapSatelliteIndex(40, kListUnknownChannel)});
    const Walked w = Walk(bench, lost);
    ASSERT_EQ(w.results, std::vector<Status>{Status::Ok});
    EXPECT_EQ(w.texts[0], "");
    EXPECT_EQ(f.Assembly().epoch.satellites[0].satelliteId, 0x80);
    EXPECT_TRUE(f.Scanner().glonassNumbersLost);
  }
}

TEST(GlonassNumbers, ChecksumAndEmptyBody) {
  ConverterBench bench(
      Log({List({40}), qzrtest::RawMessage("NN", "000", {}), qzrtest::BadChecksumMessage("NN", {3})}));
  const Walked w = Walk(bench);
  ASSERT_GE(w.results.size(), 3u);
  EXPECT_EQ(w.results[1], Status::Ok);
  EXPECT_EQ(w.texts[1], "    Error Len! Expected:2 arrived: 0\n");
  EXPECT_EQ(w.results[2], Status::BadChecksum);
  EXPECT_EQ(w.texts[2].rfind("Bad Checksum\n", 0), 0u);
  EXPECT_EQ(bench.file().Assembly().epoch.satellites[0].satelliteId, 0x80);
}

// ---- [SS] ----

TEST(SatelliteStatus, DumpsEachStatusAndTheSolutionType) {
  struct Case {
    const char* name;
    Bytes status;
    Lost lost;
    const char* text;
  };
  const Case kCases[] = {
      {"values", Statuses({7, 3, 255, 2}), {}, "7 Ignore NaN \nSolution Type : 2\n"},
      {"no solution type", Statuses({0, 0, 0, 255}), {}, "0 Ignore 0 \nSolution Type : NaN\n "},
      {"one byte short", Statuses({7, 3, 2}), {}, "    Error Len! Expected:5 arrived: 4\n"},
      {"empty", qzrtest::RawMessage("SS", "000", {}), {}, "    Error Len! Expected:5 arrived: 0\n"},
      {"time lost", Statuses({7, 3, 255, 2}), {true, false, false}, "Lost time, skipping\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConverterBench bench(Log({List({5, 200, 9}), c.status, Filler()}));
    const Walked w = Walk(bench, c.lost);
    ASSERT_EQ(w.results, std::vector<Status>(3, Status::Ok));
    EXPECT_EQ(w.texts[1], c.text);
  }
}

TEST(SatelliteStatus, BadChecksumFails) {
  ConverterBench bench(Log({List({5}), qzrtest::BadChecksumMessage("SS", {1, 2})}));
  const Walked w = Walk(bench);
  ASSERT_GE(w.results.size(), 2u);
  EXPECT_EQ(w.results[1], Status::BadChecksum);
}

}  // namespace
}  // namespace qzr2rin
