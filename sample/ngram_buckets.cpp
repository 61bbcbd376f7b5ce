#include "sample/ngram_buckets.h"

namespace letterfreq {

BucketLanes bestBucketLanes() {
  static const BucketLanes best =
      ngram_buckets::widestAvailable() ? BucketLanes::WIDEST
      : ngram_buckets::wideAvailable() ? BucketLanes::WIDE
                                       : BucketLanes::PLAIN;
  return best;
}

namespace ngram_buckets {

bool runs(BucketLanes lanes) {
  return (lanes == BucketLanes::WIDEST && widestAvailable()) ||
         (lanes == BucketLanes::WIDE && wideAvailable());
}

void find(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
          uint16_t* buckets, BucketLanes lanes) {
  if (lanes == BucketLanes::WIDEST) {
    findWidest(bytes, blocks, hashes, buckets);
  } else {
    findWide(bytes, blocks, hashes, buckets);
  }
}

}  // namespace ngram_buckets
}  // namespace letterfreq
