#include "driver/options.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/leading_integer.h"
#include "base/messages.h"
#include "base/status.h"
#include "driver/help.h"
#include "platform/files.h"

namespace qzr2rin {

OptionScanner::OptionScanner(int argc, const char* const* argv, std::string_view letters)
    : argc_(argc), argv_(argv), letters_(letters) {}

int OptionScanner::Next() {
  argument_ = {};
  offending_ = 0;
  longName_ = {};
  valueGiven_ = false;
  if (argv_ == nullptr || index_ >= argc_ || argv_[index_] == nullptr) return kEnd;

  const std::string_view word = argv_[index_++];
  constexpr std::string_view kLongStart = "--";
  if (word.size() > kLongStart.size() && word.starts_with(kLongStart)) {
    const std::string_view rest = word.substr(kLongStart.size());
    const std::size_t equals = rest.find('=');
    longName_ = rest.substr(0, equals);
    if (equals != std::string_view::npos) {
      valueGiven_ = true;
      argument_ = rest.substr(equals + 1);
    }
    return kLong;
  }
  // On this system "/tmp/x.qzr" is a path: a "/" word is a switch only when it
  // is a letter's two characters ("/h").
  const bool dashSwitch = !word.empty() && word.front() == '-';
  const bool slashSwitch = !word.empty() && word.front() == '/' && word.size() <= 2;
  if (!dashSwitch && !slashSwitch) {
    argument_ = word;
    return 'i';
  }
  if (word.size() == 1) return kUnknown;

  // Characters after the letter are ignored: "-qx" is "-q".
  const char letter = word[1];
  const std::size_t at = letters_.find(letter);
  if (letter == ':' || at == std::string_view::npos) {
    offending_ = letter;
    return kUnknown;
  }
  const bool takesArgument = at + 1 < letters_.size() && letters_[at + 1] == ':';
  if (takesArgument && index_ < argc_ && argv_[index_] != nullptr) argument_ = argv_[index_++];
  return static_cast<unsigned char>(letter);
}

bool OptionScanner::TakeValue() {
  if (index_ >= argc_ || argv_[index_] == nullptr) return false;
  argument_ = argv_[index_++];
  valueGiven_ = true;
  return true;
}

namespace {

void WriteUnknownOption(char c, std::ostream& err) {
  const auto code = static_cast<unsigned char>(c);
  if (IsPrintableAscii(code)) {
    err << "Unknown option: " << c;
  } else {
    static constexpr std::string_view kHex = "0123456789abcdef";
    constexpr auto kBase = static_cast<unsigned>(kHex.size());
    std::string hex;
    for (unsigned v = code;; v /= kBase) {
      hex.insert(hex.begin(), kHex[v % kBase]);
      if (v < kBase) break;
    }
    err << "Unknown option character '0x" << hex << "'";
  }
  err << '\n';
  err.flush();
}

CommandLine Stop(HelpScreen screen, std::ostream& err) {
  WriteHelp(screen, err);
  return CommandLine{};
}

// A bad value ends the run before anything is read.
constexpr int kBadValueExit = ToInt(Status::BadTimeTag);

CommandLine Refuse(const std::string& text, std::ostream& err) {
  err << text << '\n';
  err.flush();
  CommandLine line;
  line.exitCode = kBadValueExit;
  return line;
}

CommandLine Finish(std::string_view text, std::ostream& out) {
  out << text;
  out.flush();
  CommandLine line;
  line.exitCode = 0;
  return line;
}

struct LongOption {
  std::string_view name;
  bool takesValue;
};

constexpr std::array<LongOption, 10> kLongOptions = {{
    {"help", false},
    {"version", false},
    {"rinex", true},
    {"long-names", false},
    {"short-names", false},
    {"station", true},
    {"country", true},
    {"marker-type", true},
    {"crx", false},
    {"gzip", false},
}};

// Applies the long option the scanner just returned: nothing when the
// command line goes on, else what it ends with.
std::optional<CommandLine> ApplyLongOption(OptionScanner& scanner, CommandLine& line, std::ostream& out,
                                           std::ostream& err) {
  const std::string name(scanner.LongName());
  const auto* option = std::find_if(kLongOptions.begin(), kLongOptions.end(),
                                    [&](const LongOption& o) { return o.name == name; });
  if (option == kLongOptions.end()) {
    err << "Unknown option: --" << name << '\n';
    err.flush();
    return CommandLine{};
  }
  if (!option->takesValue && scanner.ValueGiven()) return Refuse("Option --" + name + " takes no value", err);
  if (option->takesValue && !scanner.ValueGiven() && !scanner.TakeValue()) {
    return Refuse("Option --" + name + " needs a value", err);
  }
  const std::string value(scanner.Argument());
  OutputOptions& output = line.output;
  if (name == "help") return Finish(HelpText(HelpScreen::Main) + LongOptionsText(), out);
  if (name == "version") return Finish(VersionLine() + "\n", out);
  if (name == "rinex") {
    if (!ParseRinexVersion(value, output.version)) {
      return Refuse("Unknown RINEX version " + value + ": 2.10, 3.04 or 3.05 (3 is 3.05)", err);
    }
  } else if (name == "long-names") {
    output.names = OutputOptions::Names::Long;
  } else if (name == "short-names") {
    output.names = OutputOptions::Names::Short;
  } else if (name == "crx") {
    output.forms.compact = true;
  } else if (name == "gzip") {
    output.forms.gzip = true;
  } else if (name == "station") {
    if (!IsStationText(UpperCase(value))) {
      return Refuse(
          "Bad station " + value + ": nine characters, as SSSSMRCCC (site, monument, receiver, country)",
          err);
    }
    output.station = UpperCase(value);
  } else if (name == "country") {
    if (!IsCountryCode(UpperCase(value))) {
      return Refuse("Bad country code " + value + ": three letters (ISO 3166 alpha-3)", err);
    }
    output.country = UpperCase(value);
  } else if (name == "marker-type") {
    if (!IsMarkerType(UpperCase(value))) {
      return Refuse("Bad marker type " + value + ": one of " + MarkerTypeList(), err);
    }
    output.markerType = UpperCase(value);
  }
  return std::nullopt;
}

// Applies one switch letter: nothing when the command line goes on, else
// what it ends with.
std::optional<CommandLine> ApplySwitch(int letter, std::string_view arg, char offending, CommandLine& line,
                                       std::string& profile, std::ostream& err) {
  ConversionOptions& o = line.options;
  const bool helpAsked = arg == "?";
  switch (letter) {
    case 'h': return Stop(HelpScreen::Main, err);
    case 'i': o.inputFile = arg; break;
    case 'o':
      // "-o" with nothing after it keeps the current directory; an empty
      // directory would put the files in "/".
      if (!arg.empty()) o.outputDirectory = arg;
      break;
    case 'p':
      if (helpAsked) return Stop(HelpScreen::Profile, err);
      profile = arg;
      break;
    case 's':
      if (helpAsked) return Stop(HelpScreen::Window, err);
      o.startGiven = true;
      o.startText = arg;
      break;
    case 'f':
      if (helpAsked) return Stop(HelpScreen::Window, err);
      o.finishGiven = true;
      o.finishText = arg;
      break;
    case '1': o.useL1 = false; break;
    case '2': o.useL2 = false; break;
    case 'l': o.dumpEnabled = true; break;
    case 'q': o.verbose = false; break;
    case 'e': o.statistics = true; break;
    case 't': o.noTagCorrection = true; break;
    case 'G': o.useGps = false; break;
    case 'g': o.gpsExcluded.Append(LeadingInteger(arg)); break;
    case 'R': o.useGlonass = false; break;
    case 'r': o.glonassExcluded.Append(LeadingInteger(arg)); break;
    case 'W': o.useWaas = false; break;
    case 'w': o.waasExcluded.Append(LeadingInteger(arg)); break;
    case 'M':
      o.markerOverridden = true;
      o.markerName = arg;
      break;
    case 'm':
      o.markerNumberGiven = true;
      o.markerNumber = arg;
      break;
    case 'O': line.flags.clockOffset = true; break;
    case 'I':
      if (helpAsked) return Stop(HelpScreen::Interval, err);
      o.intervalGiven = true;
      o.intervalText = arg;
      break;
    case 'd':
      if (helpAsked) return Stop(HelpScreen::Decimation, err);
      o.decimationGiven = true;
      o.decimation = LeadingInteger(arg);
      break;
    case 'D': o.useDoppler = false; break;
    case 'T': break;  // accepted, no effect
    case 'S': line.flags.signalToNoise = true; break;
    case '~': line.flags.smoothing = true; break;
    default: WriteUnknownOption(offending, err); return CommandLine{};
  }
  return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc < 2) return Stop(HelpScreen::Main, err);

  CommandLine line;
  std::string profile;
  OptionScanner scanner(argc, argv);
  for (int letter = scanner.Next(); letter != OptionScanner::kEnd; letter = scanner.Next()) {
    std::optional<CommandLine> end =
        letter == OptionScanner::kLong
            ? ApplyLongOption(scanner, line, out, err)
            : ApplySwitch(letter, scanner.Argument(), scanner.Offending(), line, profile, err);
    if (end) return *end;
  }

  ConversionOptions& o = line.options;
  // Nothing to convert and no dump wanted.
  if (!o.useGps && !o.useGlonass && !o.useWaas && !o.dumpEnabled) return Stop(HelpScreen::Main, err);

  o.profilePath = platform::AbsolutePath(profile);
  line.convert = true;
  line.exitCode = 0;
  return line;
}

}  // namespace qzr2rin
