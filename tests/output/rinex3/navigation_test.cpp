// The mixed RINEX 3 navigation file against the RINEX 2.10 files of the same
// conversion: the same records with the same numbers, in the 3.04 layout.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

using qzrtest::RunProgram;

const std::string kSample = std::string(QZR2RIN_TEST_DATA) + "/../../data/sample.qzr";
const std::vector<std::pair<std::string, std::string>> kFixedClock = {{"SOURCE_DATE_EPOCH", "1773482400"}};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Fixed-width numbers from a column on; a 2.10 ".123D+01" or a 3.x
// "1.23e+00" alike.
std::vector<double> Numbers(const std::string& line, std::size_t from, std::size_t width) {
  std::vector<double> values;
  for (std::size_t at = from; at + width <= line.size() || at < line.size(); at += width) {
    std::string field = line.substr(at, width);
    for (char& c : field) {
      if (c == 'D') c = 'e';
    }
    values.push_back(std::strtod(field.c_str(), nullptr));
  }
  return values;
}

struct Record {
  std::string id;     // "G02", "R04", "S24"
  std::string epoch;  // yyyy mm dd hh mm ss
  std::vector<double> values;
};

std::vector<Record> Rinex3Records(const std::vector<std::string>& lines, std::size_t& headerEnd) {
  std::vector<Record> records;
  headerEnd = 0;
  while (headerEnd < lines.size() && lines[headerEnd].find("END OF HEADER") == std::string::npos) ++headerEnd;
  for (std::size_t i = headerEnd + 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("    ", 0) == 0) {
      EXPECT_EQ((line.size() - 4) % 19, 0u) << line;
      for (const double v : Numbers(line, 4, 19)) records.back().values.push_back(v);
      continue;
    }
    EXPECT_EQ(line.size(), 80u) << line;
    records.push_back({line.substr(0, 3), line.substr(4, 19), Numbers(line, 23, 19)});
  }
  return records;
}

std::vector<Record> Rinex2Records(const std::string& text, char system) {
  const std::vector<std::string> lines = Lines(text);
  std::size_t i = 0;
  while (lines[i].find("END OF HEADER") == std::string::npos) ++i;
  std::vector<Record> records;
  for (++i; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    // Record lines start with the number (I2), the others with 3X.
    if (line.rfind("   ", 0) == 0) {
      for (const double v : Numbers(line.substr(0, line.find_last_not_of(' ') + 1), 3, 19))
        records.back().values.push_back(v);
      continue;
    }
    char id[8];
    std::snprintf(id, sizeof id, "%c%02d", system, std::atoi(line.substr(0, 2).c_str()));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0;
    std::sscanf(line.c_str() + 2, "%d %d %d %d %d %lf", &year, &month, &day, &hour, &minute, &second);
    char epoch[32];
    std::snprintf(epoch, sizeof epoch, "%04d %02d %02d %02d %02d %02d", 2000 + year, month, day, hour, minute,
                  static_cast<int>(second));
    records.push_back({id, epoch, Numbers(line, 22, 19)});
  }
  return records;
}

TEST(MixedNavigation, HoldsTheRinex2RecordsWithTheirNumbers) {
  qzrtest::TempDir two;
  qzrtest::TempDir three;
  ASSERT_EQ(RunProgram({"-q", "-i", kSample, "-o", two.path()}, kFixedClock).exitCode, 0);
  ASSERT_EQ(RunProgram({"--rinex", "3", "-q", "-i", kSample, "-o", three.path()}, kFixedClock).exitCode, 0);
  const std::vector<std::string> lines =
      Lines(qzrtest::ReadFile(three.File("SAMP00XXX_R_20260731000_04M_MN.rnx")));
  std::size_t headerEnd = 0;
  const std::vector<Record> mixed = Rinex3Records(lines, headerEnd);

  std::vector<Record> expected;
  for (const auto& [name, system] :
       {std::pair{"samp073k.26N", 'G'}, {"samp073k.26G", 'R'}, {"samp073k.26H", 'S'}}) {
    for (Record& r : Rinex2Records(qzrtest::ReadFile(two.File(name)), system))
      expected.push_back(std::move(r));
  }
  ASSERT_EQ(mixed.size(), expected.size());
  for (std::size_t i = 0; i < mixed.size(); ++i) {
    SCOPED_TRACE(mixed[i].id + " " + mixed[i].epoch);
    EXPECT_EQ(mixed[i].id, expected[i].id);
    EXPECT_EQ(mixed[i].epoch, expected[i].epoch);
    ASSERT_EQ(mixed[i].values.size(), expected[i].values.size());
    for (std::size_t k = 0; k < mixed[i].values.size(); ++k) {
      // Both carry twelve digits.
      EXPECT_NEAR(mixed[i].values[k], expected[i].values[k], std::fabs(expected[i].values[k]) * 1e-11) << k;
    }
  }

  const std::vector<std::string> kHeader = {
      "     3.04           N: GNSS NAV DATA    M: MIXED            RINEX VERSION / TYPE",
      "QZR2RIN 1.40        RUN BY              20260314 100000 UTC PGM / RUN BY / DATE",
      "build Feb  6 2004 Linux build, provided without warranty    COMMENT",
      "GPSA   1.1176e-08  7.4506e-09 -5.9605e-08 -5.9605e-08       IONOSPHERIC CORR",
      "GPSB   9.0112e+04  4.9152e+04 -1.3107e+05 -3.2768e+05       IONOSPHERIC CORR",
      "GPUT -9.3132257462e-10-8.881784197e-16 552960 2409          TIME SYSTEM CORR",
      "GLUT  0.0000000000e+00 0.000000000e+00 518400 2409          TIME SYSTEM CORR",
      "SBUT -1.8626451492e-09-8.881784197e-16 552960 2409          TIME SYSTEM CORR",
      "    18    18  2509     7GPS                                 LEAP SECONDS",
      "                                                            END OF HEADER",
  };
  EXPECT_EQ(
      std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(headerEnd + 1)),
      kHeader);
}

}  // namespace
}  // namespace qzr2rin
