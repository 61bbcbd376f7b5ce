#include "util/posix_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace letterfreq {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
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

namespace {

// Calls write(data, size, done) until everything is written, resuming after
// partial writes and interruptions; 0 or the errno of the failure.
template <class Write>
int writeInFull(const uint8_t* data, size_t size, Write write) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(data + done, size - done, done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int writeAll(int fd, const uint8_t* data, size_t size) {
  return writeInFull(data, size, [fd](const uint8_t* at, size_t left, size_t) {
    return ::write(fd, at, left);
  });
}

int writeAllAt(int fd, const uint8_t* data, size_t size, off_t offset) {
  return writeInFull(
      data, size, [fd, offset](const uint8_t* at, size_t left, size_t done) {
        return ::pwrite(fd, at, left, offset + static_cast<off_t>(done));
      });
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
