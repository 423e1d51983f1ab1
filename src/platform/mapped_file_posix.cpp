#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "input/mapped_file.h"

namespace qzr2rin {
namespace {

// A zero-length file maps to no pages at all; its view is this byte, never
// read because the size is 0.
std::uint8_t gEmptyView[1];

int OpenFlags(const TMappedFile::TParameters& p) {
  int flags = O_CLOEXEC;
  // A mapping needs read access even when only writing was asked for.
  flags |= (p.desiredAccess & TMappedFile::kWriteAccess) ? O_RDWR : O_RDONLY;
  switch (p.creationDisposition) {
    case TMappedFile::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case TMappedFile::kCreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case TMappedFile::kOpenAlways: flags |= O_CREAT; break;
    case TMappedFile::kTruncateExisting: flags |= O_TRUNC; break;
    default: break;
  }
  return flags;
}

}  // namespace

TMappedFile::TMappedFile(const TParameters& p) {
  if ((p.desiredAccess & (kReadAccess | kWriteAccess)) == 0) {
    lastError = EINVAL;
    return;
  }
  const bool writable = (p.desiredAccess & kWriteAccess) != 0;
  const std::uint64_t maximumSize = (std::uint64_t{p.maximumSizeHigh} << 32) | p.maximumSizeLow;
  std::uint64_t mappingSize = maximumSize;

  if (!p.fileName.empty()) {
    fileHandle = ::open(p.fileName.c_str(), OpenFlags(p), 0644);
    if (fileHandle < 0) {
      lastError = static_cast<std::uint32_t>(errno);
      return;
    }
    struct stat st{};
    if (::fstat(fileHandle, &st) != 0) {
      lastError = static_cast<std::uint32_t>(errno);
      Release();
      return;
    }
    if (!S_ISREG(st.st_mode)) {
      lastError = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
      Release();
      return;
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (mappingSize == 0) mappingSize = fileSize;
    if (mappingSize > fileSize) {
      // Pages past the end of a file fault when touched: grow a writable
      // file to the mapping's size, refuse it for a read-only one.
      if (!writable || ::ftruncate(fileHandle, static_cast<off_t>(mappingSize)) != 0) {
        lastError = writable ? static_cast<std::uint32_t>(errno) : EINVAL;
        Release();
        return;
      }
    }
  } else {
    anonymous_ = true;
    if (mappingSize == 0) {
      lastError = EINVAL;
      anonymous_ = false;
      return;
    }
  }

  const std::uint64_t offset = (std::uint64_t{p.viewOffsetHigh} << 32) | p.viewOffsetLow;
  if (offset > mappingSize || (p.bytesToMap != 0 && p.bytesToMap > mappingSize - offset)) {
    lastError = EINVAL;
    Release();
    return;
  }
  const std::uint64_t length = p.bytesToMap != 0 ? p.bytesToMap : mappingSize - offset;
  if (length == 0) {
    mappingHandle = view = gEmptyView;
    size = 0;
    return;
  }

  const int protection = writable ? (PROT_READ | PROT_WRITE) : PROT_READ;
  const int flags = anonymous_ ? (MAP_SHARED | MAP_ANONYMOUS) : MAP_SHARED;
  void* address = ::mmap(nullptr, static_cast<std::size_t>(length), protection, flags, anonymous_ ? -1 : fileHandle,
                         static_cast<off_t>(offset));
  if (address == MAP_FAILED) {
    lastError = static_cast<std::uint32_t>(errno);
    Release();
    return;
  }
  mappingHandle = address;
  view = static_cast<std::uint8_t*>(address);
  mappedLength_ = static_cast<std::size_t>(length);
  size = length;
}

TMappedFile::~TMappedFile() { Release(); }

void TMappedFile::Release() {
  if (mappedLength_ != 0) ::munmap(mappingHandle, mappedLength_);
  mappedLength_ = 0;
  mappingHandle = nullptr;
  view = nullptr;
  if (fileHandle >= 0) ::close(fileHandle);
  fileHandle = -1;
  anonymous_ = false;
}

namespace {

TMappedFile::TParameters InputParameters(const std::string& name) {
  TMappedFile::TParameters p;
  p.fileName = name;
  return p;
}

}  // namespace

TOpenMappedFile::TOpenMappedFile(const std::string& name) : TMappedFile(InputParameters(name)), fileName(name) {}

}  // namespace qzr2rin
