#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <string>

namespace qzr2rin {

// A file held in memory as one view. The input is read whole into memory
// the converter owns: a shared mapping would die on a signal the moment
// another program truncated the file. Every decoder works on spans into this
// view, which lives as long as the converter.
class TMappedFile {
 public:
  // Reads the named regular file whole; on failure the view is empty and
  // lastError says why.
  explicit TMappedFile(const std::string& name);
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Open and read: the bytes of View() may be read.
  bool Usable() const { return view_ != nullptr && fileHandle_ >= 0; }
  std::span<const std::uint8_t> View() const {
    return Usable() ? std::span<const std::uint8_t>(view_, size) : std::span<const std::uint8_t>();
  }

  // True when the open file's size or modification time is no longer what
  // it was while it was read, or when it was already changing during the
  // read (then the file is not usable). The name may since point elsewhere:
  // what counts is the file that was read.
  bool ChangedSinceRead() const;

  std::uint32_t lastError = 0;  // errno of the failing step, 0 when all went well
  std::uint64_t size = 0;       // bytes in the view

 private:
  struct Snapshot {
    std::uint64_t size = 0;
    std::timespec modified{};
  };

  void Release();
  bool ReadWhole(std::uint64_t length);

  int fileHandle_ = -1;                 // kept open for ChangedSinceRead; -1 when none
  const std::uint8_t* view_ = nullptr;  // null when none
  std::unique_ptr<std::uint8_t[]> memory_;
  Snapshot read_;
  bool changedWhileRead_ = false;
};

// The input file: read as a whole, never written.
class TOpenMappedFile : public TMappedFile {
 public:
  using TMappedFile::TMappedFile;
};

}  // namespace qzr2rin
