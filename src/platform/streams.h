#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Files the program only reads or appends to, opened so that nothing can
// make it wait: a FIFO, a device or a directory at a path is refused, never
// opened for good.
namespace qzr2rin::platform {

// Opens /dev/null onto any of descriptors 0, 1 and 2 that is closed, so
// that no file the program opens later takes the place of a console stream.
void EnsureStandardStreams();

enum class PathKind { Missing, Regular, Other };
// What a path names, links followed; Missing also when it cannot be examined.
PathKind KindOf(const std::string& path);

// A regular file opened for reading; any other kind of file is not opened.
class RegularFileReader {
 public:
  explicit RegularFileReader(const std::string& path);
  ~RegularFileReader();
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Up to `capacity` bytes; 0 at the end of the file or on an error.
  std::size_t Read(char* into, std::size_t capacity);

 private:
  int fd_ = -1;
};

// Up to `count` first bytes of a regular file, never through a link;
// empty for anything else.
std::string FirstBytes(const std::string& path, std::size_t count);

// Appends `text` in one write to a regular file, created with mode 0600 when
// missing. Never through a symbolic link, never into anything but a regular
// file; false when nothing could be written.
bool AppendToRegularFile(const std::string& path, std::string_view text);

}  // namespace qzr2rin::platform
