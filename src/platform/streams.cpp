#include "platform/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qzr2rin::platform {
namespace {

// Opens without waiting, then keeps the descriptor only for a regular file.
int OpenRegular(const std::string& path, int flags, mode_t mode) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void EnsureStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is the one just found closed.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
  return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

RegularFileReader::RegularFileReader(const std::string& path) : fd_(OpenRegular(path, O_RDONLY, 0)) {}

RegularFileReader::~RegularFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t RegularFileReader::Read(char* into, std::size_t capacity) {
  if (fd_ < 0) return 0;
  while (true) {
    const ssize_t n = ::read(fd_, into, capacity);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

std::string FirstBytes(const std::string& path, std::size_t count) {
  const int fd = OpenRegular(path, O_RDONLY | O_NOFOLLOW, 0);
  if (fd < 0) return {};
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n = ::read(fd, bytes.data() + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

bool AppendToRegularFile(const std::string& path, std::string_view text) {
  const int fd = OpenRegular(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  ::close(fd);
  return left < text.size() || text.empty();
}

}  // namespace qzr2rin::platform
