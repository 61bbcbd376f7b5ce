// The one real file a fuzz target writes its inputs to: in a private
// folder under $TMPDIR (else /tmp), removed with the folder when the
// fuzzer exits, so a run leaves nothing behind.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace letterfreq {
namespace fuzz {

inline std::string& fuzzFolder() {
  static std::string folder;
  return folder;
}

inline void removeFuzzFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(fuzzFolder(), ignored);
}

inline const std::string& fuzzFileName() {
  static const std::string name = [] {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") +
                          "/letterfreq-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) abort();
    fuzzFolder() = pattern;
    atexit(removeFuzzFolder);
    return pattern + "/fuzz.db";
  }();
  return name;
}

// Writes the input to the file and returns its name.
inline const std::string& writeFuzzFile(const uint8_t* data, size_t size) {
  const std::string& name = fuzzFileName();
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data),
            static_cast<std::streamsize>(size));
  return name;
}

}  // namespace fuzz
}  // namespace letterfreq
