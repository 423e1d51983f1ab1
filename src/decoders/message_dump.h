#pragma once

#include <string_view>

#include "input/dump_log.h"

namespace qzr2rin {

// The dump as a decoder may write it: message lines go nowhere in the first
// run, which writes none, nor when the dump log is off.
class MessageDump {
 public:
  MessageDump(DumpLog& log, bool firstRun) : log_(log), firstRun_(firstRun) {}

  bool Enabled() const { return !firstRun_ && log_.Enabled(); }
  // Where an enabled dump's formatted lines go.
  DumpLog& Log() const { return log_; }
  void Line(std::string_view text) const {
    if (!Enabled()) return;
    log_.Write(text);
    log_.EndLine();
  }

 private:
  DumpLog& log_;
  bool firstRun_;
};

}  // namespace qzr2rin
