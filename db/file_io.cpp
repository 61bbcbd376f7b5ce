#include "db/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "db/record_format.h"
#include "db/record_texts.h"

namespace letterfreq {

namespace {

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over: it is no longer closed here.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now so that a failing close (a late write error) is seen.
  int close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

[[noreturn]] void throwWriteFailed(int error) {
  throw std::runtime_error(writeFailedText(std::strerror(error)));
}

// Writes everything, resuming after partial writes and interruptions.
// Returns 0 or the errno of the failure.
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

// Reads into [data, data + size) until it is full or the file ends;
// returns the bytes read. Throws readFailedText.
size_t readUpTo(int fd, uint8_t* data, size_t size) {
  size_t have = 0;
  while (have < size) {
    const ssize_t n = ::read(fd, data + have, size - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(readFailedText(std::strerror(errno)));
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  return have;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a name stands for, following symbolic links, so that the
// rename replaces the file and keeps the link.
std::string resolvedName(const std::string& name) {
  char resolved[PATH_MAX];
  if (::realpath(name.c_str(), resolved) != nullptr) return resolved;
  return name;
}

}  // namespace

void createDatabaseFile(const std::string& name) {
  FileDescriptor fd(
      ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.valid()) throw std::runtime_error(NO_FILE_OPEN_TEXT);
}

namespace {

// Opens a database file for reading: NO_FILE_OPEN_TEXT when it cannot be
// opened or is a folder, FILE_TOO_LARGE_TEXT when it is larger than any
// database file.
int openForReading(const std::string& name, struct stat& info) {
  FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    throw std::runtime_error(NO_FILE_OPEN_TEXT);
  }
  if (S_ISREG(info.st_mode) &&
      static_cast<uint64_t>(info.st_size) > MAX_FILE_SIZE) {
    throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  }
  return fd.release();
}

std::vector<uint8_t> readOpenFile(int fd, const struct stat& info) {
  const size_t limit = MAX_FILE_SIZE;
  try {
    // The size the file has now in one read; then whatever it grew by (or
    // all of a file without a size, such as a pipe) in growing blocks.
    std::vector<uint8_t> bytes(
        S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : 0);
    size_t have = readUpTo(fd, bytes.data(), bytes.size());
    uint8_t probe[4096];
    size_t more = have < bytes.size() ? 0 : readUpTo(fd, probe, sizeof probe);
    bytes.resize(have);
    while (more > 0) {
      if (more > limit - bytes.size()) {
        throw std::runtime_error(FILE_TOO_LARGE_TEXT);
      }
      bytes.insert(bytes.end(), probe, probe + more);
      more = readUpTo(fd, probe, sizeof probe);
    }
    return bytes;
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

}  // namespace

std::vector<uint8_t> readDatabaseFile(const std::string& name) {
  struct stat info;
  FileDescriptor fd(openForReading(name, info));
  return readOpenFile(fd.get(), info);
}

OpenFile::~OpenFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool OpenFile::readAt(uint64_t offset, uint8_t* out, size_t length) const {
  while (length > 0) {
    const ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    length -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

FileBytes::FileBytes(const std::string& name) {
  struct stat info;
  FileDescriptor fd(openForReading(name, info));
  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    const size_t size = static_cast<size_t>(info.st_size);
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (mapping != MAP_FAILED) {
      try {
        file_ = std::make_shared<const OpenFile>(fd.get());
      } catch (const std::bad_alloc&) {
        ::munmap(mapping, size);
        throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
      }
      fd.release();  // now the OpenFile's
      mapping_ = mapping;
      data_ = static_cast<const uint8_t*>(mapping);
      size_ = size;
      return;
    }
  }
  read_ = readOpenFile(fd.get(), info);
  data_ = read_.data();
  size_ = read_.size();
}

FileBytes::FileBytes(std::vector<uint8_t> bytes) : read_(std::move(bytes)) {
  data_ = read_.data();
  size_ = read_.size();
}

FileBytes::~FileBytes() {
  if (mapping_ != nullptr) ::munmap(mapping_, size_);
}

void appendToDatabaseFile(const std::string& name,
                          const std::vector<uint8_t>& bytes) {
  FileDescriptor fd(::open(name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  struct stat info;
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
    throw std::runtime_error(NO_FILE_OPEN_TEXT);
  }
  int error = writeAll(fd.get(), bytes.data(), bytes.size());
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error != 0) {
    // Nothing of a failed append may stay behind: a half record would
    // hide every record appended after it.
    if (::ftruncate(fd.get(), info.st_size) == 0) ::fsync(fd.get());
    throwWriteFailed(error);
  }
  if (fd.close() != 0) throwWriteFailed(errno);
}

void overwriteDatabaseBytes(const std::string& name, uint32_t offset,
                            const std::vector<uint8_t>& bytes) {
  FileDescriptor fd(::open(name.c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.valid()) throw std::runtime_error(NO_FILE_OPEN_TEXT);
  int error = writeAllAt(fd.get(), bytes.data(), bytes.size(), offset);
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error != 0) throwWriteFailed(error);
  if (fd.close() != 0) throwWriteFailed(errno);
}

void replaceDatabaseFile(const std::string& name,
                         const std::vector<ByteRange>& pieces) {
  const std::string target = resolvedName(name);
  const std::string folder = folderOf(target);
  std::string base = target.substr(target.rfind('/') + 1);
  std::string tempName = folder + "/." + base + ".tmp-XXXXXX";
  FileDescriptor fd(::mkostemp(tempName.data(), O_CLOEXEC));
  if (!fd.valid()) throwWriteFailed(errno);

  int error = 0;
  struct stat info;
  if (::stat(target.c_str(), &info) == 0) {
    // mkostemp makes the file private; the database keeps its own mode.
    if (::fchmod(fd.get(), info.st_mode & 07777) != 0) error = errno;
  }
  for (const ByteRange& piece : pieces) {
    if (error == 0) error = writeAll(fd.get(), piece.data, piece.size);
  }
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error == 0 && fd.close() != 0) error = errno;
  if (error == 0 && ::rename(tempName.c_str(), target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlink(tempName.c_str());
    throwWriteFailed(error);
  }
  // The rename itself is on disk only once the folder is.
  FileDescriptor dir(
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace letterfreq
