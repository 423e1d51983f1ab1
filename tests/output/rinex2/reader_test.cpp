// The independent reader must notice layout faults, or the writer tests
// that lean on it prove nothing.

#include <gtest/gtest.h>

#include <string>

#include "support/qzr_writer.h"
#include "support/rinex_reader.h"

namespace qzrtest::rinex {
namespace {

std::string Sample() { return ReadFile(std::string(QZR2RIN_TEST_DATA) + "/rinex/sbas_only.rnx"); }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(RinexReader, AcceptsTheSampleAndReadsItsValues) {
  const ObservationFile file = ReadObservationFile(Sample());
  EXPECT_TRUE(file.complaints.empty());
  ASSERT_EQ(file.Epochs().size(), 1u);
  const Record& epoch = *file.Epochs()[0];
  ASSERT_EQ(epoch.satellites.size(), 3u);
  EXPECT_EQ(epoch.satellites[1].system, 'S');
  EXPECT_EQ(epoch.satellites[1].number, 25);
  EXPECT_DOUBLE_EQ(epoch.satellites[1].values[static_cast<std::size_t>(TypeIndex(file.header, "L1"))].value,
                   194437000.5);
}

TEST(RinexReader, ComplainsAboutLayoutFaults) {
  struct Case {
    const char* what;
    std::string from;
    std::string to;
    std::string complaint;
  };
  const Case kCases[] = {
      {"label one column early", "                                            # OF SATELLITES",
       "                                           # OF SATELLITES ", "unknown header label"},
      {"two decimals", "  36000000.125", "   36000000.13", "bad F14.3"},
      {"count above the list", "  0  3S20", "  0  4S20", "bad satellite entry"},
      {"line too long", "199692000.250  \n", "199692000.250  x\n", "longer than its fields"},
      {"no end of header", "END OF HEADER", "END OF HEADEX", "unknown header label"},
      {"flag in the wrong column", " 04  2  5  0  0  0.0000000  0", " 04  2  5  0  0  0.0000000 0 ",
       "not an epoch record"},
      {"satellite twice", "S20S25S33", "S20S25S20", "satellite twice"},
      {"first obs elsewhere", "     0    0.0000000     GPS         TIME OF FIRST OBS",
       "     0    1.0000000     GPS         TIME OF FIRST OBS", "TIME OF FIRST OBS is not the first epoch"},
      {"types miscounted", "     2    C1    L1", "     3    C1    L1", "unknown type"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const ObservationFile file = ReadObservationFile(Replaced(Sample(), c.from, c.to));
    bool found = false;
    for (const auto& complaint : file.complaints)
      found = found || complaint.find(c.complaint) != std::string::npos;
    EXPECT_TRUE(found) << (file.complaints.empty() ? std::string("no complaint") : file.complaints.front());
  }
}

}  // namespace
}  // namespace qzrtest::rinex
