#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "input/mapped_file.h"

namespace qzr2rin {
namespace {

// A zero-length view points here, never read because the size is 0.
std::uint8_t gEmptyView[1];

// One read call asks for at most this much; Linux returns no more anyway.
constexpr std::size_t kReadChunk = std::size_t{1} << 30;

int OpenFlags(const TMappedFile::TParameters& p) {
  // Never wait for a writer (a FIFO) or a carrier (a device): what is opened
  // is refused below unless it is a regular file.
  int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  switch (p.creationDisposition) {
    case TMappedFile::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case TMappedFile::kCreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case TMappedFile::kOpenAlways: flags |= O_CREAT; break;
    case TMappedFile::kTruncateExisting: flags |= O_TRUNC; break;
    default: break;
  }
  return flags;
}

bool SameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

TMappedFile::TMappedFile(const TParameters& p) {
  const bool writable = (p.desiredAccess & kWriteAccess) != 0;
  if ((p.desiredAccess & (kReadAccess | kWriteAccess)) == 0 || (writable && !p.fileName.empty())) {
    lastError = EINVAL;
    return;
  }
  const std::uint64_t maximumSize = (std::uint64_t{p.maximumSizeHigh} << 32) | p.maximumSizeLow;
  std::uint64_t viewable = maximumSize;

  if (!p.fileName.empty()) {
    fileHandle = ::open(p.fileName.c_str(), OpenFlags(p), 0644);
    if (fileHandle < 0) {
      lastError = static_cast<std::uint32_t>(errno);
      return;
    }
    struct stat st {};
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
    read_.size = static_cast<std::uint64_t>(st.st_size);
    read_.modified = st.st_mtim;
    if (viewable == 0) viewable = read_.size;
    if (viewable > read_.size) {
      lastError = EINVAL;
      Release();
      return;
    }
  } else {
    if (viewable == 0) {
      lastError = EINVAL;
      return;
    }
    anonymous_ = true;
  }

  const std::uint64_t offset = (std::uint64_t{p.viewOffsetHigh} << 32) | p.viewOffsetLow;
  if (offset > viewable || (p.bytesToMap != 0 && p.bytesToMap > viewable - offset)) {
    lastError = EINVAL;
    Release();
    return;
  }
  const std::uint64_t length = p.bytesToMap != 0 ? p.bytesToMap : viewable - offset;
  if (length == 0) {
    mappingHandle = view = gEmptyView;
    size = 0;
    return;
  }
  if (length > std::numeric_limits<std::size_t>::max()) {
    lastError = ENOMEM;
    Release();
    return;
  }
  try {
    const auto bytes = static_cast<std::size_t>(length);
    memory_ = anonymous_ ? std::make_unique<std::uint8_t[]>(bytes)
                         : std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
  } catch (const std::bad_alloc&) {
    lastError = ENOMEM;
    Release();
    return;
  }
  if (!anonymous_ && !ReadWhole(offset, length)) {
    Release();
    return;
  }
  mappingHandle = memory_.get();
  view = memory_.get();
  size = length;
}

bool TMappedFile::ReadWhole(std::uint64_t offset, std::uint64_t length) {
  std::uint8_t* at = memory_.get();
  std::uint64_t left = length;
  while (left > 0) {
    const std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadChunk));
    const ssize_t n = ::pread(fileHandle, at, ask, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError = static_cast<std::uint32_t>(errno);
      return false;
    }
    if (n == 0) break;  // cut short meanwhile: the check below says so
    at += n;
    offset += static_cast<std::uint64_t>(n);
    left -= static_cast<std::uint64_t>(n);
  }
  if (left > 0 || ChangedSinceRead()) {
    changedWhileRead_ = true;
    // "Try again": the file was being written while it was read.
    lastError = EAGAIN;
    return false;
  }
  return true;
}

bool TMappedFile::ChangedSinceRead() const {
  if (changedWhileRead_) return true;
  if (fileHandle < 0) return false;
  struct stat st {};
  if (::fstat(fileHandle, &st) != 0) return true;
  return static_cast<std::uint64_t>(st.st_size) != read_.size || !SameTime(st.st_mtim, read_.modified);
}

TMappedFile::~TMappedFile() { Release(); }

void TMappedFile::Release() {
  memory_.reset();
  mappingHandle = nullptr;
  view = nullptr;
  size = 0;
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

TOpenMappedFile::TOpenMappedFile(const std::string& name)
    : TMappedFile(InputParameters(name)), fileName(name) {}

}  // namespace qzr2rin
