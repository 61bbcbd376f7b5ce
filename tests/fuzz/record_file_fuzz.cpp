// libFuzzer target: arbitrary bytes as a database file, through every
// reading operation of the record engine in memory and, for a share of
// the inputs, through RecordFile on a real file. Built by scripts/run-fuzz
// (clang, ASan and UBSan); see tests/fuzz/record_file_fuzz_check.h.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "tests/fuzz/record_file_fuzz_check.h"

namespace {

// A private file for the inputs that go through RecordFile.
const std::string& fuzzFileName() {
  static const std::string name = [] {
    char folder[] = "/tmp/letterfreq-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) abort();
    return std::string(folder) + "/fuzz.db";
  }();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace letterfreq;
  fuzz::checkDatabaseBytes(data, size);
  if (size > 0 && data[size - 1] % 8 == 0) {
    const std::string& name = fuzzFileName();
    {
      std::ofstream out(name, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data),
                static_cast<std::streamsize>(size));
    }
    const std::vector<uint8_t> bytes(data, data + size);
    RecordFile file(name);
    const RecordSnapshot snapshot = file.snapshot();
    const fuzz::Questions questions = fuzz::questionsFor(snapshot, bytes);
    fuzz::check(fuzz::answersOf(file, questions) ==
                    fuzz::answersOf(fuzz::WalkSource{bytes}, questions),
                "RecordFile answers as the walk over its bytes does");
  }
  return 0;
}
