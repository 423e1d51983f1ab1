// The raw-measurement message, driven through the real scanner and dispatch
// table. Bodies are packed bit by bit from the message layout.

#include "decoders/raw_measurements.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzr2rin {
namespace {

using qzrtest::AtDate;
using qzrtest::AtTimeOfDay;
using qzrtest::BodyBuilder;
using qzrtest::Bytes;
using qzrtest::ConverterBench;
using qzrtest::InFirstRun;
using qzrtest::ListRawSatellites;
using qzrtest::LogBuilder;

// Appends fields of any width, least significant bit first, so that a
// little-endian word's bit n is stream bit n.
class BitWriter {
 public:
  BitWriter& Bits(std::uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i, ++bit_) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | 1u << (bit_ % 8));
    }
    return *this;
  }
  // Two's complement in `width` bits.
  BitWriter& Signed(std::int64_t value, unsigned width) {
    return Bits(static_cast<std::uint64_t>(value), width);
  }
  BitWriter& Fill(std::size_t count, std::uint8_t byte) {
    for (std::size_t i = 0; i < count; ++i) Bits(byte, 8);
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t bit_ = 0;
};

struct Signal {
  unsigned signal = 0;
  unsigned cn0 = 0;
  std::int32_t phaseRange = 0;  // 0.0005 m
  std::int16_t rangeDiff = 0;   // 0.02 m; later records only
  unsigned slot = 0;            // first record only, as are channel and navStatus
  unsigned channel = 0;
  unsigned navStatus = 0;
  std::int16_t flags = 0;
  unsigned lockTime = 0;     // 0.1 s
  std::int32_t doppler = 0;  // 0.001 Hz; Version 0 only
};

struct Satellite {
  std::uint32_t referenceRange = 0;  // 0.02 m
  std::uint8_t index = 0;
  std::vector<Signal> signals;
};

// Week 1250, day 3 (2003-12-24), 12:34:56.789.
constexpr std::uint32_t kWeek = 1250;
constexpr std::uint32_t kMsOfDay = 45'296'789;
constexpr std::uint32_t kDayNumber = kWeek * 7 + 3;
constexpr std::uint32_t kReferenceMs = 3 * 86'400'000 + kMsOfDay;
constexpr std::uint32_t kRange20000km = 1'000'000'000;  // 20 000 000 m

struct Raw {
  std::uint16_t sample = 0;
  unsigned weekOrDay = kWeek;
  unsigned leap = 0;
  unsigned scale = 0;
  std::uint32_t referenceMs = kReferenceMs;
  unsigned clockId = 0;
  int clockOffset = 0;  // 1.25e-7 s
  unsigned version = 0;
  unsigned lengthHeader = 0;
  unsigned lengthSlotRec = 0;
  int svdN = -1;  // -1: the number of satellites given
  std::vector<Satellite> satellites;
};

// Bytes the decoder must skip: a misaligned read of them is noticed.
constexpr std::uint8_t kFiller = 0xFF;

Bytes Payload(const Raw& m) {
  BitWriter w;
  w.Bits(m.sample, 16).Bits(m.weekOrDay, 11).Bits(m.leap, 2).Bits(m.scale, 3).Bits(m.referenceMs, 32);
  w.Bits(m.clockId, 2).Signed(m.clockOffset, 14);
  const unsigned svdN =
      m.svdN >= 0 ? static_cast<unsigned>(m.svdN) : static_cast<unsigned>(m.satellites.size());
  w.Bits(m.lengthSlotRec, 5).Bits(m.lengthHeader, 3).Bits(svdN, 5).Bits(m.version, 3);
  for (const Satellite& s : m.satellites) {
    w.Bits(s.referenceRange, 32).Bits(s.index, 8).Bits(s.signals.size() - 1, 3).Bits(0, 5);
    w.Fill(m.lengthHeader, kFiller);
    for (std::size_t k = 0; k < s.signals.size(); ++k) {
      const Signal& g = s.signals[k];
      if (k == 0) {
        w.Bits(g.navStatus, 6).Bits(g.channel, 5).Bits(g.slot, 5);
      } else {
        w.Signed(g.rangeDiff, 16);
      }
      w.Bits(g.cn0, 6).Bits(0, 3).Bits(g.signal, 3).Signed(g.phaseRange, 20);
      w.Signed(g.flags, 16).Bits(g.lockTime, 10).Bits(0, 6);
      int padding = static_cast<int>(m.lengthSlotRec);
      if (m.version == 0) {
        w.Bits(0, 7).Signed(g.doppler, 25);
        padding -= 4;
      }
      if (padding > 0) w.Fill(static_cast<std::size_t>(padding), kFiller);
    }
  }
  return w.bytes();
}

