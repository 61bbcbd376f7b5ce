#include "profiles/starter_database.h"

#include <filesystem>
#include <system_error>

namespace letterfreq {

std::string findStarterDatabase(std::string& tried) {
  std::error_code error;
  const std::filesystem::path program =
      std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = program.parent_path();
  const std::filesystem::path candidates[] = {
      folder / LETTERFREQ_BIN_TO_DATA / "ling2.db",
      folder / ".." / "data" / "ling2.db"};
  for (const auto& candidate : candidates) {
    const std::string name = candidate.lexically_normal().string();
    if (!error && std::filesystem::is_regular_file(name, error)) return name;
    tried += tried.empty() ? name : ", " + name;
    error.clear();
  }
  return "";
}

}  // namespace letterfreq
