#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace qzr2rin {

// The readable message dump written under -l. Every write is a no-op while
// the log is closed, and callers test Enabled() before formatting anything
// costly, so the dump costs nothing when it is off.
class DumpLog {
 public:
  // Creates or empties the file. A log that cannot be created is not an
  // error: the writes are lost and the conversion goes on.
  void Open(const std::string& path);
  void Close();
  bool Enabled() const { return file_.IsOpen(); }

  void Write(std::string_view text) { file_.Write(text); }
  void Printf(const char* layout, ...) __attribute__((format(printf, 2, 3)));
  // Ends the current line and hands it to the system.
  void EndLine();
  void Flush() { file_.Flush(); }

 private:
  platform::OutputFile file_;
};

}  // namespace qzr2rin
