// The converter's construction and its two runs over a whole log.

#include "decoders/qzr_file.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "support/converter_state.h"
#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::LogBuilder;
using qzrtest::WithConsole;

// A log that identifies itself and names its format.
LogBuilder Identified() {
  LogBuilder log;
  log.Add(qzrtest::IdentificationMessage("QZR 3.0")).LineBreak().Add(qzrtest::FormatMessage()).LineBreak();
  return log;
}

LogBuilder& AddTime(LogBuilder& log, std::uint32_t ms) {
  return log.Add("~~", BodyBuilder().U32(ms)).LineBreak();
}

struct Converted {
  Status status;
  std::string dump;
  std::string console;
  std::int32_t fileIntervalMs;
  std::uint32_t selectIntervalMs;
  std::string markerName;
  std::string markerNumber;
  std::string receiverType;
};

Converted Convert(const LogBuilder& log, ConversionOptions options = {}, const std::string& profile = "") {
  qzrtest::TempDir dir;
  options.inputFile = dir.File("site.qzr");
  options.dumpEnabled = true;
  if (!profile.empty()) {
    options.profilePath = dir.File("site.ini");
    qzrtest::WriteFile(options.profilePath, profile);
  }
  log.WriteTo(options.inputFile);
  TQZRFile f(options);
  std::ostringstream console;
  WithConsole(f, &console);
  const Status status = f.Outcome() == Status::Ok ? f.Run() : f.Outcome();
  f.Log().Flush();
  return {status,
          qzrtest::ReadFile(f.Log().WorkingPath()),
          console.str(),
          f.Selection().fileIntervalMs,
          f.Selection().selectIntervalMs,
          f.Identity().markerName,
          f.Identity().markerNumber,
          f.Identity().receiverType};
}

TEST(Converter, LogsTooShortOrUnidentifiedAreCorrupt) {
  std::mt19937 random(7);
  LogBuilder noise;
  for (int i = 0; i < 20000; ++i) noise.Foreign({static_cast<std::uint8_t>(random())});
  LogBuilder unsuffixed;
  unsuffixed.Add(qzrtest::TextMessage("QZ", "RLOGF QZR 3.0" + std::string(72, ' '))).LineBreak();
  unsuffixed.Add(qzrtest::FormatMessage()).LineBreak();
  struct Case {
    const char* what;
    LogBuilder log;
    const char* dump;
  };
  const Case kCases[] = {
      {"empty", LogBuilder(), ""},
      {"89 bytes", LogBuilder().Text(std::string(89, 'A')), ""},
      {"89 bytes after line breaks", LogBuilder().Text(std::string(50, '\n') + std::string(89, 'A')), ""},
      {"random bytes", noise, "NO Messages Format.\n"},
      {"no identification", LogBuilder().Add(qzrtest::FormatMessage()).Text(std::string(100, '\n')),
       "NO Messages Format.\n"},
      {"identification without its suffix", unsuffixed, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Converted r = Convert(c.log);
    EXPECT_EQ(r.status, Status::CorruptData);
    EXPECT_NE(r.dump.find("USAGE:\n  File - "), std::string::npos);
    if (*c.dump) {
      EXPECT_NE(r.dump.find(c.dump), std::string::npos) << r.dump;
    }
    EXPECT_EQ(r.dump.find("End run."), std::string::npos);
  }
}

TEST(Converter, FormatMessageIsRequiredUnlessTheProfileGivesTheHeader) {
  LogBuilder log;
  log.Add(qzrtest::IdentificationMessage("QZR 3.0")).LineBreak().Text(std::string(100, '\n'));
  const Converted without = Convert(log);
  EXPECT_EQ(without.status, Status::NotQzrFormat);
  EXPECT_NE(without.dump.find("No [MF] message in the file.\n"), std::string::npos);

  // With the profile's header the file converts; without epochs the run
  // then ends with "no data".
  const Converted withProfile = Convert(log, {}, "[QZR2RIN]\nHeaderQZRInIniFile=1\n");
  EXPECT_EQ(withProfile.status, Status::BadTimeTag);
  EXPECT_EQ(withProfile.receiverType, "MRV 3.0");
  EXPECT_NE(withProfile.dump.find("End first run.\n"), std::string::npos);
  EXPECT_NE(withProfile.dump.find("End run.\nNO Messages Format.\n"), std::string::npos);
}

TEST(Converter, ProfileStandsInForAMissingIdentification) {
  LogBuilder log;
  log.Add(qzrtest::FormatMessage()).Text(std::string(100, '\n'));
  const Converted r = Convert(log, {}, "[qzr2rin]\nheaderqzrininifile = 2\nQZ055RLOGF QZR = \"Rover X\"\n");
  EXPECT_EQ(r.status, Status::BadTimeTag);
  EXPECT_EQ(r.receiverType, "Rover X");
}

TEST(Converter, FirstRunFindsTheDataInterval) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> times;
    std::int32_t interval;
    const char* dump;
  };
  const Case kCases[] = {
      {"1 s with gaps",
       {1000, 2000, 3000, 8000, 9000, 10000, 30000, 31000},
       1000,
       "interval QZR file =   1.00\n"},
      // The first time has no predecessor: 10:00 is not an interval.
      {"two epochs at 10:00", {36000000, 36030000}, 30000, "interval QZR file =  30.00\n"},
      {"one epoch", {36000000}, 0, "interval QZR file =   0.00\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    LogBuilder log = Identified();
    for (const std::uint32_t t : c.times) AddTime(log, t);
    const Converted r = Convert(log);
    EXPECT_EQ(r.fileIntervalMs, c.interval);
    EXPECT_NE(r.dump.find(std::string(c.dump) + "End first run.\n"), std::string::npos) << r.dump;
  }
}

