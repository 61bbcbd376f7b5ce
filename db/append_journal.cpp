#include "db/append_journal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "db/posix_file.h"
#include "db/record_codec.h"
#include "db/record_texts.h"
#include "db/write_lock.h"

namespace letterfreq {

namespace {

constexpr char MAGIC[4] = {'L', 'F', 'J', '1'};
constexpr size_t JOURNAL_SIZE = sizeof MAGIC + 8;

std::string journalName(const std::string& database) {
  return companionName(database, ".journal");
}

[[noreturn]] void throwWriteFailed(int error) {
  throw std::runtime_error(writeFailedText(std::strerror(error)));
}

}  // namespace

std::optional<uint64_t> unfinishedAppendStart(const std::string& database) {
  FileDescriptor fd(::open(journalName(database).c_str(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return std::nullopt;
  uint8_t bytes[JOURNAL_SIZE + 1];
  const ssize_t n = ::pread(fd.get(), bytes, sizeof bytes, 0);
  if (n != static_cast<ssize_t>(JOURNAL_SIZE) ||
      std::memcmp(bytes, MAGIC, sizeof MAGIC) != 0) {
    return std::nullopt;
  }
  return uint64_t{read_u32(bytes + 4)} | uint64_t{read_u32(bytes + 8)} << 32;
}

void beginAppend(const std::string& database, uint64_t length) {
  const std::string name = journalName(database);
  FileDescriptor fd(::open(name.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                           0666));
  if (!fd.valid()) throwWriteFailed(errno);
  std::vector<uint8_t> bytes(MAGIC, MAGIC + sizeof MAGIC);
  write_u32(bytes, static_cast<uint32_t>(length));
  write_u32(bytes, static_cast<uint32_t>(length >> 32));
  int error = writeAll(fd.get(), bytes.data(), bytes.size());
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (error == 0 && fd.close() != 0) error = errno;
  if (error != 0) {
    ::unlink(name.c_str());
    throwWriteFailed(error);
  }
  syncFolderOf(name);
}

void endAppend(const std::string& database) {
  const std::string name = journalName(database);
  // A journal left behind would make readers drop the finished append.
  if (::unlink(name.c_str()) == 0) {
    syncFolderOf(name);
  } else if (errno != ENOENT) {
    throwWriteFailed(errno);
  }
}

void cutBackUnfinishedAppend(const std::string& database) {
  const std::optional<uint64_t> start = unfinishedAppendStart(database);
  if (start) {
    FileDescriptor fd(
        ::open(database.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) throwWriteFailed(errno);
    if (S_ISREG(info.st_mode) &&
        static_cast<uint64_t>(info.st_size) > *start) {
      // Readers leave the tail out already; none reads while it goes.
      if (!lockWithin(fd.get(), LOCK_EX) ||
          ::ftruncate(fd.get(), static_cast<off_t>(*start)) != 0 ||
          ::fsync(fd.get()) != 0) {
        throwWriteFailed(errno);
      }
    }
  }
  // Also a journal cut short while it was written: it marks nothing.
  endAppend(database);
}

}  // namespace letterfreq
