#include "db/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "db/append_journal.h"
#include "util/posix_file.h"
#include "db/record_format.h"
#include "db/record_texts.h"
#include "db/rewrite_temporaries.h"
#include "db/write_lock.h"

namespace letterfreq {

namespace {

[[noreturn]] void throwWriteFailed(int error) {
  throw std::runtime_error(writeFailedText(std::strerror(error)));
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

void appendBytes(std::vector<uint8_t>& bytes, const uint8_t* first,
                 const uint8_t* last) {
  bytes.insert(bytes.end(), first, last);
}

void appendBytes(PageBlock& bytes, const uint8_t* first, const uint8_t* last) {
  bytes.append(first, last);
}

// Bytes: std::vector<uint8_t> (zero-filled first) or a PageBlock (not).
template <class Bytes>
Bytes readOpenFile(int fd, const struct stat& info) {
  if (static_cast<uint64_t>(info.st_size) > MAX_FILE_SIZE) {
    throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  }
  const size_t limit = MAX_FILE_SIZE;
  try {
    // The size the file has now in one read; then whatever it grew by in
    // growing blocks.
    Bytes bytes(static_cast<size_t>(info.st_size));
    size_t have = readUpTo(fd, bytes.data(), bytes.size());
    uint8_t probe[4096];
    size_t more = have < bytes.size() ? 0 : readUpTo(fd, probe, sizeof probe);
    bytes.resize(have);
    while (more > 0) {
      if (more > limit - bytes.size()) {
        throw std::runtime_error(FILE_TOO_LARGE_TEXT);
      }
      appendBytes(bytes, probe, probe + more);
      more = readUpTo(fd, probe, sizeof probe);
    }
    return bytes;
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

void lockOrThrow(int fd, int operation) {
  if (!lockWithin(fd, operation)) {
    if (errno == EWOULDBLOCK) throw std::runtime_error(DATABASE_BUSY_TEXT);
    throw std::runtime_error(readFailedText(std::strerror(errno)));
  }
}

// Where the bytes of the file open as `fd` end for readers: at the start
// of an unfinished append, else nowhere; a journal that is not the file's
// own is left alone and its text kept in *note (when given).
uint64_t readersEnd(const std::string& name, int fd, std::string* note) {
  const JournalVerdict journal = judgeJournal(name, fd);
  if (journal.kind == JournalVerdict::Kind::Unfinished) return journal.start;
  if (note != nullptr) *note = journal.text;
  return UINT64_MAX;
}

}  // namespace

int openDatabaseFile(const std::string& name, int flags, struct stat& info) {
  FileDescriptor fd(::open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666));
  if (!fd.valid()) {
    const int error = errno;
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      throw std::runtime_error(notOpenableText(notRegularReason(info.st_mode)));
    }
    throw std::runtime_error(notOpenableText(std::strerror(error)));
  }
  if (::fstat(fd.get(), &info) != 0) {
    throw std::runtime_error(notOpenableText(std::strerror(errno)));
  }
  if (!S_ISREG(info.st_mode)) {
    throw std::runtime_error(notOpenableText(notRegularReason(info.st_mode)));
  }
  return fd.release();
}

void createDatabaseFile(const std::string& name) {
  struct stat info;
  FileDescriptor fd(openDatabaseFile(name, O_WRONLY | O_APPEND | O_CREAT, info));
}

template <class Bytes>
Bytes readWholeDatabase(const std::string& name, std::string* note) {
  struct stat info;
  FileDescriptor fd(openDatabaseFile(name, O_RDONLY, info));
  // No write changes the file while it is read; the journal is looked at
  // under the same lock, so it tells about the bytes just read.
  lockOrThrow(fd.get(), LOCK_SH);
  Bytes bytes = readOpenFile<Bytes>(fd.get(), info);
  const uint64_t end = readersEnd(name, fd.get(), note);
  if (end < bytes.size()) bytes.resize(static_cast<size_t>(end));
  return bytes;
}

std::vector<uint8_t> readDatabaseFile(const std::string& name,
                                      std::string* journalNote) {
  return readWholeDatabase<std::vector<uint8_t>>(name, journalNote);
}

DatabaseStream::DatabaseStream(const std::string& name) : fd_(-1) {
  struct stat info;
  fd_ = FileDescriptor(openDatabaseFile(name, O_RDONLY, info));
  lockOrThrow(fd_.get(), LOCK_SH);
  if (static_cast<uint64_t>(info.st_size) > MAX_FILE_SIZE) {
    throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  }
  // Checked under the lock: no append starts or ends while it is held.
  end_ = readersEnd(name, fd_.get(), &journalNote_);
}

size_t DatabaseStream::read(uint8_t* into, size_t size) {
  if (position_ >= end_) return 0;
  if (size > end_ - position_) size = static_cast<size_t>(end_ - position_);
  const size_t have = readUpTo(fd_.get(), into, size);
  position_ += have;
  if (position_ > MAX_FILE_SIZE) throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  return have;
}

std::vector<uint8_t> readDatabaseRange(const std::string& name,
                                       uint64_t offset, size_t length) {
  struct stat info;
  FileDescriptor fd(openDatabaseFile(name, O_RDONLY, info));
  lockOrThrow(fd.get(), LOCK_SH);
  uint64_t end = static_cast<uint64_t>(info.st_size);
  end = std::min(end, readersEnd(name, fd.get(), nullptr));
  if (offset >= end) return {};
  std::vector<uint8_t> bytes(
      static_cast<size_t>(std::min<uint64_t>(length, end - offset)));
  size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t got = ::pread(fd.get(), bytes.data() + have,
                                bytes.size() - have,
                                static_cast<off_t>(offset + have));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::runtime_error(readFailedText(std::strerror(errno)));
    if (got == 0) break;
    have += static_cast<size_t>(got);
  }
  bytes.resize(have);
  return bytes;
}

FileBytes::FileBytes(const std::string& name)
    : bytes_(readWholeDatabase<PageBlock>(name, &journalNote_)) {}

FileBytes::FileBytes(const std::vector<uint8_t>& bytes) : bytes_(bytes.size()) {
  if (!bytes.empty()) std::memcpy(bytes_.data(), bytes.data(), bytes.size());
}

namespace {

// The file open for a write under the writer's locks, with readers held
// off, an unfinished append cut back, and its length checked against the
// `expected` one that the write was decided on.
FileDescriptor openForWrite(const std::string& name, int flags,
                            uint64_t expected) {
  struct stat info;
  FileDescriptor fd(openDatabaseFile(name, O_RDWR | flags, info));
  lockOrThrow(fd.get(), LOCK_EX);
  settleUnfinishedAppend(name, fd.get());
  if (::fstat(fd.get(), &info) != 0) throwWriteFailed(errno);
  if (static_cast<uint64_t>(info.st_size) != expected) {
    throw std::runtime_error(FILE_CHANGED_TEXT);
  }
  return fd;
}

}  // namespace

void appendToDatabaseFile(const std::string& name, uint64_t length,
                          const std::vector<uint8_t>& bytes) {
  FileDescriptor fd(openForWrite(name, O_APPEND, length));
  beginAppend(name, fd.get(), length, length + bytes.size());
  int error = writeAll(fd.get(), bytes.data(), bytes.size());
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error != 0) {
    // Nothing of a failed append may stay behind: a half record would
    // hide every record appended after it. When the cut fails too, the
    // journal stays and the next writer cuts.
    if (::ftruncate(fd.get(), static_cast<off_t>(length)) == 0 &&
        ::fsync(fd.get()) == 0) {
      endAppend(name);
    }
    throwWriteFailed(error);
  }
  // The journal goes while readers are still held off, so none sees it.
  endAppend(name);
  if (fd.close() != 0) throwWriteFailed(errno);
}

void overwriteDatabaseBytes(const std::string& name, uint64_t length,
                            uint32_t offset,
                            const std::vector<uint8_t>& bytes) {
  FileDescriptor fd(openForWrite(name, 0, length));
  int error = writeAllAt(fd.get(), bytes.data(), bytes.size(), offset);
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error != 0) throwWriteFailed(error);
  if (fd.close() != 0) throwWriteFailed(errno);
}

void replaceDatabaseFile(const std::string& name, uint64_t length,
                         const std::vector<ByteRange>& pieces) {
  // Held until the new file is in place: readers of the old one wait.
  const FileDescriptor old(openForWrite(name, 0, length));
  const std::string target = resolvedName(name);
  std::string tempName = rewriteTemporaryTemplate(target);
  FileDescriptor fd(::mkostemp(tempName.data(), O_CLOEXEC));
  if (!fd.valid()) throwWriteFailed(errno);

  // Locked so that no other writer takes it for a killed rewrite's.
  int error = ::flock(fd.get(), LOCK_EX) == 0 ? 0 : errno;
  struct stat info;
  if (error == 0 && ::fstat(old.get(), &info) == 0) {
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
  syncFolderOf(target);
}

}  // namespace letterfreq
