// The converter binary as a user runs it: exit codes, the two output
// streams and the program log.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "driver/help.h"
#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace qzr2rin {
namespace {

using qzrtest::RunProgram;

TEST(Program, HelpScreensAndBadSwitchesExit255OnTheErrorStream) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case kCases[] = {
      {{}, HelpText(HelpScreen::Main)},
      {{"-h"}, HelpText(HelpScreen::Main)},
      {{"/h"}, HelpText(HelpScreen::Main)},
      {{"-p", "?"}, HelpText(HelpScreen::Profile)},
      {{"-s", "?"}, HelpText(HelpScreen::Window)},
      {{"-f", "?"}, HelpText(HelpScreen::Window)},
      {{"-I", "?"}, HelpText(HelpScreen::Interval)},
      {{"-d", "?"}, HelpText(HelpScreen::Decimation)},
      {{"-G", "-R", "-W", "-i", "f"}, HelpText(HelpScreen::Main)},
      {{"-x"}, "Unknown option: x\n"},
      {{"-i", "log.qzr", "-"}, "Unknown option character '0x0'\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
    const auto r = RunProgram(c.args);
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
}

TEST(Program, MissingInputAppendsOneProgramLogRecordPerRun) {
  qzrtest::TempDir tmp;
  const std::vector<std::pair<std::string, std::string>> env = {{"TMPDIR", tmp.path()},
                                                                {"SOURCE_DATE_EPOCH", "1075680000"}};
  const std::string missing = tmp.File("no-such.qzr");

  const auto loud = RunProgram({"-i", missing}, env);
  EXPECT_EQ(loud.exitCode, 1);
  EXPECT_EQ(loud.out, "Error opening/reading file\n");
  EXPECT_EQ(loud.err, "");

  const auto quiet = RunProgram({"-q", "-i", missing}, env);
  EXPECT_EQ(quiet.exitCode, 1);
  EXPECT_EQ(quiet.out, "");

  // 1075680000 s after 1970 is 2004-02-02 00:00 UTC.
  const std::string record =
      "------------------------------------------------------------------\n"
      "                 02-FEB-04 00:00\n"
      "QZR2RIN 1.40 build Feb  6 2004 Linux build, provided without warranty\n"
      "Last_Error = 2\n"
      "Error QZR2RIN = 1\n"
      "Name QZR file =\"" +
      missing + "\"\n";
  EXPECT_EQ(qzrtest::ReadFile(tmp.File("QZR2RIN.log")), record + record);
}

TEST(Program, ProgramLogIsNeverWrittenThroughALink) {
  qzrtest::TempDir tmp;
  const std::string victim = tmp.File("victim");
  qzrtest::WriteFile(victim, "keep");
  ASSERT_EQ(::symlink(victim.c_str(), tmp.File("QZR2RIN.log").c_str()), 0);
  const auto r = RunProgram({"-i", tmp.File("missing")}, {{"TMPDIR", tmp.path()}});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(qzrtest::ReadFile(victim), "keep");
}

TEST(Program, MalformedWindowOrIntervalIsStatus10) {
  qzrtest::TempDir tmp;
  const std::string log = tmp.File("x.qzr");
  qzrtest::WriteFile(log, std::string(200, '\n'));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-s", "32"}, {"-f", "0525x99"}, {"-I", "100"}}) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    std::vector<std::string> all = args;
    all.push_back(log);
    const auto r = RunProgram(all, {{"TMPDIR", tmp.path()}});
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(r.out, "Bad time tag in file\n");
  }
  EXPECT_FALSE(qzrtest::ReadFile(tmp.File("QZR2RIN.log")).size());
}

TEST(Program, ShortOrEmptyInputIsCorruptData) {
  qzrtest::TempDir tmp;
  for (const std::size_t size : {0, 1, 89}) {
    SCOPED_TRACE(size);
    const std::string log = tmp.File("short.qzr");
    qzrtest::WriteFile(log, std::string(size, 'A'));
    const auto r = RunProgram({log});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "Inconsistent or corrupt data in QZR file\n");
  }
}

TEST(Program, DumpLogGoesBesideTheInputButNeverOverAnInputNamedLog) {
  qzrtest::TempDir tmp;
  qzrtest::LogBuilder log;
  log.Add(qzrtest::IdentificationMessage("QZR 3.0")).LineBreak().Add(qzrtest::FormatMessage()).LineBreak();
  log.Add("ZZ", qzrtest::BodyBuilder().Zeros(4)).LineBreak();
  const std::string input = tmp.File("data.qzr");
  log.WriteTo(input);
  RunProgram({"-l", "-q", "-i", input}, {{"SOURCE_DATE_EPOCH", "1075680000"}});
  const std::string dump = qzrtest::ReadFile(tmp.File("data.log"));
  EXPECT_EQ(dump.rfind("QZR2RIN 1.40 build Feb  6 2004 ", 0), 0u);
  EXPECT_NE(dump.find("USAGE:\n  File - " + input + "   02-FEB-04 00:00\n"), std::string::npos);
  EXPECT_NE(dump.find("\nZZ len=5 0X6c(0X75)\n       D E F A U L T  \n"), std::string::npos) << dump;

  const std::string named = tmp.File("raw.LOG");
  log.WriteTo(named);
  RunProgram({"-l", "-q", "-i", named});
  EXPECT_EQ(qzrtest::ReadFile(named), std::string(log.bytes().begin(), log.bytes().end()));
}

}  // namespace
}  // namespace qzr2rin
