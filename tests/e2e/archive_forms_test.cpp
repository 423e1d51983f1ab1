// Conversions written in every form: the compact observation file
// decompresses to the canonical form of the plain file of the same
// conversion, and every gzipped file, read back by the system's gzip, is
// the file of the same conversion without --gzip.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/crx_reader.h"
#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

namespace fs = std::filesystem;

// The same clock for every run, so that the headers agree.
const std::vector<std::pair<std::string, std::string>> kFixedClock = {{"SOURCE_DATE_EPOCH", "1773482400"}};

// File name -> contents of one conversion's directory.
using Files = std::map<std::string, std::string>;

Files ReadFiles(const std::string& directory) {
  Files files;
  for (const auto& entry : fs::directory_iterator(directory)) {
    files[entry.path().filename().string()] = qzrtest::ReadFile(entry.path().string());
  }
  return files;
}

// What `gzip -dc` makes of a file.
std::string Gunzip(const std::string& path) {
  std::string text;
  FILE* pipe = popen(("gzip -dc '" + path + "'").c_str(), "r");
  if (pipe == nullptr) return "(gzip could not run)";
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pclose(pipe) != 0) text += "(gzip failed)";
  return text;
}

// The name the file has in the plain conversion: without .gz, and type O
// (or .rnx) for a compact observation file.
std::string PlainName(std::string name) {
  if (name.ends_with(".gz")) name.resize(name.size() - 3);
  if (name.ends_with(".crx")) return name.substr(0, name.size() - 4) + ".rnx";
  if (name.size() > 3 && name[name.size() - 4] == '.' && name.back() == 'D') name.back() = 'O';
  return name;
}

bool IsObservationName(const std::string& plainName) {
  return plainName.ends_with("O") || plainName.ends_with("O.rnx");
}

struct Conversion {
  std::string name;
  std::vector<std::string> simulate;
  std::vector<std::string> convert;
  bool damaged = false;  // bytes spoiled all through the log
};

const Conversion kConversions[] = {
    {"full: site changes, external events, clock offsets",
     {"--encoding", "full", "--duration", "600", "--channels", "--events", "3", "--external-events", "2",
      "--clock-offset-ms", "0.5"},
     {"-S", "-O"}},
    {"short: satellites rising and setting, lost epochs",
     {"--encoding", "short", "--duration", "7200", "--interval", "5", "--channels"},
     {"-e", "-I", "10"}},
    {"relative in RINEX 3 with events and clock offsets",
     {"--encoding", "relative", "--duration", "600", "--events", "2", "--external-events", "3",
      "--clock-offset-ms", "-0.25"},
     {"--rinex", "3", "-O"}},
    {"short-relative in RINEX 3 with lost epochs and smoothing",
     {"--encoding", "short-relative", "--duration", "900", "--channels", "--observables",
      "code,phase,doppler,cn0,smoothing"},
     {"--rinex", "3", "-e", "-I", "2", "-~"}},
    {"raw P code without Doppler", {"--encoding", "raw", "--duration", "600", "--signals", "p1,p2"}, {"-D"}},
    {"a damaged log", {"--encoding", "short", "--duration", "900", "--channels"}, {"-S"}, true},
    {"a damaged log in RINEX 3", {"--encoding", "full", "--duration", "900"}, {"--rinex", "3"}, true},
};

// Spoils one byte in every few thousand, past the first messages.
void Damage(const std::string& path) {
  std::string bytes = qzrtest::ReadFile(path);
  constexpr std::size_t kFirst = 4000;
  constexpr std::size_t kStep = 3001;
  for (std::size_t at = kFirst; at < bytes.size(); at += kStep)
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
  qzrtest::WriteFile(path, bytes);
}

const std::vector<std::vector<std::string>> kForms = {{"--crx"}, {"--gzip"}, {"--crx", "--gzip"}};

// The files of one run and how it ended.
struct RunResult {
  int exitCode = -1;
  Files files;
};

RunResult Convert(const qzrtest::TempDir& dir, const std::string& log, const std::string& into,
                  std::vector<std::string> args) {
  const std::string out = dir.File(into);
  fs::create_directory(out);
  args.insert(args.end(), {"-q", "-i", log, "-o", out});
  const auto run = qzrtest::RunProgram(args, kFixedClock);
  return {run.exitCode, ReadFiles(out)};
}

// Every file of `formed` against the file of the same name in `plain`.
void ExpectSameFiles(const Files& plain, const Files& formed, const std::string& directory, bool gzip,
                     bool compact) {
  EXPECT_EQ(formed.size(), plain.size());
  for (const auto& [name, bytes] : formed) {
    SCOPED_TRACE(name);
    EXPECT_EQ(name.ends_with(".gz"), gzip);
    const std::string plainName = PlainName(name);
    const auto original = plain.find(plainName);
    ASSERT_NE(original, plain.end());
    const std::string text = gzip ? Gunzip(directory + "/" + name) : bytes;
    if (!compact || !IsObservationName(plainName)) {
      EXPECT_TRUE(text == original->second) << "differs from the plain file";
      continue;
    }
    EXPECT_NE(name, plainName);
    std::string rinex;
    std::string problem;
    ASSERT_TRUE(qzrtest::DecompressCrx(text, rinex, problem)) << problem;
    const bool version2 = original->second.compare(0, 9, "     2.10") == 0;
    const std::string canonical = version2 ? qzrtest::CanonicalRinex2(original->second) : original->second;
    EXPECT_TRUE(rinex == canonical) << "does not decompress to the plain file";
  }
}

TEST(ArchiveForms, EveryFormGivesBackThePlainFiles) {
  for (const Conversion& c : kConversions) {
    SCOPED_TRACE(c.name);
    qzrtest::TempDir dir;
    const std::string log = dir.File("sim.qzr");
    std::vector<std::string> simulate = c.simulate;
    simulate.insert(simulate.end(), {"-o", log});
    const auto simulated = qzrtest::RunSimulator(simulate);
    ASSERT_EQ(simulated.exitCode, 0) << simulated.err;
    if (c.damaged) Damage(log);
    const RunResult plain = Convert(dir, log, "plain", c.convert);
    if (!c.damaged) {
      EXPECT_EQ(plain.exitCode, 0);
    }
    ASSERT_GE(plain.files.size(), 2u);
    for (const auto& form : kForms) {
      SCOPED_TRACE(form.back());
      std::vector<std::string> args = c.convert;
      args.insert(args.end(), form.begin(), form.end());
      const std::string into = "form" + std::to_string(form.size()) + form.front();
      const bool gzip = std::find(form.begin(), form.end(), "--gzip") != form.end();
      const bool compact = std::find(form.begin(), form.end(), "--crx") != form.end();
      const RunResult formed = Convert(dir, log, into, args);
      EXPECT_EQ(formed.exitCode, plain.exitCode);
      ExpectSameFiles(plain.files, formed.files, dir.File(into), gzip, compact);
    }
  }
}

}  // namespace
}  // namespace qzr2rin
