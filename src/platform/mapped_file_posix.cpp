#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "platform/mapped_file.h"

namespace qzr2rin {
namespace {

// A zero-length view points here, never read because the size is 0.
const std::uint8_t gEmptyView[1] = {};

// One read call asks for at most this much; Linux returns no more anyway.
constexpr std::size_t kReadChunk = std::size_t{1} << 30;

// Never wait for a writer (a FIFO) or a carrier (a device): what is opened
// is refused below unless it is a regular file.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool SameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

TMappedFile::TMappedFile(const std::string& name) {
  if (name.empty()) {
    lastError = EINVAL;
    return;
  }
  fileHandle_ = ::open(name.c_str(), kOpenFlags);
  if (fileHandle_ < 0) {
    lastError = static_cast<std::uint32_t>(errno);
    return;
  }
  struct stat st {};
  if (::fstat(fileHandle_, &st) != 0) {
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

  const std::uint64_t length = read_.size;
  if (length == 0) {
    view_ = gEmptyView;
    size = 0;
    return;
  }
  if (length > std::numeric_limits<std::size_t>::max()) {
    lastError = ENOMEM;
    Release();
    return;
  }
  try {
    memory_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    lastError = ENOMEM;
    Release();
    return;
  }
  if (!ReadWhole(length)) {
    Release();
    return;
  }
  view_ = memory_.get();
  size = length;
}

bool TMappedFile::ReadWhole(std::uint64_t length) {
  std::uint8_t* at = memory_.get();
  std::uint64_t offset = 0;
  std::uint64_t left = length;
  while (left > 0) {
    const std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadChunk));
    const ssize_t n = ::pread(fileHandle_, at, ask, static_cast<off_t>(offset));
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
  if (fileHandle_ < 0) return false;
  struct stat st {};
  if (::fstat(fileHandle_, &st) != 0) return true;
  return static_cast<std::uint64_t>(st.st_size) != read_.size || !SameTime(st.st_mtim, read_.modified);
}

TMappedFile::~TMappedFile() { Release(); }

void TMappedFile::Release() {
  memory_.reset();
  view_ = nullptr;
  size = 0;
  if (fileHandle_ >= 0) ::close(fileHandle_);
  fileHandle_ = -1;
}

}  // namespace qzr2rin
