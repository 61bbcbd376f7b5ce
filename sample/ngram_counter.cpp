#include "sample/ngram_counter.h"

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

void NgramCounter::addFirst(uint8_t byte) {
  if (length_ == 0 && byte != NGRAM_PAD) step(NGRAM_PAD);
  step(byte);
}

void NgramCounter::step(uint8_t byte) {
  const uint32_t gram2 = fnv1aStep(prefix1_, byte);
  const uint32_t gram3 = fnv1aStep(prefix2_, byte);
  if (length_ >= 1) bump(gram2);
  if (length_ >= 2) bump(gram3);
  if (length_ >= 3) bump(fnv1aStep(prefix3_, byte));
  prefix3_ = gram3;
  prefix2_ = gram2;
  prefix1_ = fnv1aStep(FNV1A_BASIS, byte);
  last_ = byte;
  ++length_;
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
