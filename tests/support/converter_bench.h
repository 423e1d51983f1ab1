#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decoders/conversion_options.h"
#include "decoders/qzr_file.h"
#include "support/qzr_writer.h"

namespace qzrtest {

// The lost flags a walk starts with.
struct WalkLost {
  bool time = false;
  bool list = false;
  bool numbers = false;
};

struct WalkRecord {
  std::vector<qzr2rin::Status> results;  // each decoder's result, in order
  std::vector<std::string> texts;        // what each decoder wrote to the dump
};

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

  // Walks as the second run does but keeps the lost flags and
  // firstTimeAfterId exactly as the test set them.
  qzr2rin::Status WalkAsSet();

  using Lost = WalkLost;
  using Walked = WalkRecord;
  // Walks every message from the start with the given lost flags, keeping
  // each decoder's result and dump text.
  Walked WalkEach(Lost lost = {});

  // Calls `visit` with the body of every message from the start of the
  // log, framed by the scanner but not dispatched.
  void ForEachBody(const std::function<void(qzr2rin::Body)>& visit);

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
