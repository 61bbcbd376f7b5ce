// The data block of an entry's n-gram record: the sample's most frequent
// buckets, each as 4 bytes
//
//   offset  size  field
//   0       2     bucket, 0..16383
//   2       2     min(n[bucket], 65535)
//
// both 16-bit unsigned little-endian, in rising bucket order. At most 2048
// buckets are kept (the highest counts, ties to the lower bucket), so the
// block is 0 to 8192 bytes. Reading trusts nothing: a trailing 1-3 bytes are
// ignored, and so are items whose bucket is out of range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/record_codec.h"
#include "sample/ngram_counter.h"

namespace letterfreq {

constexpr int NGRAM_RECORD_ITEMS = 2048;  // buckets kept per entry
constexpr size_t NGRAM_ITEM_SIZE = 4;
constexpr uint32_t NGRAM_COUNT_LIMIT = 65535;  // stored counts saturate here

struct NgramItem {
  uint16_t bucket = 0;
  uint16_t count = 0;
};

// The data block for the bucket counts n[0..NGRAM_BUCKETS-1].
std::vector<uint8_t> encodeNgramRecord(const uint32_t* counts);

// Calls onItem(NgramItem) for the items of a data block, in stored order;
// out-of-range buckets and a trailing partial item are left out.
template <class OnItem>
void forEachNgramItem(const uint8_t* data, size_t length, OnItem&& onItem) {
  for (size_t at = 0; at + NGRAM_ITEM_SIZE <= length; at += NGRAM_ITEM_SIZE) {
    // Both halves at once: summing a language's lists is mostly this.
    const uint32_t word = read_u32(data + at);
    NgramItem item;
    item.bucket = static_cast<uint16_t>(word & 0xFFFF);
    item.count = static_cast<uint16_t>(word >> 16);
    if (item.bucket < NGRAM_BUCKETS) onItem(item);
  }
}

}  // namespace letterfreq
