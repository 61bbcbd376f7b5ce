// The journal of an append: a small file beside the database
// (NAME.journal, layout in db/journal_format.h) written and flushed to
// disk before the first appended byte and removed once the append is on
// disk. A journal that is still there marks an append that may not have
// ended: the bytes past its start are not part of the database.
//
// A journal is honoured only for the file it was written for: the same
// device and inode, a length between the append's start and end, and the
// same bytes just before the start. A backup restored over the file, or
// another database's journal copied beside it, does not match and cuts
// nothing: readers warn and read the whole file, writers refuse.
#pragma once

#include <cstdint>
#include <string>

namespace letterfreq {

struct JournalVerdict {
  enum class Kind {
    None,        // no journal, or one that marks nothing
    Unfinished,  // an append of this file that may not have ended
    Foreign,     // a journal that does not belong to this file
  };
  Kind kind = Kind::None;
  uint64_t start = 0;  // Unfinished: the file's length before the append
  std::string text;    // Foreign: foreignJournalText for it
};

// What the journal beside `database` says of the file open as `fd`
// (readable). Reads only.
JournalVerdict judgeJournal(const std::string& database, int fd);

// Writes the journal for appending to the file open as `fd` (readable)
// from `start` to `end` and flushes it to disk; journalWriteFailedText on
// failure.
void beginAppend(const std::string& database, int fd, uint64_t start,
                 uint64_t end);

// Removes the journal once the append is on disk.
void endAppend(const std::string& database);

// Before a write to the file open as `fd` (readable and writable, under
// the writer's locks): cuts an unfinished append back to its start and
// removes its journal, or removes a journal that marks nothing; throws
// the foreign journal's text and changes nothing when it is not this
// file's.
void settleUnfinishedAppend(const std::string& database, int fd);

}  // namespace letterfreq
