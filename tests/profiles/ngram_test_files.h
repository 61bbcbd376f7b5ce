// Test helper for n-gram lists in database files: a file's bytes without
// its n-gram list records (what the file would be had they never been
// written, every id kept), for comparing what older readers see.
#pragma once

#include <string>
#include <vector>

#include "db/record_snapshot.h"
#include "db/record_walk.h"
#include "profiles/schema.h"

namespace letterfreq {
namespace testing {

inline std::string withoutNgramLists(const std::string& bytes) {
  const RecordSnapshot snapshot(
      std::vector<uint8_t>(bytes.begin(), bytes.end()));
  std::string kept;
  for (const RecordLayout& record : snapshot.records()) {
    bool ngramList = false;
    for (uint8_t k = 0; k < record.linkCount; ++k) {
      ngramList |=
          readLink(snapshot.bytes().data(), record, k).kind == KIND_NGRAM_LIST;
    }
    if (!ngramList) {
      kept += bytes.substr(record.offset,
                           static_cast<size_t>(record.end() - record.offset));
    }
  }
  return kept;
}

}  // namespace testing
}  // namespace letterfreq
