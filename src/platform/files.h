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
  bool Open(const std::string& path, OpenMode mode, std::size_t bufferSize = 64 * 1024);
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

bool FileExists(const std::string& path);

// Removes a file; used only to take back a file this run created.
void RemoveFile(const std::string& path);

// The absolute form of a path: relative paths are joined to the current
// directory; the path itself need not exist. Empty stays empty.
std::string AbsolutePath(const std::string& path);

}  // namespace qzr2rin::platform
