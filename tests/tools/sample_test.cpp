// The bundled sample log: it is what the simulator makes with the switches
// in data/make-sample, and it converts into every kind of output file.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

const std::string kDataDir = std::string(QZR2RIN_TEST_DATA) + "/../../data";

TEST(Sample, IsWhatTheSimulatorMakes) {
  qzrtest::TempDir dir;
  const auto r =
      qzrtest::RunCommand("/bin/sh", {kDataDir + "/make-sample", QZRSIM_BINARY, dir.File("sample.qzr")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(qzrtest::ReadFile(dir.File("sample.qzr")), qzrtest::ReadFile(kDataDir + "/sample.qzr"))
      << "data/sample.qzr is stale: run data/make-sample";
}

TEST(Sample, ConvertsIntoObservationAndThreeNavigationFiles) {
  qzrtest::TempDir dir;
  const auto r = qzrtest::RunProgram({"-i", kDataDir + "/sample.qzr", "-o", dir.path()},
                                     {{"SOURCE_DATE_EPOCH", "1773482400"}});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    files.insert(entry.path().filename().string());
  }
  EXPECT_EQ(files, (std::set<std::string>{"samp073k.26O", "samp073k.26N", "samp073k.26G", "samp073k.26H"}));
  EXPECT_NE(r.out.find("Observation file - " + dir.path() + "/samp073k.26O\n"), std::string::npos) << r.out;

  const std::string observation = qzrtest::ReadFile(dir.File("samp073k.26O"));
  for (const char* expected :
       {"     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n",
        "  4197502.3801   815911.8102  4717262.7654                  APPROX POSITION XYZ\n",
        "*** EXTERNAL EVENT XA in GPS time     ***", "*** THIS IS THE START OF A NEW SITE ***", "SITE01"}) {
    EXPECT_NE(observation.find(expected), std::string::npos) << expected;
  }
}

}  // namespace
}  // namespace qzr2rin
