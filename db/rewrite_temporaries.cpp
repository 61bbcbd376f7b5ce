#include "db/rewrite_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>

#include "util/posix_file.h"

namespace letterfreq {

namespace {

constexpr char SUFFIX[] = ".tmp-";
constexpr size_t RANDOM_PART = 6;  // mkstemp's XXXXXX

std::string baseOf(const std::string& target) {
  return target.substr(target.rfind('/') + 1);
}

// ".NAME.tmp-" followed by exactly six letters or digits.
bool isTemporaryOf(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + RANDOM_PART ||
      entry.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < entry.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  }
  return true;
}

// Removes `entry` of the folder open as `dir` when it is a regular file
// that nobody holds a lock on; the lock is kept until it is gone.
void removeIfStale(int dir, const char* entry) {
  FileDescriptor fd(::openat(dir, entry,
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    return;
  }
  ::unlinkat(dir, entry, 0);
}

}  // namespace

std::string rewriteTemporaryTemplate(const std::string& target) {
  return folderOf(target) + "/." + baseOf(target) + SUFFIX + "XXXXXX";
}

void removeStaleTemporaries(const std::string& database) {
  const std::string target = resolvedName(database);
  const std::string prefix = "." + baseOf(target) + SUFFIX;
  DIR* folder = ::opendir(folderOf(target).c_str());
  if (folder == nullptr) return;
  bool removed = false;
  while (const dirent* entry = ::readdir(folder)) {
    if (isTemporaryOf(entry->d_name, prefix)) {
      removeIfStale(::dirfd(folder), entry->d_name);
      removed = true;
    }
  }
  ::closedir(folder);
  if (removed) syncFolderOf(target);
}

}  // namespace letterfreq
