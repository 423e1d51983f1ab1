#include "driver/options.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/leading_integer.h"
#include "base/messages.h"
#include "driver/help.h"

namespace qzr2rin {
namespace {

// argv with the program name in front.
class Args {
 public:
  Args(std::initializer_list<std::string> words) : words_{"qzr2rin"} {
    words_.insert(words_.end(), words.begin(), words.end());
    for (const auto& w : words_) pointers_.push_back(w.c_str());
    pointers_.push_back(nullptr);
  }
  explicit Args(const std::vector<std::string>& words) : words_{"qzr2rin"} {
    words_.insert(words_.end(), words.begin(), words.end());
    for (const auto& w : words_) pointers_.push_back(w.c_str());
    pointers_.push_back(nullptr);
  }
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;
  int argc() const { return static_cast<int>(words_.size()); }
  const char* const* argv() const { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<const char*> pointers_;
};

// What the scanner returns, as "letter=argument" words; an unknown switch
// is "?" and the offending character's code.
std::string Trace(const Args& args) {
  OptionScanner scanner(args.argc(), args.argv());
  std::string trace;
  for (int i = 0; i < 20; ++i) {
    const int letter = scanner.Next();
    if (letter == OptionScanner::kEnd) return trace;
    if (!trace.empty()) trace += ' ';
    if (letter == OptionScanner::kUnknown) {
      trace += "?" + std::to_string(static_cast<unsigned char>(scanner.Offending()));
    } else {
      trace += static_cast<char>(letter);
      if (!scanner.Argument().empty() || letter == 'i') trace += "=" + std::string(scanner.Argument());
    }
  }
  return trace + " (no end)";
}

TEST(OptionScanner, LettersArgumentsAndBareWords) {
  struct Case {
    std::vector<std::string> words;
    const char* trace;
  };
  const Case kCases[] = {
      {{}, ""},
      {{"-h"}, "h"},
      {{"/h"}, "h"},
      {{"/q", "/o", "out"}, "q o=out"},
      {{"/tmp/x.qzr"}, "i=/tmp/x.qzr"},
      {{"/ab"}, "i=/ab"},
      {{"-qx"}, "q"},
      {{"-ofoo", "dir"}, "o=dir"},
      {{"-i"}, "i="},
      {{"-q", "-s"}, "q s"},
      {{"-o", "-q"}, "o=-q"},
      {{"a.qzr", "b.qzr"}, "i=a.qzr i=b.qzr"},
      {{"-i", "a.qzr", "b.qzr"}, "i=a.qzr i=b.qzr"},
      {{""}, "i="},
      {{"-"}, "?0"},
      {{"/"}, "?0"},
      {{"-x"}, "?120"},
      {{"/x"}, "?120"},
      {{"-:"}, "?58"},
      {{"-?"}, "?63"},
      {{"-T", "-~", "-S", "-O", "-1", "-2"}, "T ~ S O 1 2"},
      {{"-g", "5", "-r", "7", "-w", "33"}, "g=5 r=7 w=33"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.trace);
    EXPECT_EQ(Trace(Args(c.words)), c.trace);
  }
}

TEST(OptionScanner, GoesOnAfterAnUnknownSwitch) {
  const Args args{"-x", "-q", "-"};
  OptionScanner scanner(args.argc(), args.argv());
  EXPECT_EQ(scanner.Next(), OptionScanner::kUnknown);
  EXPECT_EQ(scanner.Next(), 'q');
  EXPECT_EQ(scanner.Next(), OptionScanner::kUnknown);
  EXPECT_EQ(scanner.Offending(), '\0');
  EXPECT_EQ(scanner.Next(), OptionScanner::kEnd);
  EXPECT_EQ(scanner.Next(), OptionScanner::kEnd);
}

TEST(CommandLine, HelpScreensUnknownSwitchesAndExitCodes) {
  struct Case {
    std::vector<std::string> words;
    bool convert;
    std::string err;
  };
  const std::string kMain = HelpText(HelpScreen::Main);
  const Case kCases[] = {
      {{}, false, kMain},
      {{"-h"}, false, kMain},
      {{"/h"}, false, kMain},
      {{"x.qzr", "-h", "-x"}, false, kMain},
      {{"-x", "-h"}, false, "Unknown option: x\n"},
      {{"-x"}, false, "Unknown option: x\n"},
      {{"-?"}, false, "Unknown option: ?\n"},
      {{"-"}, false, "Unknown option character '0x0'\n"},
      {{"/"}, false, "Unknown option character '0x0'\n"},
      {{"-\t"}, false, "Unknown option character '0x9'\n"},
      {{"-\x7f"}, false, "Unknown option character '0x7f'\n"},
      {{"-\xe9"}, false, "Unknown option character '0xe9'\n"},
      {{"-p", "?"}, false, HelpText(HelpScreen::Profile)},
      {{"-s", "?"}, false, HelpText(HelpScreen::Window)},
      {{"-f", "?"}, false, HelpText(HelpScreen::Window)},
      {{"-I", "?"}, false, HelpText(HelpScreen::Interval)},
      {{"-d", "?"}, false, HelpText(HelpScreen::Decimation)},
      {{"-G", "-R", "-W", "x.qzr"}, false, kMain},
      {{"-G", "-R", "-W", "-l", "x.qzr"}, true, ""},
      {{"-G", "-R", "x.qzr"}, true, ""},
      {{"x.qzr"}, true, ""},
      {{"-q"}, true, ""},
      {{"-s", "?x"}, true, ""},
      {{"-T", "x.qzr"}, true, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.words.empty() ? std::string("(none)") : c.words.front());
    const Args args(c.words);
    std::ostringstream err;
    const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
    EXPECT_EQ(line.convert, c.convert);
    EXPECT_EQ(line.exitCode, c.convert ? 0 : -1);
    EXPECT_EQ(err.str(), c.err);
  }
}

TEST(CommandLine, EverySwitchReachesItsOption) {
  // clang-format off
  const Args args{"-i", "in.qzr", "-o", "out", "-p", "/etc/prof.ini", "-s", "05", "-f", "06",
                  "-1", "-2", "-l", "-q", "-e", "-t", "-G", "-R", "-W", "-g", "5", "-r", "7",
                  "-w", "33", "-M", "SITE", "-m", "42", "-O", "-I", "1.5", "-d", "3", "-D", "-T",
                  "-S", "-~"};
  // clang-format on
  std::ostringstream err;
  const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
  ASSERT_TRUE(line.convert);
  EXPECT_EQ(err.str(), "");
  const ConversionOptions& o = line.options;
  EXPECT_EQ(o.inputFile, "in.qzr");
  EXPECT_EQ(o.outputDirectory, "out");
  EXPECT_EQ(o.profilePath, "/etc/prof.ini");
  EXPECT_TRUE(o.startGiven);
  EXPECT_EQ(o.startText, "05");
  EXPECT_TRUE(o.finishGiven);
  EXPECT_EQ(o.finishText, "06");
  EXPECT_FALSE(o.useL1);
  EXPECT_FALSE(o.useL2);
  EXPECT_TRUE(o.dumpEnabled);
  EXPECT_FALSE(o.verbose);
  EXPECT_TRUE(o.statistics);
  EXPECT_TRUE(o.noTagCorrection);
  EXPECT_FALSE(o.useGps);
  EXPECT_FALSE(o.useGlonass);
  EXPECT_FALSE(o.useWaas);
  ASSERT_EQ(o.gpsExcluded.count, 1u);
  EXPECT_EQ(o.gpsExcluded.numbers[0], 5);
  ASSERT_EQ(o.glonassExcluded.count, 1u);
  EXPECT_EQ(o.glonassExcluded.numbers[0], 7);
  ASSERT_EQ(o.waasExcluded.count, 1u);
  EXPECT_EQ(o.waasExcluded.numbers[0], 33);
  EXPECT_TRUE(o.markerOverridden);
  EXPECT_EQ(o.markerName, "SITE");
  EXPECT_TRUE(o.markerNumberGiven);
  EXPECT_EQ(o.markerNumber, "42");
  EXPECT_TRUE(o.intervalGiven);
  EXPECT_EQ(o.intervalText, "1.5");
  EXPECT_TRUE(o.decimationGiven);
  EXPECT_EQ(o.decimation, 3);
  EXPECT_FALSE(o.useDoppler);
  EXPECT_TRUE(line.flags.clockOffset);
  EXPECT_TRUE(line.flags.signalToNoise);
  EXPECT_TRUE(line.flags.smoothing);
}

TEST(CommandLine, DefaultsWithOnlyAnInputFile) {
  const Args args{"/data/x.qzr"};
  std::ostringstream err;
  const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
  ASSERT_TRUE(line.convert);
  const ConversionOptions& o = line.options;
  EXPECT_EQ(o.inputFile, "/data/x.qzr");
  EXPECT_EQ(o.outputDirectory, ".");
  EXPECT_EQ(o.profilePath, "");
  EXPECT_TRUE(o.useL1 && o.useL2 && o.useGps && o.useGlonass && o.useWaas && o.useDoppler && o.verbose);
  EXPECT_FALSE(o.dumpEnabled || o.statistics || o.noTagCorrection || o.startGiven || o.finishGiven ||
               o.intervalGiven || o.decimationGiven || o.markerOverridden || o.markerNumberGiven);
  EXPECT_EQ(o.gpsExcluded.count + o.glonassExcluded.count + o.waasExcluded.count, 0u);
  EXPECT_FALSE(line.flags.clockOffset || line.flags.signalToNoise || line.flags.smoothing);
}

TEST(CommandLine, AnEmptyOutputDirectoryKeepsTheCurrentOne) {
  // Otherwise the files would be named "/SITE037a.04O", in the root.
  const std::vector<std::string> kWords[] = {{"x.qzr", "-o"}, {"-o", "", "x.qzr"}};
  for (const auto& words : kWords) {
    const Args args(words);
    std::ostringstream err;
    EXPECT_EQ(ParseCommandLine(args.argc(), args.argv(), err, err).options.outputDirectory, ".");
  }
}

TEST(CommandLine, ProfileMadeAbsoluteAndLongNamesKeptWhole) {
  const std::string longName = std::string(300, 'n') + ".qzr";
  const std::string longDir = "/" + std::string(280, 'd');
  const Args args{"-p", "prof.ini", "-o", longDir, longName};
  std::ostringstream err;
  const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
  ASSERT_TRUE(line.convert);
  EXPECT_EQ(line.options.profilePath, (std::filesystem::current_path() / "prof.ini").string());
  EXPECT_EQ(line.options.inputFile, longName);
  EXPECT_EQ(line.options.outputDirectory, longDir);
}

TEST(CommandLine, NumbersReadLikeAtoi) {
  struct Case {
    const char* text;
    int value;
  };
  const Case kCases[] = {
      {"12", 12},
      {"  7", 7},
      {"\t\n\v\f\r 8", 8},
      {"+3", 3},
      {"-4", -4},
      {"5abc", 5},
      {"0x10", 0},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"99999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-99999999999999999999", INT_MIN},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LeadingInteger(c.text), c.value);
    const Args args{"x.qzr", "-d", c.text, "-r", c.text};
    std::ostringstream err;
    const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
    EXPECT_EQ(line.options.decimation, c.value);
    ASSERT_EQ(line.options.glonassExcluded.count, 1u);
    EXPECT_EQ(line.options.glonassExcluded.numbers[0], c.value);
  }
}

TEST(CommandLine, ExclusionNumbersPastTheSixtyFourthAreIgnored) {
  std::vector<std::string> words{"x.qzr"};
  for (int n = 1; n <= 65; ++n) {
    words.push_back("-g");
    words.push_back(std::to_string(n));
  }
  const Args args(words);
  std::ostringstream err;
  const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
  ASSERT_TRUE(line.convert);
  const ExclusionList& gps = line.options.gpsExcluded;
  EXPECT_EQ(gps.count, 64u);
  EXPECT_TRUE(gps.Contains(64));
  EXPECT_FALSE(gps.Contains(65));
  EXPECT_EQ(line.options.glonassExcluded.count, 0u);
}

}  // namespace
}  // namespace qzr2rin

