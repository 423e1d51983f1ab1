#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qzr2rin {

// A file mapped into memory as one view. The input is never read with
// ordinary reads: every decoder works on spans into this view, which stays
// mapped for the converter's whole life.
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
    std::string fileName;  // empty: an anonymous mapping of maximumSize bytes
    std::uint32_t desiredAccess = kReadAccess;
    std::uint32_t shareMode = 3;  // others may read and write; always so here
    void* securityAttributes = nullptr;  // passed through, unused here
    std::uint32_t creationDisposition = kOpenExisting;
    std::uint32_t flagsAndAttributes = 0;  // passed through, unused here
    void* templateFile = nullptr;          // passed through, unused here
    std::string mappingName;  // accepted; mappings have no names here
    std::uint32_t viewOffsetHigh = 0;
    std::uint32_t viewOffsetLow = 0;
    std::uint64_t bytesToMap = 0;  // 0: to the end of the mapping
    std::uint32_t maximumSizeHigh = 0;
    std::uint32_t maximumSizeLow = 0;  // high and low 0: the file's size
  };

  explicit TMappedFile(const TParameters& parameters);
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Open, mapped and viewable: the bytes [view, view + size) may be read.
  bool Usable() const { return view != nullptr && (fileHandle >= 0 || anonymous_); }
  std::span<const std::uint8_t> View() const {
    return Usable() ? std::span<const std::uint8_t>(view, size) : std::span<const std::uint8_t>();
  }

  int fileHandle = -1;             // -1 when no file is open
  void* mappingHandle = nullptr;   // start of the mapping; null when none
  std::uint8_t* view = nullptr;    // first byte of the view; null when none
  std::uint32_t lastError = 0;     // errno of the failing step, 0 when all went well
  std::uint64_t size = 0;          // bytes in the view

 private:
  void Release();

  std::size_t mappedLength_ = 0;
  bool anonymous_ = false;
};

// The input file: mapped read-only, as a whole.
class TOpenMappedFile : public TMappedFile {
 public:
  explicit TOpenMappedFile(const std::string& name);

  std::string fileName;
};

}  // namespace qzr2rin
