#pragma once

#include <cstddef>
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
  static constexpr std::uint32_t kReadAccess = 0x80000000u;
  static constexpr std::uint32_t kWriteAccess = 0x40000000u;

  // Creation dispositions.
  static constexpr std::uint32_t kCreateNew = 1;
  static constexpr std::uint32_t kCreateAlways = 2;
  static constexpr std::uint32_t kOpenExisting = 3;
  static constexpr std::uint32_t kOpenAlways = 4;
  static constexpr std::uint32_t kTruncateExisting = 5;

  struct TParameters {
    std::string fileName;  // empty: an anonymous, zeroed view of maximumSize bytes
    // Write access is offered for anonymous views only: a view of a named
    // file is a copy, and writes into it would never reach the file.
    std::uint32_t desiredAccess = kReadAccess;
    std::uint32_t shareMode = 3;         // others may read and write; always so here
    void* securityAttributes = nullptr;  // passed through, unused here
    std::uint32_t creationDisposition = kOpenExisting;
    std::uint32_t flagsAndAttributes = 0;  // passed through, unused here
    void* templateFile = nullptr;          // passed through, unused here
    std::string mappingName;               // accepted; views have no names here
    std::uint32_t viewOffsetHigh = 0;
    std::uint32_t viewOffsetLow = 0;
    std::uint64_t bytesToMap = 0;  // 0: to the end of the file
    std::uint32_t maximumSizeHigh = 0;
    std::uint32_t maximumSizeLow = 0;  // high and low 0: the file's size
  };

  explicit TMappedFile(const TParameters& parameters);
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Open and read: the bytes [view, view + size) may be read.
  bool Usable() const { return view != nullptr && (fileHandle >= 0 || anonymous_); }
  std::span<const std::uint8_t> View() const {
    return Usable() ? std::span<const std::uint8_t>(view, size) : std::span<const std::uint8_t>();
  }

  // True when the open file's size or modification time is no longer what
  // it was while it was read, or when it was already changing during the
  // read (then the file is not usable). The name may since point elsewhere:
  // what counts is the file that was read.
  bool ChangedSinceRead() const;

  int fileHandle = -1;            // kept open for ChangedSinceRead; -1 when none
  void* mappingHandle = nullptr;  // start of the memory; null when none
  std::uint8_t* view = nullptr;   // first byte of the view; null when none
  std::uint32_t lastError = 0;    // errno of the failing step, 0 when all went well
  std::uint64_t size = 0;         // bytes in the view

 private:
  struct Snapshot {
    std::uint64_t size = 0;
    std::timespec modified{};
  };

  void Release();
  bool ReadWhole(std::uint64_t offset, std::uint64_t length);

  std::unique_ptr<std::uint8_t[]> memory_;
  Snapshot read_;
  bool anonymous_ = false;
  bool changedWhileRead_ = false;
};

// The input file: read as a whole, never written.
class TOpenMappedFile : public TMappedFile {
 public:
  explicit TOpenMappedFile(const std::string& name);

  std::string fileName;
};

}  // namespace qzr2rin
