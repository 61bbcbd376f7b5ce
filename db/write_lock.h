// Keeping several programs that write one database from mixing their
// writes, and readers from seeing a write in progress.
//
// A writer holds, from the read that decides its write until the write is
// on disk, an exclusive lock on a byte range of the database file itself
// far past its end (an open file description lock): it follows the file,
// not the name, so one file under two names (a hard link, a bind mount,
// two mount points) has one writer at a time. Readers take a whole-file
// shared flock on the file while they read, a kind of lock that does not
// meet the writer's range, so they go on reading while a writer decides;
// a writer takes an exclusive flock on the file only while bytes change.
// Writers also hold an exclusive flock on NAME.lock beside the file (made
// by the first writer and kept), which earlier versions of the program
// lock alone.
//
// An append is journalled (db/append_journal.h): killed half way, readers
// leave its tail out and the next write cuts it back.
#pragma once

#include <chrono>
#include <string>

#include "util/posix_file.h"

namespace letterfreq {

// How long a writer waits for the lock, and a reader for a write to end.
inline constexpr std::chrono::milliseconds LOCK_WAIT{5000};

// The lock was not had within LOCK_WAIT.
inline constexpr const char* DATABASE_BUSY_TEXT =
    "!database is being written by another program";

// flock(fd, operation) retried until LOCK_WAIT has passed; false then
// (errno EWOULDBLOCK), or when flock fails otherwise (errno tells).
bool lockWithin(int fd, int operation);

// The name of the companion file for `database` with `suffix`: beside the
// file the name stands for, symbolic links followed, so that every name of
// one file has one companion.
std::string companionName(const std::string& database, const char* suffix);

// The exclusive writer's lock of one database, held while alive. Refuses
// (throws the "!" text, nothing changed) a journal beside the file that is
// not its own, and removes the temporary files of rewrites that were
// killed. Throws DATABASE_BUSY_TEXT after LOCK_WAIT, the "!nofileopen"
// text with its reason when the file cannot be opened for writing, or the
// "!" text of a lock file that cannot be made.
class WriteLock {
 public:
  explicit WriteLock(const std::string& database);
  ~WriteLock();
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  FileDescriptor file_{-1};
  FileDescriptor companion_{-1};
};

}  // namespace letterfreq
