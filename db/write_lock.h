// Keeping several programs that write one database from mixing their
// writes, and readers from seeing a write in progress.
//
// Writers hold an exclusive flock on a fixed companion file beside the
// database (NAME.lock, made by the first writer and kept), so the lock
// holds across a rewrite that renames a new file over the database. While
// bytes are appended or overwritten, the writer also holds an exclusive
// flock on the database file itself; readers take a shared one on it while
// they read, which neither creates nor changes any file.
//
// An append is journalled (db/append_journal.h): killed half way, the next
// writer cuts it back and readers leave its tail out.
#pragma once

#include <chrono>
#include <string>

#include "db/posix_file.h"

namespace letterfreq {

// How long a writer waits for the lock, and a reader for a write to end.
inline constexpr std::chrono::milliseconds LOCK_WAIT{5000};

// The lock was not had within LOCK_WAIT.
inline constexpr const char* DATABASE_BUSY_TEXT =
    "!database is being written by another program";

// flock(fd, operation) retried until LOCK_WAIT has passed; false then, or
// when flock fails otherwise (errno tells).
bool lockWithin(int fd, int operation);

// The name of the companion file for `database` with `suffix`: beside the
// file the name stands for, symbolic links followed, so that every name of
// one file has one companion.
std::string companionName(const std::string& database, const char* suffix);

// The exclusive writer's lock of one database, held while alive. Cuts back
// an append that a killed writer left unfinished. Throws
// DATABASE_BUSY_TEXT after LOCK_WAIT, or the "!" text of a lock file that
// cannot be made.
class WriteLock {
 public:
  explicit WriteLock(const std::string& database);
  ~WriteLock();
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  FileDescriptor fd_{-1};
};

}  // namespace letterfreq
