// RINEX 3 and long names through the program: which files a run writes,
// under which names, and that a long name is never written over.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

using qzrtest::RunProgram;

const std::string kSample = std::string(QZR2RIN_TEST_DATA) + "/../../data/sample.qzr";
const std::vector<std::pair<std::string, std::string>> kFixedClock = {{"SOURCE_DATE_EPOCH", "1773482400"}};

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

std::string FirstLine(const std::string& path) {
  const std::string text = qzrtest::ReadFile(path);
  return text.substr(0, text.find('\n'));
}

TEST(Rinex3Run, VersionAndNamingChooseTheFiles) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::set<std::string> files;
    std::string versionLine;  // of the observation file, the first in `files` order
  };
  const std::string kLong = "SAMP00XXX_R_20260731000_04M_";
  const Case kCases[] = {
      {"RINEX 3 with long names",
       {"--rinex", "3"},
       {kLong + "05S_MO.rnx", kLong + "MN.rnx"},
       "     3.05           OBSERVATION DATA    M                   RINEX VERSION / TYPE"},
      {"3.04 with short names",
       {"--rinex=3.04", "--short-names"},
       {"samp073k.26O", "samp073k.26P"},
       "     3.04           OBSERVATION DATA    M                   RINEX VERSION / TYPE"},
      {"station and country",
       {"--rinex", "3", "--station", "pots12deu", "--country", "PRT"},
       {"POTS12PRT_R_20260731000_04M_05S_MO.rnx", "POTS12PRT_R_20260731000_04M_MN.rnx"},
       "     3.05           OBSERVATION DATA    M                   RINEX VERSION / TYPE"},
      {"RINEX 2.10 with long names",
       {"--long-names"},
       {kLong + "05S_MO.rnx", kLong + "GN.rnx", kLong + "RN.rnx", kLong + "SN.rnx"},
       "     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    qzrtest::TempDir dir;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-q", "-i", kSample, "-o", dir.path()});
    const auto r = RunProgram(args, kFixedClock);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(FilesIn(dir.path()), c.files);
    EXPECT_EQ(FirstLine(dir.File(*c.files.begin())), c.versionLine);
  }
}

TEST(Rinex3Run, LongNamesChangeNoByteOfTheRinex2Files) {
  qzrtest::TempDir shortDir;
  qzrtest::TempDir longDir;
  ASSERT_EQ(RunProgram({"-q", "-i", kSample, "-o", shortDir.path()}, kFixedClock).exitCode, 0);
  ASSERT_EQ(RunProgram({"--long-names", "-q", "-i", kSample, "-o", longDir.path()}, kFixedClock).exitCode, 0);
  const std::string kLong = "SAMP00XXX_R_20260731000_04M_";
  const std::pair<const char*, std::string> kSame[] = {{"samp073k.26O", kLong + "05S_MO.rnx"},
                                                       {"samp073k.26N", kLong + "GN.rnx"},
                                                       {"samp073k.26G", kLong + "RN.rnx"},
                                                       {"samp073k.26H", kLong + "SN.rnx"}};
  for (const auto& [shortName, longName] : kSame) {
    SCOPED_TRACE(shortName);
    EXPECT_EQ(qzrtest::ReadFile(shortDir.File(shortName)), qzrtest::ReadFile(longDir.File(longName)));
  }
}

TEST(Rinex3Run, ATakenLongNameEndsTheRunAndWritesNothing) {
  qzrtest::TempDir dir;
  const std::vector<std::string> args = {"--rinex", "3", "-i", kSample, "-o", dir.path()};
  ASSERT_EQ(RunProgram(args, kFixedClock).exitCode, 0);
  const std::set<std::string> first = FilesIn(dir.path());
  const std::string observation = dir.File("SAMP00XXX_R_20260731000_04M_05S_MO.rnx");
  const std::string before = qzrtest::ReadFile(observation);

  const auto again = RunProgram(args, {{"SOURCE_DATE_EPOCH", "1773486000"}});
  EXPECT_EQ(again.exitCode, 12) << again.out;
  EXPECT_NE(again.out.find("The file " + observation + " exists; it is left as it is\n"), std::string::npos)
      << again.out;
  EXPECT_EQ(FilesIn(dir.path()), first);
  EXPECT_EQ(qzrtest::ReadFile(observation), before);

  // Only the navigation file's name taken: still nothing of the set.
  qzrtest::TempDir other;
  const std::string navigation = other.File("SAMP00XXX_R_20260731000_04M_MN.rnx");
  qzrtest::WriteFile(navigation, "mine\n");
  const auto blocked = RunProgram({"--rinex", "3", "-q", "-i", kSample, "-o", other.path()}, kFixedClock);
  EXPECT_EQ(blocked.exitCode, 12);
  EXPECT_EQ(FilesIn(other.path()), (std::set<std::string>{"SAMP00XXX_R_20260731000_04M_MN.rnx"}));
  EXPECT_EQ(qzrtest::ReadFile(navigation), "mine\n");
}

TEST(Rinex3Run, BadProfileValuesEndTheRunWithStatus10) {
  struct Case {
    const char* profileLine;
    std::string message;
  };
  const Case kCases[] = {
      {"STATION = POTS", "Bad station POTS: nine characters, as SSSSMRCCC\n"},
      {"COUNTRY = GERMANY", "Bad country code GERMANY: three capital letters (ISO 3166 alpha-3)\n"},
      {"MARKER TYPE = BOAT",
       "Bad marker type BOAT: one of the RINEX keywords (GEODETIC, NON_GEODETIC, ...)\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.profileLine);
    qzrtest::TempDir dir;
    const std::string profile = dir.File("site.ini");
    qzrtest::WriteFile(profile, std::string("[QZR2RIN]\n") + c.profileLine + "\n");
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    const auto r = RunProgram({"--rinex", "3", "-p", profile, "-i", kSample, "-o", out}, kFixedClock);
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_TRUE(FilesIn(out).empty());
    // RINEX 2.10 with short names does not read these keys.
    EXPECT_EQ(RunProgram({"-q", "-p", profile, "-i", kSample, "-o", out}, kFixedClock).exitCode, 0);
  }
}

}  // namespace
}  // namespace qzr2rin
