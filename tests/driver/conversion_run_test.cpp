// Whole conversions through the program: file names, exclusive creation
// and the failures of the output side.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;
using qzrtest::LogBuilder;
using qzrtest::RunProgram;

// Three epochs on 2004-02-01 (day of year 32) from 10:00:00, GPS 5 and 12.
LogBuilder ThreeEpochs() {
  LogBuilder log;
  log.Add(qzrtest::IdentificationMessage("QZR 3.0")).LineBreak().Add(qzrtest::FormatMessage()).LineBreak();
  log.Add("RD", BodyBuilder().U16(2004).U8(2).U8(1).U8(0)).LineBreak();
  for (std::uint32_t i = 0; i < 3; ++i) {
    log.Add("~~", BodyBuilder().U32(36000000 + i * 1000)).LineBreak();
    log.Add("SI", BodyBuilder().U8(5).U8(12)).LineBreak();
    log.Add("rc", BodyBuilder().I32(100).I32(-100)).LineBreak();
  }
  log.Add("~~", BodyBuilder().U32(36003000)).LineBreak();
  return log;
}

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(ConversionRun, RepeatedConversionsTakeTheNextSequenceText) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  ThreeEpochs().WriteTo(input);
  const std::string out = dir.File("out");
  ::mkdir(out.c_str(), 0755);
  const std::vector<std::pair<std::string, std::string>> env = {{"SOURCE_DATE_EPOCH", "1075680000"}};
  for (const char* name : {"site032k.04O", "site032k00.04O", "site032k01.04O"}) {
    SCOPED_TRACE(name);
    const auto r = RunProgram({"-i", input, "-o", out}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Observation file - " + out + "/" + name + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 15), "File loaded ok\n");
  }
  EXPECT_EQ(FilesIn(out), (std::set<std::string>{"site032k.04O", "site032k00.04O", "site032k01.04O"}));
  // The same log gives the same file, byte for byte.
  EXPECT_EQ(qzrtest::ReadFile(out + "/site032k.04O"), qzrtest::ReadFile(out + "/site032k00.04O"));
}

TEST(ConversionRun, AnExistingNavigationFileAlsoTakesTheName) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  ThreeEpochs().WriteTo(input);
  qzrtest::WriteFile(dir.File("site032k.04N"), "someone else's");
  const auto r = RunProgram({"-q", "-i", input, "-o", dir.path()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(std::filesystem::exists(dir.File("site032k00.04O")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("site032k.04O")));
  EXPECT_EQ(qzrtest::ReadFile(dir.File("site032k.04N")), "someone else's");
}

TEST(ConversionRun, StationCodeCannotLeaveTheOutputDirectory) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  ThreeEpochs().WriteTo(input);
  const auto r = RunProgram({"-q", "-M", "../x/y", "-i", input, "-o", dir.path()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.File(".._x032k.04O")))
      << testing::PrintToString(FilesIn(dir.path()));
}

TEST(ConversionRun, OutputDirectoryFailures) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  ThreeEpochs().WriteTo(input);
  const std::string readOnly = dir.File("ro");
  ::mkdir(readOnly.c_str(), 0555);
  struct Case {
    const char* what;
    std::string directory;
    int code;
    const char* text;
  };
  const Case kCases[] = {
      {"missing", dir.File("absent"), 12, "Error opening output file\n"},
      {"248 characters", "/" + std::string(247, 'd'), 11, "File name length exceeds allowed value\n"},
      {"247 characters missing", "/" + std::string(246, 'd'), 12, "Error opening output file\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const auto r = RunProgram({"-i", input, "-o", c.directory});
    EXPECT_EQ(r.exitCode, c.code);
    EXPECT_EQ(r.out.substr(r.out.find('\n', r.out.find("in RINEX")) + 1), c.text);
  }
  // Root may write anywhere; the read-only case only means something for
  // other users.
  if (::geteuid() != 0) {
    const auto r = RunProgram({"-q", "-i", input, "-o", readOnly});
    EXPECT_EQ(r.exitCode, 12);
  }
}

