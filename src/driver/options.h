#pragma once

#include <ostream>
#include <string_view>

#include "base/process_flags.h"
#include "decoders/conversion_options.h"
#include "driver/output_options.h"

namespace qzr2rin {

// Every switch letter; a letter followed by ':' takes an argument.
inline constexpr std::string_view kOptionLetters = "hi:o:p:s:f:12lqetGg:Rr:Ww:M:m:OI:d:DTS~";

// Walks the argument vector one switch at a time. A word that does not look
// like a switch is handed back as 'i' (the input file name); a word of "--"
// and a name is a long option (kLong), its value after a '=' or, when the
// option takes one, the next word (TakeValue).
class OptionScanner {
 public:
  static constexpr int kEnd = -1;
  static constexpr int kUnknown = '?';
  static constexpr int kLong = -2;

  OptionScanner(int argc, const char* const* argv, std::string_view letters = kOptionLetters);

  // The next letter, kUnknown for a switch not among the letters (see
  // Offending()), or kEnd when the arguments are exhausted.
  int Next();

  // The argument of the letter just returned; empty when a letter that takes
  // one came last.
  std::string_view Argument() const { return argument_; }
  // The character of the last kUnknown; 0 for a bare "-" or "/".
  char Offending() const { return offending_; }

  // The last kLong's name (without "--") and whether its word held a value
  // after '=' (then in Argument()).
  std::string_view LongName() const { return longName_; }
  bool ValueGiven() const { return valueGiven_; }
  // Makes the next word the last kLong's value; false when none is left.
  bool TakeValue();

 private:
  int argc_;
  const char* const* argv_;
  std::string_view letters_;
  int index_ = 1;
  std::string_view argument_;
  char offending_ = 0;
  std::string_view longName_;
  bool valueGiven_ = false;
};

// What the command line asks for.
struct CommandLine {
  bool convert = false;  // false: a help screen or an error was written
  int exitCode = -1;     // the exit code when not converting; 0 otherwise
  ConversionOptions options;
  ProcessFlags flags;
  OutputOptions output;
};

// Scans the switches, writes help screens and unknown-switch messages to
// err (--help and --version to out, as asked for), and makes the profile
// path absolute.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace qzr2rin
