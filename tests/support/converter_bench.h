#pragma once

#include <memory>
#include <string>

#include "input/conversion_options.h"
#include "input/qzr_file.h"
#include "support/qzr_writer.h"

namespace qzrtest {

// A converter over a log built in the test, with the dump log on, for
// driving decoders through the real scanner and dispatch table without the
// identification and first run of a whole conversion.
class ConverterBench {
 public:
  // Writes the log to a file of its own and builds the converter over it.
  explicit ConverterBench(const LogBuilder& log, qzr2rin::ConversionOptions options = {});

  qzr2rin::TQZRFile& file() { return *file_; }

  // Dispatches every message from the start of the log as the second run
  // does, with the time, list and numbers already trusted unless a message
  // breaks the stream. Returns the status that ended the walk.
  qzr2rin::Status Walk();

  // Everything the dump log holds so far.
  std::string Dump();
  // The dump without its two opening lines.
  std::string DumpBody();

 private:
  TempDir dir_;
  std::string input_;
  std::unique_ptr<qzr2rin::TQZRFile> file_;
};

}  // namespace qzrtest