// One GPS ephemeris of PRN 5, week 1256 (the week of 2004-02-01).
qzrtest::Bytes GpsEphemerisOfPrn5() {
  BodyBuilder b;
  b.U8(5).U32(36000).U8(0).U16(0x1A5).I32(36000).I8(2).U8(0).I16(1256);
  b.F32(-1.1641532e-08f).F32(0).F32(-2.2737368e-12f).F32(1.0e-9f).I32(36000).I16(0xA5);
  b.F64(5153.6789).F64(0.0123).F64(0.25).F64(-0.5).F64(0.3).F64(0.75);
  b.F32(1.5e-9f).F32(-2.5e-9f).F32(1e-10f);
  b.F32(250.5f).F32(-12.25f).F32(1e-6f).F32(2e-6f).F32(-3e-8f).F32(4e-8f);
  return qzrtest::Message("GE", b);
}

TEST(ConversionRun, NavigationFileBesideTheObservationFile) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  LogBuilder log = ThreeEpochs();
  log.Add(GpsEphemerisOfPrn5()).LineBreak();
  log.WriteTo(input);
  const auto r = RunProgram({"-i", input, "-o", dir.path()});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("Navigation  GPS  file - " + dir.path() + "/site032k.04N\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"site.qzr", "site032k.04O", "site032k.04N"}));
  EXPECT_NE(qzrtest::ReadFile(dir.File("site032k.04N")).find(" 5 04  2  1 10  0  0.0"), std::string::npos);
}

// Eight conversions of one log into one directory at once: eight whole
// file sets (observation and navigation file under one base name), none
// overwritten, none lost.
TEST(ConversionRun, ConversionsStartedTogetherNeverShareAName) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  LogBuilder log = ThreeEpochs();
  log.Add(GpsEphemerisOfPrn5()).LineBreak();
  log.WriteTo(input);
  const std::string out = dir.File("out");
  ::mkdir(out.c_str(), 0755);
  constexpr int kRuns = 8;
  std::vector<std::thread> runs;
  std::vector<int> codes(kRuns, -1);
  for (int i = 0; i < kRuns; ++i) {
    runs.emplace_back([&, i] { codes[i] = RunProgram({"-q", "-i", input, "-o", out}).exitCode; });
  }
  for (auto& t : runs) t.join();
  for (int code : codes) EXPECT_EQ(code, 0);

  const std::set<std::string> files = FilesIn(out);
  EXPECT_EQ(files.size(), static_cast<std::size_t>(2 * kRuns)) << testing::PrintToString(files);
  const std::string observation = qzrtest::ReadFile(out + "/site032k.04O");
  const std::string navigation = qzrtest::ReadFile(out + "/site032k.04N");
  ASSERT_FALSE(observation.empty());
  ASSERT_FALSE(navigation.empty());
  int sets = 0;
  for (const std::string& name : files) {
    if (name.back() != 'O') continue;
    ++sets;
    EXPECT_EQ(qzrtest::ReadFile(out + "/" + name), observation) << name;
    const std::string pair = name.substr(0, name.size() - 1) + "N";
    EXPECT_TRUE(files.count(pair)) << pair;
    EXPECT_EQ(qzrtest::ReadFile(out + "/" + pair), navigation) << pair;
  }
  EXPECT_EQ(sets, kRuns);
}

TEST(ConversionRun, NothingToWriteCreatesNoFile) {
  qzrtest::TempDir dir;
  const std::string input = dir.File("site.qzr");
  ThreeEpochs().WriteTo(input);
  const auto r = RunProgram({"-l", "-G", "-R", "-W", "-i", input, "-o", dir.path()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.substr(r.out.size() - 15), "File loaded ok\n");
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"site.qzr", "site.log"}));
}

}  // namespace
}  // namespace qzr2rin
