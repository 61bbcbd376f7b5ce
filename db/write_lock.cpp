#include "db/write_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "db/append_journal.h"
#include "db/posix_file.h"
#include "db/record_texts.h"

namespace letterfreq {

bool lockWithin(int fd, int operation) {
  const auto deadline = std::chrono::steady_clock::now() + LOCK_WAIT;
  for (;;) {
    if (::flock(fd, operation | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string companionName(const std::string& database, const char* suffix) {
  return resolvedName(database) + suffix;
}

WriteLock::WriteLock(const std::string& database) {
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
  cutBackUnfinishedAppend(database);
  fd_ = std::move(fd);
}

// Closing the descriptor releases the lock.
WriteLock::~WriteLock() = default;

}  // namespace letterfreq
