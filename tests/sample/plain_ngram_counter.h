// The n-gram counts of a stream as the method defines them, computed as
// plainly as possible: the padded stream is written out, and every window
// of 2, 3 and 4 bytes is hashed from the start with fnv1a32. The oracle
// the randomised tests compare NgramCounter with, bucket for bucket.
#pragma once

#include <cstdint>
#include <vector>

#include "sample/ngram_counter.h"

namespace letterfreq {
namespace plain {

inline std::vector<uint32_t> ngramCounts(const std::vector<uint8_t>& stream) {
  std::vector<uint32_t> counts(NGRAM_BUCKETS, 0);
  if (stream.empty()) return counts;
  std::vector<uint8_t> padded;
  if (stream.front() != NGRAM_PAD) padded.push_back(NGRAM_PAD);
  padded.insert(padded.end(), stream.begin(), stream.end());
  if (stream.back() != NGRAM_PAD) padded.push_back(NGRAM_PAD);
  for (size_t n = 2; n <= 4; ++n) {
    for (size_t i = 0; i + n <= padded.size(); ++i) {
      ++counts[ngramBucket(fnv1a32(padded.data() + i, n))];
    }
  }
  return counts;
}

}  // namespace plain
}  // namespace letterfreq
