#include "driver/options.h"

#include <climits>
#include <cstdint>
#include <string>

#include "base/leading_integer.h"
#include "driver/help.h"
#include "platform/files.h"

namespace qzr2rin {

OptionScanner::OptionScanner(int argc, const char* const* argv, std::string_view letters)
    : argc_(argc), argv_(argv), letters_(letters) {}

int OptionScanner::Next() {
  argument_ = {};
  offending_ = 0;
  if (argv_ == nullptr || index_ >= argc_ || argv_[index_] == nullptr) return kEnd;

  const std::string_view word = argv_[index_++];
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

namespace {

void WriteUnknownOption(char c, std::ostream& err) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= 0x20 && code < 0x7F) {
    err << "Unknown option: " << c;
  } else {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned v = code;; v /= 16) {
      hex.insert(hex.begin(), kHex[v % 16]);
      if (v < 16) break;
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

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& err) {
  if (argc < 2) return Stop(HelpScreen::Main, err);

  CommandLine line;
  ConversionOptions& o = line.options;
  std::string profile;
  OptionScanner scanner(argc, argv);
  for (int letter = scanner.Next(); letter != OptionScanner::kEnd; letter = scanner.Next()) {
    const std::string_view arg = scanner.Argument();
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
      default: WriteUnknownOption(scanner.Offending(), err); return CommandLine{};
    }
  }

  // Nothing to convert and no dump wanted.
  if (!o.useGps && !o.useGlonass && !o.useWaas && !o.dumpEnabled) return Stop(HelpScreen::Main, err);

  o.profilePath = platform::AbsolutePath(profile);
  line.convert = true;
  line.exitCode = 0;
  return line;
}

}  // namespace qzr2rin
