#include "driver/help.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/messages.h"

namespace qzr2rin {
namespace {

const std::string kBanner = "QZR2RIN 1.40 build Feb  6 2004 " + GetMessage(701) + "\n";

// Screens as they appear on the console. Two lines of the start/finish
// screen end in a blank before their line end.
constexpr const char* kMain = R"(Conversion of QZR file to RINEX.
Usage :  QZR2RIN  [<sw> [ <sw>]]  -i <input file name> [<sw> [ <sw>]]
<Switches(sw)>:
 -h                 Display help screen
 -o <output dir >   Current dir by default
 -p <Profile name>  For detailed help type QZR2RIN -p ?
 -s <Starttime>     Start data/time.For  detailed help type QZR2RIN -s ?
 -f <Finishtime>    Finish data/time.For detailed help type QZR2RIN -f ?
 -G                 Exclude GPS satellites
 -g <n>             Exclude GPS satellite number n
 -R                 Exclude GLONASS satellites
 -r <n>             Exclude GLONASS satellite number n
 -W                 Exclude WAAS satellites
 -w <n>             Exclude WAAS satellite number n
 -1                 Exclude L1
 -2                 Exclude L2
 -l                 Write logfile for QZR file
 -q                 Quiet mode
 -e                 Print statistics: expected vs. found epochs
 -I <ss.ss >        Interval. For detailed help type QZR2RIN -I ?
 -d <n>             Decimation. For detailed help type QZR2RIN -d ?
 -D                 Exclude Doppler
 -O                 Include Receiver Clock Offset in epoch header lines
 -S                 Include observation types S1,S2. Units: dB*Hz
 -~                 Apply Smoothing to pseudoranges
 -M <Name>          Override any Marker Name found in profile or input file

)";

constexpr const char* kProfile = R"(Conversion of QZR file to RINEX.
Switch  -p <Profile> :
Profile is a plain text Windows INI file. It provides information
you may want to put in to your RINEX files.Below is an example
of content of such a file:
  [QZR2RIN]
  RUN BY = Ada Quill
  COMMENT = Insert your comment here
  OBSERVER = Observer name
  AGENCY = Your company name
  ANT # = 0002
  ANT TYPE = QZRDOME_E
  ANT DELTA H = 1.234
  ANT DELTA E = 0.123
  ANT DELTA N = 0.020
  MARKER NAME=A Marker
  MARKER NUMBER=359

)";

constexpr const char* kWindow = R"(Conversion of QZR file to RINEX.
Start (-s) or Finish (-f) date/time can be specified in the following ways:
 1) DD[HH[MM[SS]]] ( two digits are required in all numbers);
       DD - day of the month,      HH - hour (default is 00)
       MM - minutes (default is 00), SS - seconds (default is 00)
     If only Start (-s) is specified,
       the following rule is applied to get Finish(-f):
      if -s DD, -f DD235959; if -s DDHH, -f DDHH5959,
      if -s DDHHMM, -f DDHHMM59.
     If no Start (-s) switch given, Finish (-f) is ignored.
     999 milliseconds is added do Finish (-f) automatically.
 2) DD[MM[YY]]d[HH[MM[SS[.SS]]]] (two digits are required in all numbers);
       DD - day of the month, MM - month, YY - year ( 00 - 2000, 80-1980 )
       d  - letter d.
       HH - hour (default is 00), MM - minutes (default is 00),
       SS.SS - seconds (default is 00.00).
     If only Start (-s) is specified, the QZR file is converted 
    from  Start to the end of QZR file.
     If only Finish (-f) is specified, the QZR file is converted 
    from the beginning of QZR file till Finish (-f).
)";

constexpr const char* kInterval = R"(Conversion of QZR file to RINEX.
Switch  -I <ss.ss>   Interval in seconds between epochs.
This switch can not be used together with -d.

)";

constexpr const char* kDecimation = R"(Conversion of QZR file to RINEX.
Switch  -d <n>   Decimation. Output every n-th epoch.
This switch can not be used together with -I.

)";

TEST(Help, EveryScreenByteForByte) {
  struct Case {
    HelpScreen screen;
    const char* name;
    const char* lines;
  };
  const Case kCases[] = {
      {HelpScreen::Main, "main", kMain},
      {HelpScreen::Profile, "profile", kProfile},
      {HelpScreen::Window, "window", kWindow},
      {HelpScreen::Interval, "interval", kInterval},
      {HelpScreen::Decimation, "decimation", kDecimation},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HelpText(c.screen), kBanner + c.lines);
    std::ostringstream out;
    WriteHelp(c.screen, out);
    EXPECT_EQ(out.str(), kBanner + c.lines);
  }
}

TEST(Help, EndingsAndTrailingBlanks) {
  // One line end after the last text: the start/finish screen's last text
  // has none of its own.
  struct Case {
    HelpScreen screen;
    const char* ending;
  };
  const Case kCases[] = {
      {HelpScreen::Main, "profile or input file\n\n"},
      {HelpScreen::Profile, "MARKER NUMBER=359\n\n"},
      {HelpScreen::Window, "\n    from the beginning of QZR file till Finish (-f).\n"},
      {HelpScreen::Interval, "together with -d.\n\n"},
      {HelpScreen::Decimation, "together with -I.\n\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ending);
    const std::string text = HelpText(c.screen);
    EXPECT_TRUE(text.starts_with(BannerLine() + "\nConversion of QZR file to RINEX.\n"));
    EXPECT_TRUE(text.ends_with(c.ending));
  }
  // Raw literals could lose these blanks to an editor; pin them down.
  const std::string window = HelpText(HelpScreen::Window);
  EXPECT_NE(window.find("is converted \n    from  Start"), std::string::npos);
  EXPECT_NE(window.find("is converted \n    from the beginning"), std::string::npos);
}

}  // namespace
}  // namespace qzr2rin
