#include "driver/help.h"

#include <string_view>

#include "base/messages.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kMainScreen =
    "Conversion of QZR file to RINEX.\n"
    "Usage :  QZR2RIN  [<sw> [ <sw>]]  -i <input file name> [<sw> [ <sw>]]\n"
    "<Switches(sw)>:\n"
    " -h                 Display help screen\n"
    " -o <output dir >   Current dir by default\n"
    " -p <Profile name>  For detailed help type QZR2RIN -p ?\n"
    " -s <Starttime>     Start data/time.For  detailed help type QZR2RIN -s ?\n"
    " -f <Finishtime>    Finish data/time.For detailed help type QZR2RIN -f ?\n"
    " -G                 Exclude GPS satellites\n"
    " -g <n>             Exclude GPS satellite number n\n"
    " -R                 Exclude GLONASS satellites\n"
    " -r <n>             Exclude GLONASS satellite number n\n"
    " -W                 Exclude WAAS satellites\n"
    " -w <n>             Exclude WAAS satellite number n\n"
    " -1                 Exclude L1\n"
    " -2                 Exclude L2\n"
    " -l                 Write logfile for QZR file\n"
    " -q                 Quiet mode\n"
    " -e                 Print statistics: expected vs. found epochs\n"
    " -I <ss.ss >        Interval. For detailed help type QZR2RIN -I ?\n"
    " -d <n>             Decimation. For detailed help type QZR2RIN -d ?\n"
    " -D                 Exclude Doppler\n"
    " -O                 Include Receiver Clock Offset in epoch header lines\n"
    " -S                 Include observation types S1,S2. Units: dB*Hz\n"
    " -~                 Apply Smoothing to pseudoranges\n"
    " -M <Name>          Override any Marker Name found in profile or input file\n";

constexpr std::string_view kProfileScreen =
    "Conversion of QZR file to RINEX.\n"
    "Switch  -p <Profile> :\n"
    "Profile is a plain text Windows INI file. It provides information\n"
    "you may want to put in to your RINEX files.Below is an example\n"
    "of content of such a file:\n"
    "  [QZR2RIN]\n"
    "  RUN BY = Ada Quill\n"
    "  COMMENT = Insert your comment here\n"
    "  OBSERVER = Observer name\n"
    "  AGENCY = Your company name\n"
    "  ANT # = 0002\n"
    "  ANT TYPE = QZRDOME_E\n"
    "  ANT DELTA H = 1.234\n"
    "  ANT DELTA E = 0.123\n"
    "  ANT DELTA N = 0.020\n"
    "  MARKER NAME=A Marker\n"
    "  MARKER NUMBER=359\n";

// The last line has no line end of its own; the closing one is added by
// every screen alike.
constexpr std::string_view kWindowScreen =
    "Conversion of QZR file to RINEX.\n"
    "Start (-s) or Finish (-f) date/time can be specified in the following ways:\n"
    " 1) DD[HH[MM[SS]]] ( two digits are required in all numbers);\n"
    "       DD - day of the month,      HH - hour (default is 00)\n"
    "       MM - minutes (default is 00), SS - seconds (default is 00)\n"
    "     If only Start (-s) is specified,\n"
    "       the following rule is applied to get Finish(-f):\n"
    "      if -s DD, -f DD235959; if -s DDHH, -f DDHH5959,\n"
    "      if -s DDHHMM, -f DDHHMM59.\n"
    "     If no Start (-s) switch given, Finish (-f) is ignored.\n"
    "     999 milliseconds is added do Finish (-f) automatically.\n"
    " 2) DD[MM[YY]]d[HH[MM[SS[.SS]]]] (two digits are required in all numbers);\n"
    "       DD - day of the month, MM - month, YY - year ( 00 - 2000, 80-1980 )\n"
    "       d  - letter d.\n"
    "       HH - hour (default is 00), MM - minutes (default is 00),\n"
    "       SS.SS - seconds (default is 00.00).\n"
    "     If only Start (-s) is specified, the QZR file is converted \n"
    "    from  Start to the end of QZR file.\n"
    "     If only Finish (-f) is specified, the QZR file is converted \n"
    "    from the beginning of QZR file till Finish (-f).";

constexpr std::string_view kIntervalScreen =
    "Conversion of QZR file to RINEX.\n"
    "Switch  -I <ss.ss>   Interval in seconds between epochs.\n"
    "This switch can not be used together with -d.\n";

constexpr std::string_view kDecimationScreen =
    "Conversion of QZR file to RINEX.\n"
    "Switch  -d <n>   Decimation. Output every n-th epoch.\n"
    "This switch can not be used together with -I.\n";

constexpr std::string_view kLongOptions =
    "Long options (--name value or --name=value):\n"
    " --help                 Display this help on standard output\n"
    " --version              Display the program name, version and build\n"
    " --rinex <version>      RINEX version: 2.10 (default), 3.04 or 3.05 (3 is 3.05)\n"
    " --long-names           Long file names (default with RINEX 3)\n"
    " --short-names          Short file names (default with RINEX 2.10)\n"
    " --station <SSSSMRCCC>  Site, monument, receiver and country of long names\n"
    " --country <CCC>        ISO 3166 alpha-3 country code of long names (default XXX)\n"
    " --marker-type <type>   RINEX 3 MARKER TYPE (default GEODETIC)\n"
    " --crx                  Observation file in compact RINEX (Hatanaka): type D, .crx\n"
    " --gzip                 Every RINEX file gzipped: .gz appended to its name\n";

std::string_view ScreenLines(HelpScreen screen) {
  switch (screen) {
    case HelpScreen::Main: return kMainScreen;
    case HelpScreen::Profile: return kProfileScreen;
    case HelpScreen::Window: return kWindowScreen;
    case HelpScreen::Interval: return kIntervalScreen;
    case HelpScreen::Decimation: return kDecimationScreen;
  }
  return kMainScreen;
}

}  // namespace

std::string HelpText(HelpScreen screen) {
  std::string text = BannerLine();
  text += '\n';
  text += ScreenLines(screen);
  text += '\n';
  return text;
}

void WriteHelp(HelpScreen screen, std::ostream& out) {
  out << HelpText(screen);
  out.flush();
}

std::string LongOptionsText() { return std::string(kLongOptions); }

}  // namespace qzr2rin
