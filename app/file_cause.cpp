#include "app/file_cause.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

// The system's reason for refusing `name` for `use`; empty when it would
// not refuse it.
std::string systemReason(const std::string& name, FileUse use) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  const int fd = ::open(name.c_str(),
                        (use == FileUse::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return {};
}

}  // namespace

std::string withFileCause(const std::string& text, const std::string& name,
                          FileUse use) {
  if (name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0) {
    return text;
  }
  if (!name.empty() && text.find(name) != std::string::npos) return text;
  // The engine's lines with a reason give the one it met: not looked up.
  const bool hasReason = text.rfind('!', 0) == 0 && text.find(": ") != std::string::npos;
  const std::string reason = hasReason     ? std::string()
                             : name.empty() ? std::strerror(ENOENT)
                                            : systemReason(name, use);
  std::string line = "\n" + (name.empty() ? "\"\"" : shownText(name));
  if (!reason.empty()) line += ": " + reason;
  return text + line;
}

}  // namespace letterfreq
