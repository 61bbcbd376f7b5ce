#include "db/posix_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace letterfreq {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int FileDescriptor::close() {
  const int result = ::close(fd_);
  fd_ = -1;
  return result;
}

int writeAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

int writeAllAt(int fd, const uint8_t* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return 0;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string resolvedName(const std::string& name) {
  char resolved[PATH_MAX];
  if (::realpath(name.c_str(), resolved) != nullptr) return resolved;
  return name;
}

void syncFolderOf(const std::string& path) {
  FileDescriptor dir(
      ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace letterfreq
