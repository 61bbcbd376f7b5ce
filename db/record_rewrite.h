// What insert_record does to the file's bytes, decided in memory before
// anything is written: either a refusal (the file stays as it is) or the
// new record and the span of the old one it replaces. RecordFile carries
// the plan out on the file; tests and the fuzzer apply it to bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "db/record.h"

namespace letterfreq {

struct RewritePlan {
  // The refusal text (NO_DELIMITER_AT_OFFSET_TEXT, WRONG_RECORD_TEXT or
  // DAMAGED_RECORD_AT_OFFSET_TEXT), or null when the rewrite goes ahead.
  const char* refusal = nullptr;
  std::vector<uint8_t> encoded;  // the new record's bytes
  uint32_t offset = 0;           // of the old record, kept by the new one
  uint32_t oldEnd = 0;           // one past the old record: the tail's start

  // Same length word: the record's own bytes are overwritten in place.
  bool inPlace() const { return encoded.size() == oldEnd - offset; }
};

// Checks the record at `offset` of the file's `bytes`: a delimiter must
// stand there, its id must be `record`'s, and it must be whole and
// well-formed (see db/record_walk.h). Throws FILE_TOO_LARGE_TEXT when the
// new file would be longer than MAX_FILE_SIZE.
RewritePlan planRewrite(const std::vector<uint8_t>& bytes, const Record& record,
                        int32_t offset);

}  // namespace letterfreq