namespace qzr2rin {
namespace {

TEST(LongOptions, ValuesReachTheOutputOptions) {
  struct Case {
    std::vector<std::string> words;
    RinexVersion version;
    OutputOptions::Names names;
    bool longNames;
    std::string station;
    std::string country;
    std::string markerType;
  };
  using N = OutputOptions::Names;
  const Case kCases[] = {
      {{"x.qzr"}, RinexVersion::V210, N::Default, false, "", "", ""},
      {{"--rinex", "3", "x.qzr"}, RinexVersion::V305, N::Default, true, "", "", ""},
      {{"--rinex=3.05", "x.qzr"}, RinexVersion::V305, N::Default, true, "", "", ""},
      {{"--rinex=3.04", "x.qzr"}, RinexVersion::V304, N::Default, true, "", "", ""},
      {{"--rinex", "2.10", "x.qzr"}, RinexVersion::V210, N::Default, false, "", "", ""},
      {{"--rinex", "3", "--short-names", "x.qzr"}, RinexVersion::V305, N::Short, false, "", "", ""},
      {{"--long-names", "x.qzr"}, RinexVersion::V210, N::Long, true, "", "", ""},
      {{"--long-names", "--short-names", "x.qzr"}, RinexVersion::V210, N::Short, false, "", "", ""},
      {{"--station", "samp12deu", "--country=PRT", "x.qzr"},
       RinexVersion::V210,
       N::Default,
       false,
       "SAMP12DEU",
       "PRT",
       ""},
      {{"--marker-type", "non_geodetic", "x.qzr"},
       RinexVersion::V210,
       N::Default,
       false,
       "",
       "",
       "NON_GEODETIC"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.words.front());
    const Args args(c.words);
    std::ostringstream err;
    const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
    ASSERT_TRUE(line.convert) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(line.output.version, c.version);
    EXPECT_EQ(line.output.names, c.names);
    EXPECT_EQ(line.output.LongNames(), c.longNames);
    EXPECT_EQ(line.output.station, c.station);
    EXPECT_EQ(line.output.country, c.country);
    EXPECT_EQ(line.output.markerType, c.markerType);
    EXPECT_EQ(line.options.inputFile, "x.qzr");
  }
}

TEST(LongOptions, ErrorsHelpAndVersion) {
  struct Case {
    std::vector<std::string> words;
    int exitCode;
    std::string out;
    std::string err;
  };
  const std::string kHelp = HelpText(HelpScreen::Main) + LongOptionsText();
  const Case kCases[] = {
      {{"--help"}, 0, kHelp, ""},
      {{"x.qzr", "--help", "--bogus"}, 0, kHelp, ""},
      {{"--version"}, 0, VersionLine() + "\n", ""},
      {{"--bogus", "x.qzr"}, -1, "", "Unknown option: --bogus\n"},
      {{"--Rinex", "3"}, -1, "", "Unknown option: --Rinex\n"},
      {{"--help=yes"}, 10, "", "Option --help takes no value\n"},
      {{"--long-names=1", "x.qzr"}, 10, "", "Option --long-names takes no value\n"},
      {{"--crx=yes", "x.qzr"}, 10, "", "Option --crx takes no value\n"},
      {{"x.qzr", "--rinex"}, 10, "", "Option --rinex needs a value\n"},
      {{"--rinex", "4", "x.qzr"}, 10, "", "Unknown RINEX version 4: 2.10, 3.04 or 3.05 (3 is 3.05)\n"},
      {{"--rinex=", "x.qzr"}, 10, "", "Unknown RINEX version : 2.10, 3.04 or 3.05 (3 is 3.05)\n"},
      {{"--rinex", "2", "x.qzr"}, 10, "", "Unknown RINEX version 2: 2.10, 3.04 or 3.05 (3 is 3.05)\n"},
      {{"--station", "SAMP0DEU", "x.qzr"},
       10,
       "",
       "Bad station SAMP0DEU: nine characters, as SSSSMRCCC (site, monument, receiver, country)\n"},
      {{"--station", "SAMPX0DEU", "x.qzr"},
       10,
       "",
       "Bad station SAMPX0DEU: nine characters, as SSSSMRCCC (site, monument, receiver, country)\n"},
      {{"--station", "SA_P00DEU", "x.qzr"},
       10,
       "",
       "Bad station SA_P00DEU: nine characters, as SSSSMRCCC (site, monument, receiver, country)\n"},
      {{"--country", "DE", "x.qzr"}, 10, "", "Bad country code DE: three letters (ISO 3166 alpha-3)\n"},
      {{"--country", "D3U", "x.qzr"}, 10, "", "Bad country code D3U: three letters (ISO 3166 alpha-3)\n"},
      {{"--marker-type", "BOAT", "x.qzr"}, 10, "", "Bad marker type BOAT: one of " + MarkerTypeList() + "\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.words.front());
    const Args args(c.words);
    std::ostringstream out;
    std::ostringstream err;
    const CommandLine line = ParseCommandLine(args.argc(), args.argv(), out, err);
    EXPECT_FALSE(line.convert);
    EXPECT_EQ(line.exitCode, c.exitCode);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
}

TEST(LongOptions, FormsOfTheFiles) {
  struct Case {
    std::vector<std::string> words;
    bool compact;
    bool gzip;
  };
  const Case kCases[] = {
      {{"x.qzr"}, false, false},
      {{"--crx", "x.qzr"}, true, false},
      {{"x.qzr", "--gzip"}, false, true},
      {{"--gzip", "-S", "--crx", "x.qzr"}, true, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.words.front());
    const Args args(c.words);
    std::ostringstream err;
    const CommandLine line = ParseCommandLine(args.argc(), args.argv(), err, err);
    ASSERT_TRUE(line.convert) << err.str();
    EXPECT_EQ(line.output.forms.compact, c.compact);
    EXPECT_EQ(line.output.forms.gzip, c.gzip);
  }
}

TEST(LongOptions, ShortSwitchesKeepTheirMeaning) {
  // "--" alone stays what it was: an unknown switch "-".
  EXPECT_EQ(Trace(Args{"-qx", "--", "-o", "out", "/h", "/tmp/a.qzr"}), "q ?45 o=out h i=/tmp/a.qzr");
  // A long option that takes a value takes the next word, whatever it is.
  const Args args{"--station", "--rinex=3", "--long-names=x"};
  OptionScanner scanner(args.argc(), args.argv());
  ASSERT_EQ(scanner.Next(), OptionScanner::kLong);
  EXPECT_EQ(scanner.LongName(), "station");
  EXPECT_FALSE(scanner.ValueGiven());
  ASSERT_TRUE(scanner.TakeValue());
  EXPECT_EQ(scanner.Argument(), "--rinex=3");
  ASSERT_EQ(scanner.Next(), OptionScanner::kLong);
  EXPECT_EQ(scanner.LongName(), "long-names");
  EXPECT_TRUE(scanner.ValueGiven());
  EXPECT_EQ(scanner.Argument(), "x");
  EXPECT_EQ(scanner.Next(), OptionScanner::kEnd);
  EXPECT_FALSE(scanner.TakeValue());
}

}  // namespace
}  // namespace qzr2rin
