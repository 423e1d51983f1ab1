#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

namespace qzr2rin::platform {
namespace {

// The staged files a fatal signal removes: plain storage, written only by
// the program and read by the handler, so that the handler needs no lock and
// no allocation.
struct StagedSlot {
  volatile std::sig_atomic_t used = 0;
  char path[PATH_MAX] = {};
};
constexpr int kStagedSlots = 16;
StagedSlot g_staged[kStagedSlots];

// Output files are readable by all; the append-only ones, which sit in a
// shared directory, by their owner alone.
constexpr mode_t kSharedFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
constexpr mode_t kPrivateFileMode = S_IRUSR | S_IWUSR;
// Temporary names tried while each one is taken by another file.
constexpr int kTemporaryNameAttempts = 100;

int RegisterStaged(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kStagedSlots; ++i) {
    if (g_staged[i].used) continue;
    std::memcpy(g_staged[i].path, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_staged[i].used = 1;
    return i;
  }
  return -1;
}

void UnregisterStaged(int& slot) {
  if (slot < 0) return;
  g_staged[slot].used = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  slot = -1;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

OutputFile::~OutputFile() { Close(); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      failed_(other.failed_),
      lastError_(other.lastError_),
      buffer_(std::move(other.buffer_)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    failed_ = other.failed_;
    lastError_ = other.lastError_;
    buffer_ = std::move(other.buffer_);
  }
  return *this;
}

bool OutputFile::Open(const std::string& path, OpenMode mode, std::size_t bufferSize) {
  Close();
  failed_ = false;
  lastError_ = 0;
  int flags = O_WRONLY | O_CLOEXEC;
  mode_t permissions = kSharedFileMode;
  switch (mode) {
    case OpenMode::Truncate: flags |= O_CREAT | O_TRUNC; break;
    case OpenMode::Append:
      flags |= O_CREAT | O_APPEND | O_NOFOLLOW;
      permissions = kPrivateFileMode;
      break;
    case OpenMode::Exclusive: flags |= O_CREAT | O_EXCL; break;
  }
  // The buffer first: an allocation that fails must not leave a file.
  buffer_.clear();
  buffer_.reserve(bufferSize == 0 ? 1 : bufferSize);
  fd_ = ::open(path.c_str(), flags, permissions);
  if (fd_ < 0) {
    lastError_ = errno;
    return false;
  }
  return true;
}

void OutputFile::Write(std::string_view text) {
  if (fd_ < 0) return;
  if (buffer_.size() + text.size() > buffer_.capacity()) {
    Drain();
    if (text.size() > buffer_.capacity()) {
      buffer_.assign(text.begin(), text.end());
      Drain();
      return;
    }
  }
  buffer_.insert(buffer_.end(), text.begin(), text.end());
}

void OutputFile::Drain() {
  const char* data = buffer_.data();
  std::size_t left = buffer_.size();
  while (fd_ >= 0 && left > 0 && !failed_) {
    const ssize_t n = ::write(fd_, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      lastError_ = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

bool OutputFile::Close() {
  if (fd_ < 0) return !failed_;
  Drain();
  if (::close(fd_) != 0 && !failed_) {
    failed_ = true;
    lastError_ = errno;
  }
  fd_ = -1;
  return !failed_;
}

bool StagedFile::Open(const std::string& finalPath, std::size_t bufferSize) {
  Discard();
  lastError_ = 0;
  static unsigned counter = 0;
  const std::string stem = DirectoryOf(finalPath) + ".qzr2rin-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const std::string path = stem + std::to_string(counter++) + ".tmp";
    // Listed before it exists: a signal in between must not leave it behind.
    slot_ = RegisterStaged(path);
    bool opened = false;
    try {
      opened = file_.Open(path, OpenMode::Exclusive, bufferSize);
    } catch (...) {
      UnregisterStaged(slot_);
      throw;
    }
    if (opened) {
      temporary_ = path;
      return true;
    }
    UnregisterStaged(slot_);
    if (file_.LastError() != EEXIST) {
      lastError_ = file_.LastError();
      return false;
    }
  }
  lastError_ = EEXIST;
  return false;
}

bool StagedFile::Finish() {
  if (file_.Close()) return true;
  lastError_ = file_.LastError();
  return false;
}

bool StagedFile::NameNew(const std::string& path) {
  if (temporary_.empty() || !named_.empty() || !Finish()) {
    if (lastError_ == 0) lastError_ = ENOENT;
    return false;
  }
  if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      lastError_ = errno;
      return false;
    }
    // A file system that cannot rename without replacing can still link a
    // second name, which never replaces either.
    if (::link(temporary_.c_str(), path.c_str()) != 0) {
      lastError_ = errno;
      return false;
    }
    ::unlink(temporary_.c_str());
  }
  UnregisterStaged(slot_);
  named_ = path;
  return true;
}

bool StagedFile::NameReplacing(const std::string& path) {
  if (temporary_.empty() || !named_.empty() || !Finish()) {
    if (lastError_ == 0) lastError_ = ENOENT;
    return false;
  }
  if (::rename(temporary_.c_str(), path.c_str()) != 0) {
    lastError_ = errno;
    return false;
  }
  UnregisterStaged(slot_);
  named_ = path;
  return true;
}

bool StagedFile::TakeBackName() {
  if (named_.empty()) return false;
  slot_ = RegisterStaged(temporary_);
  if (::rename(named_.c_str(), temporary_.c_str()) != 0) {
    lastError_ = errno;
    UnregisterStaged(slot_);
    return false;
  }
  named_.clear();
  return true;
}

void StagedFile::Discard() {
  file_.Close();
  if (!temporary_.empty() && named_.empty()) ::unlink(temporary_.c_str());
  UnregisterStaged(slot_);
  temporary_.clear();
  named_.clear();
}

void RemoveStagedFiles() noexcept {
  for (StagedSlot& slot : g_staged) {
    if (slot.used) ::unlink(slot.path);
  }
}

PathFacts Examine(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  return {true, S_ISLNK(st.st_mode), S_ISREG(st.st_mode)};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::string cwd(PATH_MAX, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return path;
  cwd.resize(cwd.find('\0'));
  if (cwd.back() != '/') cwd += '/';
  return cwd + path;
}

}  // namespace qzr2rin::platform
