// Decimation needs the log's own interval, which the first run measures
// from the receiver times of day alone: a log of raw measurements dated by
// day of the four-year cycle decimates like a log of per-signal messages.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace {

std::string ObservationFileIn(const std::string& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.back() == 'O') return entry.path().string();
  }
  return {};
}

TEST(Decimation, EveryNthEpochOfEachEncoding) {
  for (const char* encoding : {"short", "raw"}) {
    SCOPED_TRACE(encoding);
    qzrtest::TempDir dir;
    const std::string log = dir.File("dec.qzr");
    const auto sim =
        qzrtest::RunSimulator({"-o", log, "--duration", "20", "--interval", "1", "--gps", "4", "--glonass",
                               "2", "--sbas", "0", "--encoding", encoding, "--no-ephemerides"});
    ASSERT_EQ(sim.exitCode, 0) << sim.err;
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    const auto r = qzrtest::RunProgram({"-q", "-d", "4", "-i", log, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.out;

    const auto file = qzrtest::rinex::ReadObservationFile(qzrtest::ReadFile(ObservationFileIn(out)));
    EXPECT_TRUE(file.complaints.empty()) << testing::PrintToString(file.complaints);
    const auto epochs = file.Epochs();
    ASSERT_EQ(epochs.size(), 5u);
    for (std::size_t i = 0; i < epochs.size(); ++i) {
      EXPECT_EQ(epochs[i]->time.second, static_cast<double>(4 * i)) << i;
    }
    ASSERT_TRUE(file.header.interval.has_value());
    EXPECT_EQ(*file.header.interval, 4.0);
  }
}

}  // namespace
