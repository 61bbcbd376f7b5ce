// A large generated sample for the benchmarks, written once into TMPDIR
// (or /tmp) and kept there: later runs find it by its name and size.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

namespace letterfreq {
namespace bench {

// The path of `fileName` holding `size` bytes: blocks from `nextBlock`
// (each about 1 MiB, the last one cut) one after another.
inline std::string cachedSampleFile(
    const std::string& fileName, uint64_t size,
    const std::function<void(std::string& block)>& nextBlock) {
  const char* dir = std::getenv("TMPDIR");
  const std::string name =
      std::string(dir && *dir ? dir : "/tmp") + "/" + fileName;
  struct stat info;
  if (stat(name.c_str(), &info) == 0 &&
      static_cast<uint64_t>(info.st_size) == size) {
    return name;
  }
  // Written under a private name, then renamed: a parallel run never
  // sees half a file.
  const std::string partial = name + "." + std::to_string(getpid());
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + partial);
  std::string block;
  for (uint64_t written = 0; written < size;) {
    block.clear();
    nextBlock(block);
    const size_t take = static_cast<size_t>(
        std::min<uint64_t>(block.size(), size - written));
    if (take == 0 || std::fwrite(block.data(), 1, take, file) != take) {
      std::fclose(file);
      throw std::runtime_error("cannot write " + partial);
    }
    written += take;
  }
  if (std::fclose(file) != 0 ||
      std::rename(partial.c_str(), name.c_str()) != 0) {
    throw std::runtime_error("cannot write " + name);
  }
  return name;
}

}  // namespace bench
}  // namespace letterfreq
