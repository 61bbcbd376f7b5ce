#include "db/append_journal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "db/journal_format.h"
#include "util/posix_file.h"
#include "db/record_format.h"
#include "db/record_codec.h"
#include "db/record_texts.h"
#include "db/write_lock.h"

namespace letterfreq {

namespace {

// An old journal's tail is walked at most this far, then not honoured.
constexpr int OLD_TAIL_RECORDS = 4096;

std::string journalName(const std::string& database) {
  return companionName(database, ".journal");
}

JournalVerdict foreign(const std::string& name, const std::string& reason) {
  JournalVerdict verdict;
  verdict.kind = JournalVerdict::Kind::Foreign;
  verdict.text = foreignJournalText(name, reason);
  return verdict;
}

JournalVerdict unfinished(uint64_t start) {
  JournalVerdict verdict;
  verdict.kind = JournalVerdict::Kind::Unfinished;
  verdict.start = start;
  return verdict;
}

// The sum of the JOURNAL_SUM_SPAN bytes before `start`; false when they
// cannot all be read.
bool sumBefore(int fd, uint64_t start, uint64_t& sum) {
  const uint64_t span = start < JOURNAL_SUM_SPAN ? start : JOURNAL_SUM_SPAN;
  std::vector<uint8_t> bytes(static_cast<size_t>(span));
  size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + have, bytes.size() - have,
                              static_cast<off_t>(start - span + have));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    have += static_cast<size_t>(n);
  }
  sum = fnvSum(bytes.data(), bytes.size());
  return true;
}

// An old journal holds only the start: it is honoured when what lies past
// it has the shape a killed append leaves, whole records and then one the
// end of the file cuts, and never when the file ends on a record boundary
// (a restored or another file) or is shorter than the start.
bool endsInsideAppendFrom(int fd, uint64_t start, uint64_t size) {
  uint64_t at = start;
  for (int n = 0; n < OLD_TAIL_RECORDS && at < size; ++n) {
    uint8_t head[RECORD_HEAD_SIZE];
    const ssize_t got = ::pread(fd, head, sizeof head, static_cast<off_t>(at));
    if (got <= 0 || head[0] != RECORD_DELIM) return false;
    if (got < static_cast<ssize_t>(sizeof head)) return true;
    at += RECORD_HEAD_SIZE + uint64_t{read_u32(head + 5)};
    if (at > size) return true;
  }
  return false;
}

JournalVerdict judgeFacts(const std::string& name, const DecodedJournal& journal,
                          int fd, const struct stat& info) {
  const JournalFacts& facts = journal.facts;
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  if (journal.shape == JournalShape::CutShort) return {};
  if (journal.shape == JournalShape::Old) {
    if (facts.start == size || endsInsideAppendFrom(fd, facts.start, size)) {
      return unfinished(facts.start);
    }
    return foreign(name, "written for another length of the file");
  }
  if (journal.shape != JournalShape::Current) {
    return foreign(name, "not a journal of this program");
  }
  if (facts.device != static_cast<uint64_t>(info.st_dev) ||
      facts.inode != static_cast<uint64_t>(info.st_ino)) {
    return foreign(name, "written for another file");
  }
  if (size < facts.start || size > facts.end) {
    return foreign(name, "written for another length of the file");
  }
  uint64_t sum = 0;
  if (!sumBefore(fd, facts.start, sum) || sum != facts.sum) {
    return foreign(name, "written for other contents of the file");
  }
  return unfinished(facts.start);
}

[[noreturn]] void throwJournalFailed(const std::string& name, int error) {
  throw std::runtime_error(journalWriteFailedText(name, std::strerror(error)));
}

}  // namespace

JournalVerdict judgeJournal(const std::string& database, int fd) {
  const std::string name = journalName(database);
  FileDescriptor journal(
      ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!journal.valid()) {
    if (errno == ENOENT) return {};
    return foreign(name, errno == ELOOP ? "a symbolic link" : std::strerror(errno));
  }
  struct stat info;
  if (::fstat(journal.get(), &info) != 0) return foreign(name, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return foreign(name, notRegularReason(info.st_mode));
  uint8_t bytes[JOURNAL_SIZE + 1];
  const ssize_t n = ::pread(journal.get(), bytes, sizeof bytes, 0);
  if (n < 0) return foreign(name, std::strerror(errno));
  struct stat file;
  if (::fstat(fd, &file) != 0) return foreign(name, std::strerror(errno));
  return judgeFacts(name, decodeJournal(bytes, static_cast<size_t>(n)), fd, file);
}

void beginAppend(const std::string& database, int fd, uint64_t start,
                 uint64_t end) {
  const std::string name = journalName(database);
  struct stat file;
  JournalFacts facts;
  if (::fstat(fd, &file) != 0 || !sumBefore(fd, start, facts.sum)) {
    throw std::runtime_error(readFailedText(std::strerror(errno)));
  }
  facts.device = static_cast<uint64_t>(file.st_dev);
  facts.inode = static_cast<uint64_t>(file.st_ino);
  facts.start = start;
  facts.end = end;
  FileDescriptor journal(::open(
      name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!journal.valid()) throwJournalFailed(name, errno);
  const std::vector<uint8_t> bytes = encodeJournal(facts);
  int error = writeAll(journal.get(), bytes.data(), bytes.size());
  if (error == 0 && ::fsync(journal.get()) != 0) error = errno;
  if (error == 0 && journal.close() != 0) error = errno;
  if (error != 0) {
    ::unlink(name.c_str());
    throwJournalFailed(name, error);
  }
  syncFolderOf(name);
}

void endAppend(const std::string& database) {
  const std::string name = journalName(database);
  // A journal left behind would make readers drop the finished append.
  if (::unlink(name.c_str()) == 0) {
    syncFolderOf(name);
  } else if (errno != ENOENT) {
    throwJournalFailed(name, errno);
  }
}

void settleUnfinishedAppend(const std::string& database, int fd) {
  const JournalVerdict verdict = judgeJournal(database, fd);
  if (verdict.kind == JournalVerdict::Kind::Foreign) {
    throw std::runtime_error("!" + verdict.text);
  }
  if (verdict.kind == JournalVerdict::Kind::Unfinished) {
    struct stat info;
    if (::fstat(fd, &info) != 0) throw std::runtime_error(writeFailedText(std::strerror(errno)));
    if (static_cast<uint64_t>(info.st_size) > verdict.start &&
        (::ftruncate(fd, static_cast<off_t>(verdict.start)) != 0 ||
         ::fsync(fd) != 0)) {
      throw std::runtime_error(writeFailedText(std::strerror(errno)));
    }
  }
  // A journal cut short while it was written marks nothing: it goes too.
  struct stat journal;
  if (::lstat(journalName(database).c_str(), &journal) == 0) endAppend(database);
}

}  // namespace letterfreq
