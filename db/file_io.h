// The system calls of the record engine, each opening the file for one
// step and closing it through an RAII handle. Failures throw
// std::runtime_error with the engine's "!" texts (db/record_texts.h).
// Nothing here knows the record format.
//
// Only regular files are databases: a folder, a pipe, a device or a
// symbolic link loop is refused at once, before anything is read or
// written, with the system's own words for the reason
// (notOpenableText); any other failure to open gives "!nofileopen" with
// the system's reason too.
//
// Reads take a shared lock on the file and writes an exclusive one while
// bytes change (db/write_lock.h), and the tail of an unfinished append is
// left out of what is read (db/append_journal.h). Every write here expects
// the caller to hold the database's WriteLock, is given the length of the
// file it read when it decided the write (FILE_CHANGED_TEXT and nothing
// written when the file has another now), and first cuts back an append
// that a killed writer left unfinished.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/page_block.h"
#include "util/posix_file.h"

namespace letterfreq {

// Opens a database file with `flags` (never waiting for a pipe's other
// end; close-on-exec) and returns the descriptor, its stat in `info`.
// Refuses anything but a regular file; the "!nofileopen" text with the
// reason when it cannot be opened.
int openDatabaseFile(const std::string& name, int flags, struct stat& info);

// Creates the file empty when it is missing and leaves an existing one as
// it is; the "!nofileopen" text when it cannot be opened for appending.
void createDatabaseFile(const std::string& name);

// The whole file in one buffer, read in large blocks, without the tail of
// an unfinished append. NO_FILE_OPEN_TEXT when it cannot be opened for
// reading, FILE_TOO_LARGE_TEXT past MAX_FILE_SIZE, NO_MEMORY_TO_READ_TEXT,
// DATABASE_BUSY_TEXT while a write does not end, or readFailedText.
// The file is read into memory, never mapped: another program cutting it
// short while it is read cannot end this one with a signal. A journal
// beside the file that is not its own is left alone, and its text
// (foreignJournalText) put in *journalNote when that is given.
std::vector<uint8_t> readDatabaseFile(const std::string& name,
                                      std::string* journalNote = nullptr);

// Up to `length` bytes of the file from `offset` (fewer where it ends
// first), read under the same lock and with the same errors as
// readDatabaseFile; the tail of an unfinished append is left out.
std::vector<uint8_t> readDatabaseRange(const std::string& name,
                                       uint64_t offset, size_t length);

// A database file read from its first byte in blocks, for a pass that
// does not keep it whole: the checks, the shared lock (held while the
// stream is alive) and the journal rule of readDatabaseFile, and its
// texts. Not copyable.
class DatabaseStream {
 public:
  explicit DatabaseStream(const std::string& name);
  DatabaseStream(const DatabaseStream&) = delete;
  DatabaseStream& operator=(const DatabaseStream&) = delete;

  // The next bytes of the file into [into, into + size); fewer only at its
  // end, 0 there. FILE_TOO_LARGE_TEXT once it runs past MAX_FILE_SIZE.
  size_t read(uint8_t* into, size_t size);
  // A journal beside the file that is not its own: its text; else empty.
  const std::string& journalNote() const { return journalNote_; }

 private:
  FileDescriptor fd_;
  std::string journalNote_;
  uint64_t end_;  // where an unfinished append starts, or no limit
  uint64_t position_ = 0;
};

// A whole database file in memory for reading (read as readDatabaseFile
// reads, with its texts), shared by the snapshots made of it. Its block
// is never zero-filled first and takes huge pages where it can
// (util/page_block.h): that and the kernel's copy are most of the cost of
// loading a large file.
class FileBytes {
 public:
  explicit FileBytes(const std::string& name);
  // A copy of `bytes`; std::bad_alloc when memory runs out.
  explicit FileBytes(const std::vector<uint8_t>& bytes);
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  // A journal beside the file that is not its own: its text; else empty.
  const std::string& journalNote() const { return journalNote_; }

 private:
  std::string journalNote_;
  PageBlock bytes_;
};

// Appends `bytes` to the file `length` bytes long with one write and
// flushes them to disk, journalled so that a kill half way leaves nothing
// of them for readers and the next writer. On any failure the file is cut
// back to its old length and writeFailedText thrown.
void appendToDatabaseFile(const std::string& name, uint64_t length,
                          const std::vector<uint8_t>& bytes);

// Overwrites bytes inside the file `length` bytes long at `offset` (its
// size stays) and flushes them to disk.
void overwriteDatabaseBytes(const std::string& name, uint64_t length,
                            uint32_t offset,
                            const std::vector<uint8_t>& bytes);

struct ByteRange {
  const uint8_t* data;
  size_t size;
};

// Gives the file the contents `pieces` (concatenated) without ever
// leaving it half written: they go to a temporary file in the same folder
// (with the file's permissions; db/rewrite_temporaries.h), which is
// flushed to disk and renamed over the file, `length` bytes long; a
// symbolic link is followed and kept. On failure the temporary file is
// removed, the file is untouched and writeFailedText thrown.
void replaceDatabaseFile(const std::string& name, uint64_t length,
                         const std::vector<ByteRange>& pieces);

}  // namespace letterfreq
