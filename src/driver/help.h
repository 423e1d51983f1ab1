#pragma once

#include <ostream>
#include <string>

namespace qzr2rin {

enum class HelpScreen {
  Main,        // -h, no arguments, or nothing to do
  Profile,     // -p ?
  Window,      // -s ? or -f ?
  Interval,    // -I ?
  Decimation,  // -d ?
};

// The whole screen: banner line, the screen's lines, one more line end.
std::string HelpText(HelpScreen screen);

void WriteHelp(HelpScreen screen, std::ostream& out);

// The long options, as --help lists them after the main screen.
std::string LongOptionsText();

}  // namespace qzr2rin
