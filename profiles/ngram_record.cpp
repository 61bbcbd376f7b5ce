#include "profiles/ngram_record.h"

#include <algorithm>

#include "sample/ngram_counter.h"

namespace letterfreq {
std::vector<uint8_t> encodeNgramRecord(const uint32_t* counts) {
  std::vector<uint16_t> kept;
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    if (counts[b] > 0) kept.push_back(static_cast<uint16_t>(b));
  }
  if (kept.size() > static_cast<size_t>(NGRAM_RECORD_ITEMS)) {
    auto higher = [counts](uint16_t a, uint16_t b) {
      return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
    };
    std::nth_element(kept.begin(), kept.begin() + NGRAM_RECORD_ITEMS,
                     kept.end(), higher);
    kept.resize(NGRAM_RECORD_ITEMS);
    std::sort(kept.begin(), kept.end());
  }
  std::vector<uint8_t> data;
  data.reserve(kept.size() * NGRAM_ITEM_SIZE);
  for (uint16_t bucket : kept) {
    write_u16(data, bucket);
    write_u16(data, static_cast<uint16_t>(
                        std::min(counts[bucket], NGRAM_COUNT_LIMIT)));
  }
  return data;
}

}  // namespace letterfreq
