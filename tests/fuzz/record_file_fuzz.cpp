// libFuzzer target: arbitrary bytes as a database file, through every
// reading operation of the record engine in memory and, for a share of
// the inputs, through RecordFile on a real file. Built by scripts/run-fuzz
// (clang, ASan and UBSan); see tests/fuzz/record_file_fuzz_check.h.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_file.h"
#include "tests/fuzz/record_file_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace letterfreq;
  fuzz::checkDatabaseBytes(data, size);
  if (size > 0 && data[size - 1] % 8 == 0) {
    const std::string& name = fuzz::writeFuzzFile(data, size);
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
