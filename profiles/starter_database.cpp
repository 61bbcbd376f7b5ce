#include "profiles/starter_database.h"

#include <filesystem>
#include <system_error>

namespace letterfreq {

std::vector<std::string> bundledDataFolders() {
  std::error_code error;
  const std::filesystem::path program =
      std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path folder = program.parent_path();
  return {(folder / LETTERFREQ_BIN_TO_DATA).lexically_normal().string(),
          (folder / ".." / "data").lexically_normal().string()};
}

std::string findStarterDatabase(std::string& tried) {
  for (const std::string& folder : bundledDataFolders()) {
    const std::string name =
        (std::filesystem::path(folder) / "ling2.db").string();
    std::error_code error;
    if (std::filesystem::is_regular_file(name, error)) return name;
    tried += tried.empty() ? name : ", " + name;
  }
  return "";
}

}  // namespace letterfreq
