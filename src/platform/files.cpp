#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace qzr2rin::platform {

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
  mode_t permissions = 0644;
  switch (mode) {
    case OpenMode::Truncate: flags |= O_CREAT | O_TRUNC; break;
    case OpenMode::Append:
      flags |= O_CREAT | O_APPEND | O_NOFOLLOW;
      permissions = 0600;
      break;
    case OpenMode::Exclusive: flags |= O_CREAT | O_EXCL; break;
  }
  fd_ = ::open(path.c_str(), flags, permissions);
  if (fd_ < 0) {
    lastError_ = errno;
    return false;
  }
  buffer_.clear();
  buffer_.reserve(bufferSize == 0 ? 1 : bufferSize);
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

bool FileExists(const std::string& path) {
  struct stat st{};
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