TEST(Converter, IntervalAndDecimationAreCheckedAfterTheFirstRun) {
  LogBuilder log = Identified();
  for (std::uint32_t t = 0; t < 10; ++t) AddTime(log, 1000 + t * 1000);
  struct Case {
    const char* what;
    bool interval;
    const char* intervalText;
    bool decimation;
    int decimationValue;
    Status status;
    std::uint32_t selectMs;
  };
  const Case kCases[] = {
      {"both", true, "1", true, 2, Status::ConflictingOptions, 0},
      {"interval 0", true, "0", false, 0, Status::BadTimeTag, 0},
      {"decimation 0", false, "", true, 0, Status::BadTimeTag, 0},
      {"decimation 5", false, "", true, 5, Status::BadTimeTag, 5000},
      {"interval 1.5", true, "1.5", false, 0, Status::BadTimeTag, 1500},
      {"decimation beyond a day", false, "", true, 86401, Status::BadTimeTag, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConversionOptions options;
    options.intervalGiven = c.interval;
    options.intervalText = c.intervalText;
    options.decimationGiven = c.decimation;
    options.decimation = c.decimationValue;
    const Converted r = Convert(log, options);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.selectIntervalMs, c.selectMs);
  }
}

TEST(Converter, MarkerNameAndNumberFromSwitchProfileOrFileName) {
  struct Case {
    const char* what;
    bool overridden;
    std::string name;
    bool numberGiven;
    std::string number;
    std::string profile;
    std::string expectedName;
    std::string expectedNumber;
  };
  const Case kCases[] = {
      {"file name", false, "", false, "", "", "site", ""},
      {"switch", true, "PILLAR 7", true, "42", "[QZR2RIN]\nMARKER NAME=Other\n", "PILLAR 7", "42"},
      {"profile", false, "", false, "", "[QZR2RIN]\nMARKER NAME=A Marker\nMARKER NUMBER=359\n", "A Marker",
       "359"},
      {"cut", true, std::string(70, 'N'), true, std::string(30, '9'), "", std::string(60, 'N'),
       std::string(20, '9')},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConversionOptions options;
    options.markerOverridden = c.overridden;
    options.markerName = c.name;
    options.markerNumberGiven = c.numberGiven;
    options.markerNumber = c.number;
    const Converted r = Convert(LogBuilder(), options, c.profile);
    EXPECT_EQ(r.markerName, c.expectedName);
    EXPECT_EQ(r.markerNumber, c.expectedNumber);
  }
}

TEST(Converter, StatisticsLinesFollowTheSecondRun) {
  LogBuilder log = Identified();
  AddTime(log, 1000);
  AddTime(log, 2000);
  const Converted r = Convert(log);
  // No epoch is stored here, so both lines show the zero time.
  EXPECT_EQ(r.console.substr(r.console.find('\n')),
            "\n06-JAN-80 00:00:00.0  in QZR   epochs 0       (I=  1.00) 06-JAN-80 00:00:00.0 \n"
            "06-JAN-80 00:00:00.0  in RINEX epochs 0       (I=  0.00) 06-JAN-80 00:00:00.0 \n");
  // One dot per 5 % of the file passed before each message; the last line
  // break is never passed.
  EXPECT_EQ(r.console.substr(0, r.console.find('\n')), std::string(19, '.'));
  EXPECT_NE(r.dump.find("Length QZR file = 0X"), std::string::npos);
}

}  // namespace
}  // namespace qzr2rin

namespace qzr2rin {
namespace {

TEST(Converter, MultiEpochLogIsStoredAndCounted) {
  LogBuilder log = Identified();
  log.Add("RD", BodyBuilder().U16(2004).U8(2).U8(1).U8(0)).LineBreak();
  for (std::uint32_t i = 0; i < 3; ++i) {
    AddTime(log, 36000000 + i * 1000);
    log.Add("SI", BodyBuilder().U8(5).U8(12)).LineBreak();
    log.Add("rc", BodyBuilder().I32(100).I32(-100)).LineBreak();
  }
  AddTime(log, 36003000);
  const Converted r = Convert(log);
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.console.substr(r.console.find('\n')),
            "\n01-FEB-04 10:00:00.0  in QZR   epochs 3       (I=  1.00) 01-FEB-04 10:00:02.0 \n"
            "01-FEB-04 10:00:00.0  in RINEX epochs 3       (I=  1.00) 01-FEB-04 10:00:02.0 \n");
  EXPECT_NE(r.dump.find(" Write Occupation:site - STATIIC\nWrite epoch from [~~];Time (ms) = 10h0m0.0s\n"),
            std::string::npos)
      << r.dump;
  EXPECT_NE(r.dump.find("Write epoch from [~~];Time (ms) = 10h0m2.0s\n"), std::string::npos);
  EXPECT_NE(r.dump.find("Length QZR file = 0X"), std::string::npos);
  EXPECT_NE(r.dump.find("File loaded ok\nEnd run.\n"), std::string::npos);
}

}  // namespace
}  // namespace qzr2rin
