// libFuzzer target: arbitrary bytes as a whole database, loaded as "Open
// DB" loads it and ranked by every method; for a share of the inputs the
// load is checked against the slow question-by-question load of the same
// bytes in a file. Built by scripts/run-fuzz; see
// tests/fuzz/database_load_fuzz_check.h.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/database_load_fuzz_check.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace letterfreq;
  const std::vector<uint8_t> bytes(data, data + size);
  const std::string fast = fuzz::loadAnswer(bytes, data, size);
  if (size > 0 && data[size - 1] % 8 == 0) {
    const std::string& name = fuzz::writeFuzzFile(data, size);
    fuzz::check(fast == fuzz::slowLoadAnswer(name),
                "the load over the bytes equals the load by queries");
  }
  return 0;
}
