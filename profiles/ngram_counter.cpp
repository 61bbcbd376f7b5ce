#include "profiles/ngram_counter.h"

#include <algorithm>

namespace letterfreq {

uint32_t fnv1a32(const uint8_t* bytes, size_t length) {
  uint32_t hash = FNV1A_BASIS;
  for (size_t i = 0; i < length; ++i) hash = fnv1aStep(hash, bytes[i]);
  return hash;
}

NgramCounter::NgramCounter() : counts_(NGRAM_BUCKETS, 0) {}

void NgramCounter::reset() {
  std::fill(counts_.begin(), counts_.end(), 0);
  prefix1_ = prefix2_ = prefix3_ = FNV1A_BASIS;
  length_ = 0;
  last_ = 0;
  finished_ = false;
}

void NgramCounter::add(const uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) add(bytes[i]);
}

void NgramCounter::finish() {
  if (finished_) return;
  finished_ = true;
  if (length_ > 0 && last_ != NGRAM_PAD) step(NGRAM_PAD);
}

}  // namespace letterfreq
