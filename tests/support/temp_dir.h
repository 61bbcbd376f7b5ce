// Test helper: a private temporary folder per fixture (tests run in
// parallel under ctest -j), removed with everything in it on destruction;
// plus whole-file read and write helpers. Not copyable.
#pragma once

#include <string>

namespace letterfreq {
namespace testing {

class TempDir {
 public:
  // Creates a fresh folder under $TMPDIR (or /tmp); throws on failure.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The full name of `name` inside the folder (the file need not exist).
  std::string file(const std::string& name) const;
  // Writes `bytes` to `name` inside the folder and returns its full name.
  std::string write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

// The whole file as bytes; throws std::runtime_error when it cannot be read.
std::string readFile(const std::string& path);
// Replaces the file's content with `bytes`; throws when it cannot be written.
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace testing
}  // namespace letterfreq
