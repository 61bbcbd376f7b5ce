#include "profiles/ngram_record.h"

#include <algorithm>

#include "profiles/ngram_counter.h"

namespace letterfreq {
namespace {

void putU16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

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
    putU16(data, bucket);
    putU16(data, std::min(counts[bucket], NGRAM_COUNT_LIMIT));
  }
  return data;
}

std::vector<NgramItem> decodeNgramRecord(const uint8_t* data, size_t length) {
  std::vector<NgramItem> items;
  items.reserve(length / NGRAM_ITEM_SIZE);
  forEachNgramItem(data, length,
                   [&items](const NgramItem& item) { items.push_back(item); });
  return items;
}

}  // namespace letterfreq
