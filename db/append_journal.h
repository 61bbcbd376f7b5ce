// The journal of an append: a small file beside the database (NAME.journal)
// holding the file's length before the append. It is written and flushed
// to disk before the first appended byte and removed once the append is on
// disk, so a journal that is still there marks an append that may not have
// ended: the bytes past that length are not part of the database.
//
// Layout: the 4 bytes "LFJ1", then the length as 8 bytes little-endian.
// A journal of any other size or start was cut short while being written,
// before anything was appended, and marks nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace letterfreq {

// The length before an unfinished append, when a journal marks one.
// Reads only.
std::optional<uint64_t> unfinishedAppendStart(const std::string& database);

// Writes the journal for an append to a file `length` bytes long and
// flushes it to disk; writeFailedText on failure.
void beginAppend(const std::string& database, uint64_t length);

// Removes the journal once the append is on disk.
void endAppend(const std::string& database);

// Cuts an unfinished append back to the length the journal holds and
// removes the journal; nothing when there is none. For a writer holding
// the database's WriteLock. writeFailedText when the file cannot be cut.
void cutBackUnfinishedAppend(const std::string& database);

}  // namespace letterfreq
