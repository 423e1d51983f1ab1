#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qzr2rin::platform {

// How an output file is opened.
enum class OpenMode {
  Truncate,   // created or emptied
  Append,     // created when missing, never through a symbolic link, mode 0600
  Exclusive,  // created; fails when any file of that name exists
};

// The buffer of an output file unless its opener asks for another size.
inline constexpr std::size_t kDefaultBufferSize = 64 * 1024;

// A file written through a buffer of its own. Write errors are remembered,
// never ignored: Close() reports whether every byte reached the file.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens path; returns false and keeps errno in LastError() on failure.
  bool Open(const std::string& path, OpenMode mode, std::size_t bufferSize = kDefaultBufferSize);
  bool IsOpen() const { return fd_ >= 0; }

  void Write(std::string_view text);
  void Write(char c) {
    if (buffer_.size() == buffer_.capacity()) Drain();
    buffer_.push_back(c);
  }
  // Hands the buffered bytes to the system.
  void Flush() { Drain(); }
  // Flushes and closes; false when any write or the close failed.
  bool Close();

  bool Failed() const { return failed_; }
  int LastError() const { return lastError_; }

 private:
  void Drain();

  int fd_ = -1;
  bool failed_ = false;
  int lastError_ = 0;
  std::vector<char> buffer_;
};

// A file written under a temporary name in the directory of its final name
// (".qzr2rin-<pid>-<n>.tmp") and given that name only once it is whole, so
// that no reader ever sees it half-written under its final name. Until it is
// named, a fatal signal (see signals.h) or the destructor removes it.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile() { Discard(); }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary beside finalPath; false with LastError() set.
  bool Open(const std::string& finalPath, std::size_t bufferSize = kDefaultBufferSize);
  bool IsOpen() const { return file_.IsOpen(); }
  OutputFile& File() { return file_; }
  // Where the bytes are until the file is named.
  const std::string& TemporaryPath() const { return temporary_; }

  // Flushes and closes; false when any byte did not reach the file.
  bool Finish();
  // Gives the finished file its name, never replacing a file of that name
  // (LastError() is then EEXIST).
  bool NameNew(const std::string& path);
  // Gives the finished file its name in place of whatever has that name.
  bool NameReplacing(const std::string& path);
  // Takes a name given by NameNew back, as when the rest of a set of files
  // could not be named.
  bool TakeBackName();
  // Removes the file unless it was named.
  void Discard();

  int LastError() const { return lastError_ != 0 ? lastError_ : file_.LastError(); }

 private:
  OutputFile file_;
  std::string temporary_;  // empty once named or discarded
  std::string named_;
  int slot_ = -1;  // in the list a fatal signal clears
  int lastError_ = 0;
};

// Removes every staged file not yet named. Async-signal-safe: for the
// handlers of fatal signals.
void RemoveStagedFiles() noexcept;

bool FileExists(const std::string& path);

// What a path itself is, links not followed.
struct PathFacts {
  bool exists = false;
  bool symbolicLink = false;
  bool regular = false;
};
PathFacts Examine(const std::string& path);

// True when both paths lead to the same file (links followed).
bool SameFile(const std::string& a, const std::string& b);

// Removes a file; used only to take back a file this run created.
void RemoveFile(const std::string& path);

// The absolute form of a path: relative paths are joined to the current
// directory; the path itself need not exist. Empty stays empty.
std::string AbsolutePath(const std::string& path);

}  // namespace qzr2rin::platform
