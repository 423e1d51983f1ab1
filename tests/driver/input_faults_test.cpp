// The program run as a process against hostile surroundings: files that are
// not regular, an input that changes underneath, closed console streams, a
// clock that the header cannot show, and texts that would break header lines.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace {

using qzrtest::ReadFile;
using qzrtest::RunProgram;
using qzrtest::TempDir;

const std::pair<std::string, std::string> kFixedClock{"SOURCE_DATE_EPOCH", "1773482400"};

// A short simulated log with ephemerides.
std::string SimulatedLog(const TempDir& dir, const std::string& name, int seconds = 60) {
  const std::string path = dir.File(name);
  const auto sim = qzrtest::RunSimulator({"-o", path, "--duration", std::to_string(seconds), "--seed", "3"});
  EXPECT_EQ(sim.exitCode, 0) << sim.err;
  return path;
}

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename());
  return names;
}

// The converter under a time limit: a program that waits forever on a FIFO
// comes back as timeout's 124.
qzrtest::ProgramResult RunWithTimeLimit(const std::vector<std::string>& args,
                                        const std::vector<std::pair<std::string, std::string>>& env) {
  std::vector<std::string> all = {"20", QZR2RIN_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  return qzrtest::RunCommand("/usr/bin/timeout", all, env);
}

TEST(InputFaults, FilesThatAreNotRegularAreRefusedWithoutWaiting) {
  TempDir dir;
  const std::string log = SimulatedLog(dir, "site.qzr");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string logDir = dir.File("tmp");
  std::filesystem::create_directory(logDir);
  ASSERT_EQ(::mkfifo((logDir + "/QZR2RIN.log").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.File("out"));
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case kCases[] = {
      {"a FIFO as input", {"-i", fifo, "-o", dir.File("out")}},
      {"a directory as input", {"-i", dir.path(), "-o", dir.File("out")}},
      // The input is missing, so a record goes to the program log: a FIFO.
      {"a FIFO as program log", {"-i", dir.File("missing.qzr"), "-o", dir.File("out")}},
      {"a FIFO as profile", {"-i", log, "-p", fifo, "-o", dir.File("out")}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto r = RunWithTimeLimit(c.args, {{"TMPDIR", logDir}, kFixedClock});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("Error opening/reading file\n", 0), 0u) << r.out;
    EXPECT_TRUE(FilesIn(dir.File("out")).empty());
  }
}

TEST(InputFaults, ClockOutsideTheHeaderYearsIsRefused) {
  TempDir dir;
  const std::string log = SimulatedLog(dir, "site.qzr");
  struct Case {
    const char* seconds;
    int status;
  };
  const Case kCases[] = {
      {"0", 10},          {"315532799", 10},  // 1979-12-31 23:59:59
      {"315532800", 0},   {"3471292799", 0},  // 1980-01-01 and 2079-12-31 23:59:59
      {"3471292800", 10},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.seconds);
    const std::string out = dir.File(std::string("out") + c.seconds);
    std::filesystem::create_directory(out);
    const auto r = RunProgram({"-q", "-i", log, "-o", out}, {{"SOURCE_DATE_EPOCH", c.seconds}});
    EXPECT_EQ(r.exitCode, c.status) << r.err;
    if (c.status == 0) continue;
    EXPECT_EQ(r.err, std::string("SOURCE_DATE_EPOCH=") + c.seconds + " is outside 1980-2079\n");
    EXPECT_TRUE(FilesIn(out).empty());
  }
}

// With the console streams closed the dump log would get descriptor 1.
TEST(InputFaults, ConsoleTextNeverGoesIntoTheDumpLog) {
  TempDir dir;
  const std::string log = SimulatedLog(dir, "site.qzr");
  std::filesystem::create_directory(dir.File("out"));
  const auto r = qzrtest::RunCommand(
      "/bin/sh", {"-c", "exec \"$0\" -l -i \"$1\" -o \"$2\" <&- >&-", QZR2RIN_BINARY, log, dir.File("out")},
      {kFixedClock});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string dump = ReadFile(dir.File("site.log"));
  EXPECT_EQ(dump.rfind("QZR2RIN 1.40", 0), 0u);
  EXPECT_EQ(dump.find("Observation file - "), std::string::npos);
  EXPECT_EQ(dump.find(" in QZR   epochs "), std::string::npos);
  EXPECT_EQ(FilesIn(dir.File("out")).size(), 4u);
}

TEST(InputFaults, ControlCharactersInHeaderTextsAreBlanks) {
  TempDir dir;
  const std::string log = SimulatedLog(dir, "site.qzr");
  const std::string profile = dir.File("site.ini");
  qzrtest::WriteFile(profile, "[QZR2RIN]\nOBSERVER = Ann\tLee\nANT DELTA H = 1e20\nANT DELTA E = 0.25\n");
  std::filesystem::create_directory(dir.File("out"));
  const auto r =
      RunProgram({"-q", "-i", log, "-o", dir.File("out"), "-p", profile, "-M", "PIER\nONE", "-m", "12\r34"},
                 {kFixedClock});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "Profile value ANT DELTA H = 1e20 does not fit its field; ignored\n");
  std::string observation;
  for (const std::string& name : FilesIn(dir.File("out")))
    if (name.back() == 'O') observation = ReadFile(dir.File("out/" + name));
  ASSERT_FALSE(observation.empty());
  const std::string header = observation.substr(0, observation.find("END OF HEADER"));
  EXPECT_NE(header.find(std::string("PIER ONE") + std::string(52, ' ') + "MARKER NAME\n"), std::string::npos)
      << header;
  EXPECT_NE(header.find(std::string("12 34") + std::string(55, ' ') + "MARKER NUMBER\n"), std::string::npos);
  EXPECT_NE(header.find("Ann Lee"), std::string::npos);
  // The too wide height counts as not given; the east delta stands.
  EXPECT_NE(header.find("        0.0000        0.2500        0.0000                  ANTENNA: DELTA H/E/N\n"),
            std::string::npos)
      << header;
  for (std::size_t start = 0, end; (end = header.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 80u) << header.substr(start, end - start);
  }
}

// The input cut short while it is converted: whatever moment the cut hits,
// the run ends on its own with a status and leaves no file unless it
// converted the whole log.
TEST(InputFaults, InputTruncatedDuringTheRun) {
  TempDir dir;
  const std::string original = SimulatedLog(dir, "original.qzr", 3600);
  for (const char* delay : {"0", "0.02", "0.1"}) {
    SCOPED_TRACE(delay);
    const std::string input = dir.File("site.qzr");
    std::filesystem::copy_file(original, input, std::filesystem::copy_options::overwrite_existing);
    const std::string out = dir.File(std::string("out") + delay);
    std::filesystem::create_directory(out);
    const auto r = qzrtest::RunCommand(
        "/bin/sh",
        {"-c", "\"$0\" -q -l -i \"$1\" -o \"$2\" & sleep \"$3\"; : > \"$1\"; wait $!; echo \"status $?\"",
         QZR2RIN_BINARY, input, out, delay},
        {kFixedClock});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // 3: the cut came before the program read the file, which was empty.
    const bool converted = r.out == "status 0\n";
    EXPECT_TRUE(converted || r.out == "status 1\n" || r.out == "status 3\n") << r.out;
    EXPECT_EQ(FilesIn(out).size(), converted ? 4u : 0u) << r.out;
  }
}

}  // namespace
