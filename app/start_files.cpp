#include "app/start_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "profiles/starter_database.h"

namespace letterfreq {
namespace fs = std::filesystem;

namespace {

bool isFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// Copies `from` to `to` under a private name and links it into place: a
// second start at the same moment can neither see half a file nor
// overwrite the first copy. False when no copy is there afterwards.
bool copyOnce(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to.parent_path(), error);
  std::string partial =
      (to.parent_path() / ("." + to.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(partial.data());
  if (fd < 0) return isFile(to);
  close(fd);
  if (fs::copy_file(from, partial, fs::copy_options::overwrite_existing,
                    error)) {
    chmod(partial.c_str(), 0644);
    fs::create_hard_link(partial, to, error);  // fails when one is there
  }
  fs::remove(partial, error);
  return isFile(to);
}

}  // namespace

std::string userDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') {
    return (fs::path(dataHome) / "letterfreq").string();
  }
  const char* home = std::getenv("HOME");
  if (home && *home) {
    return (fs::path(home) / ".local" / "share" / "letterfreq").string();
  }
  return {};
}

std::string bundledDataFolder() {
  for (const std::string& folder : bundledDataFolders()) {
    if (isFile(fs::path(folder) / "sample.txt")) return folder;
  }
  return {};
}

std::string resolveStartName(const std::string& typed,
                             const std::string& defaultName) {
  if (typed != defaultName || isFile(typed)) return typed;
  return resolveStartName(typed, defaultName, bundledDataFolder(),
                          userDataFolder());
}

std::string resolveStartName(const std::string& typed,
                             const std::string& defaultName,
                             const std::string& bundledFolder,
                             const std::string& userFolder) {
  if (typed != defaultName || isFile(typed) || userFolder.empty()) {
    return typed;
  }
  const fs::path copy = fs::path(userFolder) / defaultName;
  if (isFile(copy)) return copy.string();
  const fs::path bundled = fs::path(bundledFolder) / defaultName;
  if (bundledFolder.empty() || !isFile(bundled)) return typed;
  return copyOnce(bundled, copy) ? copy.string() : typed;
}

}  // namespace letterfreq
