// Test helper: the journal a writer leaves when it is killed during an
// append, written beside a database as the writer writes it.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <string>

#include "db/append_journal.h"
#include "util/posix_file.h"

namespace letterfreq {
namespace testing {

// The journal of an append to `path` from `start` to `end`.
inline void journalAppend(const std::string& path, uint64_t start,
                          uint64_t end) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  beginAppend(path, fd.get(), start, end);
}

}  // namespace testing
}  // namespace letterfreq
