#pragma once

#include <ostream>
#include <string_view>

#include "base/process_flags.h"
#include "decoders/conversion_options.h"

namespace qzr2rin {

// Every switch letter; a letter followed by ':' takes an argument.
inline constexpr std::string_view kOptionLetters = "hi:o:p:s:f:12lqetGg:Rr:Ww:M:m:OI:d:DTS~";

// Walks the argument vector one switch at a time. A word that does not look
// like a switch is handed back as 'i' (the input file name).
class OptionScanner {
 public:
  static constexpr int kEnd = -1;
  static constexpr int kUnknown = '?';

  OptionScanner(int argc, const char* const* argv, std::string_view letters = kOptionLetters);

  // The next letter, kUnknown for a switch not among the letters (see
  // Offending()), or kEnd when the arguments are exhausted.
  int Next();

  // The argument of the letter just returned; empty when a letter that takes
  // one came last.
  std::string_view Argument() const { return argument_; }
  // The character of the last kUnknown; 0 for a bare "-" or "/".
  char Offending() const { return offending_; }

 private:
  int argc_;
  const char* const* argv_;
  std::string_view letters_;
  int index_ = 1;
  std::string_view argument_;
  char offending_ = 0;
};

// What the command line asks for.
struct CommandLine {
  bool convert = false;  // false: a help screen or an error was written
  int exitCode = -1;     // the exit code when not converting; 0 otherwise
  ConversionOptions options;
  ProcessFlags flags;
};

// Scans the switches, writes help screens and unknown-switch messages to
// err, and makes the profile path absolute.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& err);

}  // namespace qzr2rin
