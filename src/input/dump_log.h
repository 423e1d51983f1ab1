#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace qzr2rin {

// The readable message dump written under -l. It is written under a
// temporary name and named at the end of the run, so that it is whole or
// absent. Every write is a no-op while the log is closed, and callers test
// Enabled() before formatting anything costly, so the dump costs nothing
// when it is off.
class DumpLog {
 public:
  // Starts the log under a temporary name beside path; false (errno in
  // LastError()) when that cannot be created.
  bool Open(const std::string& path);
  // Flushes and closes; false when any byte did not reach the file.
  bool Finish();
  // Gives the finished log its name, in place of an earlier dump log there.
  bool Name();
  bool Enabled() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }
  // Where the bytes are until the log is named.
  const std::string& WorkingPath() const { return file_.TemporaryPath(); }
  int LastError() const { return file_.LastError(); }

  void Write(std::string_view text) { file_.File().Write(text); }
  void Printf(const char* layout, ...) __attribute__((format(printf, 2, 3)));
  // Ends the current line and hands it to the system.
  void EndLine();
  void Flush() { file_.File().Flush(); }

 private:
  platform::StagedFile file_;
  std::string path_;
};

// Why no dump log may be written at `path` for the input `input`, as a line
// for the console; empty when nothing is there, or an earlier dump log of
// this program, which the new one replaces. Links, other kinds of files,
// the input itself and files of other programs are never written over.
std::string DumpLogRefusal(const std::string& path, const std::string& input);

}  // namespace qzr2rin
