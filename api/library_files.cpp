#include "api/library_files.h"

#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "profiles/starter_database.h"

namespace letterfreq {

namespace {

// Folders from the one holding this code up: PREFIX/lib, PREFIX/lib/ARCH
// and PREFIX/lib/python3/dist-packages all lie under PREFIX.
constexpr int PREFIX_LEVELS = 4;

std::filesystem::path codeFolder() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&findLibraryStarterDatabase), &info) ==
          0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  std::error_code error;
  const std::filesystem::path file =
      std::filesystem::canonical(info.dli_fname, error);
  return error ? std::filesystem::path() : file.parent_path();
}

bool tryName(const std::filesystem::path& name, std::string& tried) {
  std::error_code error;
  if (std::filesystem::is_regular_file(name, error)) return true;
  tried += tried.empty() ? name.string() : ", " + name.string();
  return false;
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ||
         (errno != ENOENT && errno != ENOTDIR);
}

std::string findLibraryStarterDatabase(std::string& tried) {
  std::filesystem::path folder = codeFolder();
  for (int level = 0; level < PREFIX_LEVELS && !folder.empty(); ++level) {
    folder = folder.parent_path();
    const std::filesystem::path name =
        folder / "share" / "letterfreq" / "ling2.db";
    if (tryName(name, tried)) return name.string();
  }
  std::string programTried;
  const std::string found = findStarterDatabase(programTried);
  if (!programTried.empty()) {
    tried += tried.empty() ? programTried : ", " + programTried;
  }
  return found;
}

}  // namespace letterfreq