Bytes RawMessage(const Raw& m) { return qzrtest::CrcMessage("rM", Payload(m)); }

// A log of this one message.
LogBuilder Alone(const Raw& m) {
  LogBuilder log;
  log.Add(RawMessage(m)).LineBreak();
  return log;
}

Bytes Time(std::uint32_t ms) { return qzrtest::Message("~~", BodyBuilder().U32(ms)); }

// A satellite with one C/A record.
Satellite OneSignal(std::uint8_t index) { return {kRange20000km, index, {{.signal = 0, .cn0 = 40}}}; }

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Everything lost, as after a broken stream: [rM] brings its own time and list.
constexpr qzrtest::WalkLost kAllLost{true, true, true};

constexpr double kSpeedOfLight = 299792458.0;

TEST(RawMeasurements, FillsTheRawEpochAndStoresIt) {
  Raw m;
  m.satellites = {
      {kRange20000km,
       5,
       {{.signal = 0, .cn0 = 45, .phaseRange = 2000, .doppler = -1'234'567},
        {.signal = 2, .cn0 = 38, .phaseRange = -2000, .rangeDiff = -150, .doppler = 987'654}}},
      {kRange20000km, 40, {{.signal = 0, .cn0 = 40, .phaseRange = 2000, .slot = 7}}},
  };
  ConverterBench bench(Alone(m));
  TQZRFile& f = bench.file();
  const auto walked = bench.WalkEach(kAllLost);
  ASSERT_EQ(walked.results, std::vector<Status>{Status::Ok});

  EXPECT_EQ(f.Clock().epochDay, kDayNumber);
  EXPECT_EQ(f.Clock().epochMsOfDay, kMsOfDay);
  EXPECT_FALSE(f.Scanner().timeLost);
  EXPECT_FALSE(f.Scanner().satelliteListLost);
  EXPECT_FALSE(f.Scanner().glonassNumbersLost);

  ASSERT_EQ(f.Assembly().raw.count, 2);
  EXPECT_EQ(f.Assembly().raw.satellites[0].satelliteId, 5);
  EXPECT_EQ(f.Assembly().raw.satellites[0].frequencyChannel, kNoChannel);
  EXPECT_EQ(f.Assembly().raw.satellites[1].satelliteId, 0x87);  // GLONASS slot 7
  EXPECT_EQ(f.Assembly().raw.satellites[1].frequencyChannel, -5);

  struct Expected {
    const char* what;
    std::size_t satellite;
    int signal;
    std::uint16_t flags;
    double pseudorange;
    double carrierPhase;  // on the reference range, not on the pseudorange
    std::uint8_t cn0;
    float doppler;
  };
  const Expected kExpected[] = {
      // Completion marks the set that another one follows.
      {"GPS C/A", 0, 0, 0x0750 | kFlagAnotherSetFollows, 20'000'000.0,
       1575420000.0 * 20'000'001.0 / kSpeedOfLight, 45, -1234.567f},
      {"GPS P1 empty", 0, 1, 0, 0, 0, 0, 0},
      {"GPS L2", 0, 2, 0x0748, 19'999'997.0, 1227600000.0 * 19'999'999.0 / kSpeedOfLight, 38, 987.654f},
      {"GLONASS C/A, channel -5", 1, 0, 0x0750, 20'000'000.0, 1599187500.0 * 20'000'001.0 / kSpeedOfLight, 40,
       0},
  };
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.what);
    const SignalSlot& s = f.Assembly().raw.slots[e.satellite].signals[static_cast<std::size_t>(e.signal)];
    EXPECT_EQ(s.signalFlags, e.flags);
    EXPECT_DOUBLE_EQ(s.pseudorange, e.pseudorange);
    EXPECT_NEAR(s.carrierPhase, e.carrierPhase, 1e-6);
    EXPECT_EQ(s.status2, e.cn0);
    EXPECT_FLOAT_EQ(s.doppler, e.doppler);
  }

  ASSERT_EQ(f.Collected().records.EpochCount(), 1u);
  const DataEpoch& epoch = f.Collected().records.Epochs()[0];
  EXPECT_EQ(epoch.seconds, kDayNumber * 86400 + kMsOfDay / 1000);
  EXPECT_EQ(epoch.nanoseconds, 789'000'000u);
  ASSERT_EQ(epoch.satelliteCount, 2u);
  const EpochSatellite& gps = f.Collected().records.Satellites()[epoch.firstSatellite];
  EXPECT_EQ(gps.satelliteId, 5);
  EXPECT_EQ(gps.sets[0].signalFlags, 0x0750 | kFlagAnotherSetFollows);
  EXPECT_EQ(gps.sets[1].signalFlags, 0x0748 | kFlagAntiSpoofing);
  EXPECT_DOUBLE_EQ(gps.sets[1].pseudorange, 19'999'997.0);  // already metres
  EXPECT_EQ(f.Collected().records.Satellites()[epoch.firstSatellite + 1].satelliteId, 0x87);
}

TEST(RawMeasurements, DumpShowsEveryField) {
  Raw m;
  m.sample = 7;
  m.leap = 2;
  m.clockId = 1;
  m.clockOffset = -3;
  m.satellites = {{kRange20000km,
                   40,
                   {{.signal = 0,
                     .cn0 = 45,
                     .phaseRange = 2000,
                     .slot = 7,
                     .channel = 3,
                     .navStatus = 9,
                     .flags = -2,
                     .lockTime = 123,
                     .doppler = -1'234'567},
                    {.signal = 1, .cn0 = 38, .phaseRange = -1000, .rangeDiff = -150}}}};
  ConverterBench bench(Alone(m));
  const auto walked = bench.WalkEach();
  ASSERT_EQ(walked.texts.size(), 1u);
  // The occupation lines between the message and the stored epoch are not
  // this decoder's.
  const std::string decoded =
      "  Sample = 7 Scale ID = 0 LeapSecSt = 2 Week/Day = 1250 Reftime = 304496789\n"
      "  ( Year=2003 Month=12 Day=24 12h34m56.789s )\n"
      "  Clock Offset ID = 1 Offset =-3 ( -0.000000375 sec;)\n"
      "  Flags ( Version = 0 SvdN = 1 LengthHeader = 0 LengthSlotRec = 0 )\n"
      "R251  Num = 1   RefRange = 20000000.00\n"
      "    SlotId = 0 PRange = 20000000.00 R = 7 Channel = 3 NavStatus = 9\n"
      "      CarPhase = 106686311.632 ToNoiseRatio = 45 Flags = -2 LockTime = 12.3\n"
      "      Doppler = -1234.567\n"
      "    SlotId = 1 PRange = 19999997.00\n"
      "      CarPhase = 106686303.631 ToNoiseRatio = 38 Flags = 0 LockTime = 0.0\n"
      "      Doppler = 0.000\n";
  EXPECT_EQ(walked.texts[0].substr(0, decoded.size()), decoded);
  EXPECT_TRUE(Contains(walked.texts[0], "\nWrite epoch from [RM]; Time (ms) = 12h34m56.789s\n"))
      << walked.texts[0];
}

TEST(RawMeasurements, UnusableWeekOrDayIgnoresTheMessage) {
  struct Case {
    const char* name;
    unsigned scale;
    const char* dump;
  };
  const Case kCases[] = {
      {"scale 2", 2, "Reftime = 304496789\n Ignore rM \n"},
      {"four-year day without a date", 1, "Reftime = 304496789\nNo date. Skipping.\n Ignore rM \n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Raw m;
    m.scale = c.scale;
    m.satellites = {OneSignal(5)};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    AtTimeOfDay(f, 7);
    const auto walked = bench.WalkEach(kAllLost);
    ASSERT_EQ(walked.results, std::vector<Status>{Status::Ok});
    ASSERT_EQ(walked.texts.size(), 1u);
    EXPECT_TRUE(Contains(walked.texts[0], c.dump)) << walked.texts[0];
    EXPECT_FALSE(Contains(walked.texts[0], "Flags (")) << walked.texts[0];
    EXPECT_EQ(f.Clock().epochDay, 0u);
    EXPECT_EQ(f.Clock().epochMsOfDay, 7u);
    EXPECT_EQ(f.Assembly().raw.count, 0);
    EXPECT_TRUE(f.Scanner().timeLost);
    EXPECT_TRUE(f.Scanner().satelliteListLost);
    EXPECT_FALSE(f.Collected().records.HasEpochs());
  }
}

TEST(RawMeasurements, SignalRecordLengthFollowsVersionAndLengthSlotRec) {
  struct Case {
    const char* name;
    unsigned version;
    unsigned lengthSlotRec;
    unsigned lengthHeader;
    bool doppler;
  };
  const Case kCases[] = {
      {"Version 1, LengthSlotRec 4: 10 read, 4 skipped", 1, 4, 0, false},
      {"Version 0, LengthSlotRec 4: 14 read, none skipped", 0, 4, 0, true},
      {"Version 0, LengthSlotRec 6: 14 read, 2 skipped", 0, 6, 0, true},
      {"Version 0, LengthSlotRec 0: 14 read", 0, 0, 0, true},
      {"Version 2, LengthSlotRec 0: 10 read", 2, 0, 0, false},
      {"LengthHeader 3 skipped after the satellite fields", 1, 0, 3, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Raw m;
    m.version = c.version;
    m.lengthSlotRec = c.lengthSlotRec;
    m.lengthHeader = c.lengthHeader;
    // Two records per satellite and two satellites: a wrong record length
    // misplaces the second record and the second satellite.
    const Signal first{.signal = 0, .cn0 = 41, .phaseRange = 2000, .doppler = 1'500'000};
    const Signal second{.signal = 2, .cn0 = 42, .rangeDiff = 50, .doppler = -2'500'000};
    m.satellites = {{kRange20000km, 5, {first, second}}, {kRange20000km + 100, 12, {first, second}}};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    ASSERT_EQ(bench.WalkEach().results, std::vector<Status>{Status::Ok});
    ASSERT_EQ(f.Assembly().raw.count, 2);
    EXPECT_EQ(f.Assembly().raw.satellites[1].satelliteId, 12);
    const SignalSlot& l2 = f.Assembly().raw.slots[1].signals[kSignalPL2];
    EXPECT_DOUBLE_EQ(l2.pseudorange, 20'000'003.0);
    EXPECT_EQ(l2.status2, 42);
    const std::uint16_t dopplerFlag = c.doppler ? kFlagDoppler : 0;
    EXPECT_EQ(l2.signalFlags, 0x0348 | dopplerFlag);
    EXPECT_FLOAT_EQ(l2.doppler, c.doppler ? -2500.0f : 0.0f);
    EXPECT_FLOAT_EQ(f.Assembly().raw.slots[1].signals[kSignalCaL1].doppler, c.doppler ? 1500.0f : 0.0f);
    ASSERT_EQ(f.Collected().records.EpochCount(), 1u);
    EXPECT_EQ(f.Collected().records.Epochs()[0].satelliteCount, 2u);
  }
}

TEST(RawMeasurements, SignalIndexOutsideTheSetsIsConsumedWithoutStoring) {
  for (const unsigned signal : {3u, 7u}) {
    SCOPED_TRACE(signal);
    Raw m;
    m.version = 1;
    m.satellites = {
        {kRange20000km, 5, {{.signal = signal, .cn0 = 30}, {.signal = 2, .cn0 = 33, .rangeDiff = 50}}},
        OneSignal(6)};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    const auto walked = bench.WalkEach();
    ASSERT_EQ(walked.results, std::vector<Status>{Status::Ok});
    ASSERT_EQ(f.Assembly().raw.count, 2);
    const auto& sets = f.Assembly().raw.slots[0].signals;
    EXPECT_EQ(sets[kSignalCaL1].signalFlags, 0);
    EXPECT_EQ(sets[kSignalPL1].signalFlags, 0);
    EXPECT_EQ(sets[kSignalPL2].signalFlags, 0x0348);
    EXPECT_EQ(sets[kSignalPL2].status2, 33);
    EXPECT_EQ(f.Assembly().raw.slots[1].signals[kSignalCaL1].signalFlags, 0x0350);
    EXPECT_TRUE(Contains(walked.texts[0], "    SlotId = " + std::to_string(signal) + " PRange ="))
        << walked.texts[0];
  }
}

TEST(RawMeasurements, GlonassSlotFromTheFirstSignalRecordOnly) {
  struct Case {
    const char* name;
    std::uint8_t index;
    unsigned slot;
    std::uint8_t id;
    bool stored;
  };
  const Case kCases[] = {
      {"slot 1", 40, 1, 0x81, true},
      {"slot 24", 40, 24, 0x98, true},
      {"replacement slot 25", 40, 25, 0x99, true},
      {"slot 31", 40, 31, 0x9F, true},
      {"no slot: no number", 40, 0, 0x80, false},
      {"GPS ignores the slot bits", 5, 7, 5, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Raw m;
    m.version = 1;
    // The second record's first word is a range difference whose top bits
    // would read as slot 31.
    m.satellites = {
        {kRange20000km, c.index, {{.signal = 0, .slot = c.slot}, {.signal = 2, .rangeDiff = -1}}}};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    ASSERT_EQ(bench.WalkEach().results, std::vector<Status>{Status::Ok});
    EXPECT_EQ(f.Assembly().raw.satellites[0].satelliteId, c.id);
    EXPECT_EQ(f.Collected().records.HasEpochs(), c.stored);
  }
}

TEST(RawMeasurements, ListIsNotLimitedTo31Satellites) {
  Raw m;
  m.version = 1;
  for (std::uint8_t prn = 1; prn <= 37; ++prn) m.satellites.push_back(OneSignal(prn));
  for (std::uint8_t index = 120; index < 123; ++index) m.satellites.push_back(OneSignal(index));
  ASSERT_EQ(m.satellites.size(), 40u);  // SvdN holds 40 modulo 32
  m.svdN = 40 % 32;
  ConverterBench bench(Alone(m));
  TQZRFile& f = bench.file();
  ASSERT_EQ(bench.WalkEach().results, std::vector<Status>{Status::Ok});
  EXPECT_EQ(f.Assembly().raw.count, 40);
  ASSERT_EQ(f.Collected().records.EpochCount(), 1u);
  const DataEpoch& epoch = f.Collected().records.Epochs()[0];
  ASSERT_EQ(epoch.satelliteCount, 40u);
  EXPECT_EQ(f.Collected().records.Satellites()[epoch.firstSatellite + 39].satelliteId,
            0x40 | 22);  // GEO PRN 122
}

TEST(RawMeasurements, RecordRunningPastTheBodyEndsTheMessage) {
  struct Case {
    const char* name;
    Raw message;
    std::size_t cut;  // bytes removed from the end of the payload
    int kept;
    bool refused;  // a record was cut
  };
  Raw lyingSvdN;
  lyingSvdN.version = 1;
  lyingSvdN.satellites = {OneSignal(5), OneSignal(6)};
  lyingSvdN.svdN = 9;

  // The second satellite claims two signal records; the body holds one.
  Raw lyingSignalCount = lyingSvdN;
  lyingSignalCount.svdN = -1;
  lyingSignalCount.satellites[1].signals.push_back({.signal = 2});

  Raw lyingLengthSlotRec;
  lyingLengthSlotRec.version = 1;
  lyingLengthSlotRec.lengthSlotRec = 20;
  lyingLengthSlotRec.satellites = {OneSignal(5), OneSignal(6)};

  Raw lyingLengthHeader;
  lyingLengthHeader.version = 1;
  lyingLengthHeader.lengthHeader = 7;
  lyingLengthHeader.satellites = {OneSignal(5), OneSignal(6)};

  const Case kCases[] = {
      {"SvdN 9 over two records", lyingSvdN, 0, 2, false},
      {"last satellite's signal count", lyingSignalCount, 10, 1, true},
      {"LengthSlotRec of the last record", lyingLengthSlotRec, 15, 1, true},
      {"LengthHeader of the last satellite", lyingLengthHeader, 16, 1, true},
      {"a satellite's first bytes only", lyingSvdN, 12, 1, true},
      {"header alone", lyingSvdN, 32, 0, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes payload = Payload(c.message);
    payload.resize(payload.size() - c.cut);
    // Bytes follow the message, so a read past its body would find a record.
    LogBuilder log;
    log.Add(qzrtest::CrcMessage("rM", payload)).Add(Time(kMsOfDay + 1000)).LineBreak();
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    const auto walked = bench.WalkEach();
    ASSERT_EQ(walked.results, (std::vector<Status>{Status::Ok, Status::Ok}));
    EXPECT_EQ(f.Assembly().raw.count, c.kept);
    EXPECT_EQ(Contains(walked.texts[0], "    Error Len! Expected:"), c.refused) << walked.texts[0];
    EXPECT_EQ(f.Collected().records.EpochCount(), c.kept > 0 ? 1u : 0u);
    if (c.kept > 0) {
      EXPECT_EQ(f.Collected().records.Epochs()[0].satelliteCount, static_cast<std::uint32_t>(c.kept));
    }
    EXPECT_EQ(f.Clock().epochMsOfDay, kMsOfDay + 1000);  // the stream goes on
  }
}

TEST(RawMeasurements, BodyShorterThanItsHeaderIsIgnored) {
  LogBuilder log;
  log.Add(qzrtest::CrcMessage("rM", BodyBuilder().U16(0).U16(static_cast<std::uint16_t>(kWeek)).U32(0)))
      .LineBreak();
  ConverterBench bench(log);
  TQZRFile& f = bench.file();
  const auto walked = bench.WalkEach();
  ASSERT_EQ(walked.results, std::vector<Status>{Status::Ok});
  EXPECT_EQ(walked.texts[0], "    Error Len! Expected:14 arrived: 10\n");
  EXPECT_EQ(f.Clock().epochDay, 0u);
}

TEST(RawMeasurements, BadCrcIgnoresTheMessageAndResynchronises) {
  Raw m;
  m.satellites = {OneSignal(5)};
  // A larger length digit makes the body swallow the time message after it.
  const qzrtest::ByteDamage kCases[] = {{"reference time", 9, 0}, {"length", 2, '1'}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bytes damaged = qzrtest::Damaged(RawMessage(m), c);
    LogBuilder log;
    // The search that finds the next message wants one after it.
    log.Add(damaged).Add(Time(5'000)).Add(Time(6'000)).LineBreak();
    for (int k = 0; k < 300; ++k) log.LineBreak();
    ConverterBench bench(log);
    TQZRFile& f = bench.file();
    ListRawSatellites(f, 3);
    const auto walked = bench.WalkEach();
    ASSERT_EQ(walked.results, (std::vector<Status>{Status::BadChecksum, Status::Ok, Status::Ok}));
    // The body is searched through, not skipped by its claimed length.
    EXPECT_EQ(walked.texts[0].rfind("Bad Checksum\n\nError: Other text  len=34 0X5(0X26)\n", 0), 0u)
        << walked.texts[0];
    EXPECT_EQ(f.Clock().epochDay, 0u);
    EXPECT_EQ(f.Assembly().raw.count, 3);
    EXPECT_FALSE(f.Collected().records.HasEpochs());
    EXPECT_EQ(f.Clock().epochMsOfDay, 6'000u);
  }
}

TEST(RawMeasurements, FirstRunOnlySetsTheReceiverTime) {
  struct Case {
    const char* name;
    unsigned scale;
    std::uint32_t referenceMs;
    Status result;
    std::uint32_t day;
    std::uint32_t ms;
  };
  const Case kCases[] = {
      {"GPS week", 0, kReferenceMs, Status::Ok, kDayNumber, kMsOfDay},
      {"unusable scale", 2, kReferenceMs, Status::NoFullDate, 0, 7},
      // No date message is read in the first run; the time of day still
      // gives the log's interval.
      {"day of the cycle, no date yet", 1, kMsOfDay, Status::Ok, 0, kMsOfDay},
      {"day of the cycle, time past the day", 1, kReferenceMs, Status::NoFullDate, 0, 7},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Raw m;
    m.scale = c.scale;
    m.referenceMs = c.referenceMs;
    m.satellites = {OneSignal(5)};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    InFirstRun(f, true);
    AtTimeOfDay(f, 7);
    const auto walked = bench.WalkEach(kAllLost);
    ASSERT_EQ(walked.results, std::vector<Status>{c.result});
    EXPECT_EQ(f.Clock().epochDay, c.day);
    EXPECT_EQ(f.Clock().epochMsOfDay, c.ms);
    EXPECT_EQ(f.Assembly().raw.count, 0);
    EXPECT_TRUE(f.Scanner().timeLost);  // trusted only in the second run
    EXPECT_FALSE(f.Collected().records.HasEpochs());
    EXPECT_EQ(walked.texts, std::vector<std::string>{""});
  }
}

// The week count repeats every 1024 weeks: a date already known decides
// which cycle is meant; without one the weeks of 1999 to 2009 are.
TEST(RawMeasurements, WeekCountTakesTheCycleOfTheKnownDate) {
  constexpr std::uint32_t k2026Week = 2410;  // 2026-03-08 .. 03-14
  struct Case {
    const char* name;
    std::uint32_t knownDay;
    unsigned count;
    std::uint32_t week;
  };
  const Case kCases[] = {
      {"no date yet", 0, k2026Week % 1024, k2026Week - 1024},
      {"date of 2026", k2026Week * 7 + 1, k2026Week % 1024, k2026Week},
      {"date of 2006", 1386 * 7, k2026Week % 1024, 1386},
      {"date of 2003", kDayNumber, kWeek, kWeek},
      {"date of 2003, next week", kDayNumber, kWeek + 1, kWeek + 1},
      {"11-bit count of 2026", k2026Week * 7, k2026Week - 2048 + 1024, k2026Week},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Raw m;
    m.weekOrDay = c.count;
    m.satellites = {OneSignal(5)};
    ConverterBench bench(Alone(m));
    TQZRFile& f = bench.file();
    AtDate(f, c.knownDay);
    bench.WalkEach();
    EXPECT_EQ(f.Clock().epochDay, c.week * 7 + 3);
    EXPECT_EQ(f.Clock().epochMsOfDay, kMsOfDay);
  }
}

TEST(RawMeasurements, WindowDayMissingFromItsMonthStopsTheConversion) {
  ConversionOptions options;
  options.startGiven = true;
  options.startText = "31";
  Raw m;
  m.weekOrDay = 1290;
  m.referenceMs = 4 * 86'400'000;  // 2004-09-30
  m.satellites = {OneSignal(5)};
  ConverterBench bench(Alone(m), options);
  TQZRFile& f = bench.file();
  EXPECT_EQ(bench.WalkEach().results, std::vector<Status>{Status::BadTimeTag});
  EXPECT_EQ(f.Clock().epochDay, 1290u * 7 + 4);
  EXPECT_FALSE(f.Collected().records.HasEpochs());
}

}  // namespace
}  // namespace qzr2rin
