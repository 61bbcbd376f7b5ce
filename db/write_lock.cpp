#include "db/write_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "db/append_journal.h"
#include "db/file_io.h"
#include "util/posix_file.h"
#include "db/record_texts.h"
#include "db/rewrite_temporaries.h"

namespace letterfreq {

namespace {

using Clock = std::chrono::steady_clock;

// The writers' byte range: past the end of any database (offsets are
// 31-bit), so no reader's or writer's own use of the file meets it.
constexpr off_t WRITER_RANGE = off_t{1} << 62;

// try() retried every 10 ms until it succeeds (true), fails otherwise
// (false, errno tells) or `deadline` passes (false, errno EWOULDBLOCK).
template <class Try>
bool retryUntil(Clock::time_point deadline, Try attempt) {
  for (;;) {
    if (attempt()) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES) return false;
    if (Clock::now() >= deadline) {
      errno = EWOULDBLOCK;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool lockWriterRange(int fd, Clock::time_point deadline) {
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = WRITER_RANGE;
  range.l_len = 1;
  return retryUntil(deadline,
                    [&] { return ::fcntl(fd, F_OFD_SETLK, &range) == 0; });
}

// The database file open for writing with the writers' range locked. A
// rewrite by the writer waited for renames a new file over the name: the
// lock then belongs to the old one, and the new one is locked instead.
FileDescriptor lockTheFile(const std::string& database) {
  const auto deadline = Clock::now() + LOCK_WAIT;
  for (;;) {
    struct stat locked;
    FileDescriptor fd(openDatabaseFile(database, O_RDWR, locked));
    if (!lockWriterRange(fd.get(), deadline)) {
      if (errno == EWOULDBLOCK) throw std::runtime_error(DATABASE_BUSY_TEXT);
      throw std::runtime_error(notOpenableText(std::strerror(errno)));
    }
    struct stat named;
    if (::stat(database.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
        named.st_ino == locked.st_ino) {
      return fd;
    }
    if (Clock::now() >= deadline) throw std::runtime_error(DATABASE_BUSY_TEXT);
  }
}

FileDescriptor lockTheCompanion(const std::string& database) {
  const std::string name = companionName(database, ".lock");
  FileDescriptor fd(
      ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd.valid()) {
    throw std::runtime_error(lockFileFailedText(name, std::strerror(errno)));
  }
  if (!lockWithin(fd.get(), LOCK_EX)) {
    if (errno == EWOULDBLOCK) throw std::runtime_error(DATABASE_BUSY_TEXT);
    throw std::runtime_error(lockFileFailedText(name, std::strerror(errno)));
  }
  return fd;
}

}  // namespace

bool lockWithin(int fd, int operation) {
  return retryUntil(Clock::now() + LOCK_WAIT, [&] {
    return ::flock(fd, operation | LOCK_NB) == 0;
  });
}

std::string companionName(const std::string& database, const char* suffix) {
  return resolvedName(database) + suffix;
}

WriteLock::WriteLock(const std::string& database)
    : file_(lockTheFile(database)), companion_(lockTheCompanion(database)) {
  const JournalVerdict journal = judgeJournal(database, file_.get());
  if (journal.kind == JournalVerdict::Kind::Foreign) {
    throw std::runtime_error("!" + journal.text);
  }
  removeStaleTemporaries(database);
}

// Closing the descriptors releases the locks.
WriteLock::~WriteLock() = default;

}  // namespace letterfreq
