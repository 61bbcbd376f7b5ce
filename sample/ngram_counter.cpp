#include "sample/ngram_counter.h"

#include <algorithm>
#include <array>

namespace letterfreq {

namespace {

// The hash of every one-byte window: the first step from the basis.
constexpr std::array<uint32_t, 256> makeFirstSteps() {
  std::array<uint32_t, 256> steps{};
  for (uint32_t b = 0; b < 256; ++b) {
    steps[b] = (FNV1A_BASIS ^ b) * FNV1A_PRIME;
  }
  return steps;
}

constexpr std::array<uint32_t, 256> FIRST_STEPS = makeFirstSteps();

// Counts features by their buckets; LIST: lists a bucket when its count
// leaves 0 (the list is written every time and its end moved only then,
// so no branch).
template <bool LIST>
struct Tally {
  uint32_t* counts;
  uint16_t* touched;
  size_t listed;
  void operator()(uint32_t bucket) {
    const uint32_t before = counts[bucket]++;
    if (LIST) {
      touched[listed] = static_cast<uint16_t>(bucket);
      listed += before == 0;
    }
  }
};

}  // namespace

uint32_t fnv1a32(const uint8_t* bytes, size_t length) {
  uint32_t hash = FNV1A_BASIS;
  for (size_t i = 0; i < length; ++i) hash = fnv1aStep(hash, bytes[i]);
  return hash;
}

NgramCounter::NgramCounter()
    : counts_(NGRAM_BUCKETS, 0), touched_(NGRAM_BUCKETS + 1, 0) {}

void NgramCounter::reset() {
  if (listsTouched()) {
    for (size_t i = 0; i < touchedCount_; ++i) counts_[touched_[i]] = 0;
  } else {
    std::fill(counts_.begin(), counts_.end(), 0);
  }
  touchedCount_ = 0;
  prefixes_ = {FNV1A_BASIS, FNV1A_BASIS, FNV1A_BASIS};
  length_ = 0;
  last_ = 0;
  finished_ = false;
}

void NgramCounter::step(uint8_t byte) {
  const uint32_t gram2 = fnv1aStep(prefixes_.one, byte);
  const uint32_t gram3 = fnv1aStep(prefixes_.two, byte);
  if (length_ >= 1) bump(gram2);
  if (length_ >= 2) bump(gram3);
  if (length_ >= 3) bump(fnv1aStep(prefixes_.three, byte));
  prefixes_ = {FIRST_STEPS[byte], gram2, gram3};
  last_ = byte;
  ++length_;
}

template <bool LIST>
void NgramCounter::addWhole(const uint8_t* bytes, size_t length) {
  Tally<LIST> count{counts_.data(), touched_.data(), touchedCount_};
  size_t done = 0;
  if (ngram_buckets::available()) {
    // The buckets of a few blocks are found in lanes, then counted.
    using ngram_buckets::BLOCK;
    constexpr size_t STRETCH_BLOCKS = 4;
    uint16_t buckets[STRETCH_BLOCKS * 3 * BLOCK];
    while (length - done >= BLOCK) {
      const size_t blocks = std::min(STRETCH_BLOCKS, (length - done) / BLOCK);
      ngram_buckets::find(bytes + done, blocks, prefixes_, buckets);
      for (const uint16_t* block = buckets;
           block < buckets + blocks * 3 * BLOCK; block += 3 * BLOCK) {
        for (size_t i = 0; i < BLOCK; ++i) {
          count(block[i]);
          count(block[BLOCK + i]);
          count(block[2 * BLOCK + i]);
        }
      }
      done += blocks * BLOCK;
    }
  }
  uint32_t prefix1 = prefixes_.one, prefix2 = prefixes_.two,
           prefix3 = prefixes_.three;
  for (size_t i = done; i < length; ++i) {
    // The windows ending in this byte extend the three kept prefixes; the
    // new 2- and 3-gram hashes are the prefixes for the next byte.
    const uint8_t byte = bytes[i];
    const uint32_t gram2 = fnv1aStep(prefix1, byte);
    const uint32_t gram3 = fnv1aStep(prefix2, byte);
    const uint32_t gram4 = fnv1aStep(prefix3, byte);
    count(ngramBucket(gram2));
    count(ngramBucket(gram3));
    count(ngramBucket(gram4));
    prefix3 = gram3;
    prefix2 = gram2;
    prefix1 = FIRST_STEPS[byte];
  }
  prefixes_ = {prefix1, prefix2, prefix3};
  touchedCount_ = count.listed;
  last_ = bytes[length - 1];
  length_ += length;
}

void NgramCounter::add(const uint8_t* bytes, size_t length) {
  // The opening pad, and windows not yet whole.
  for (; length > 0 && length_ < 3; ++bytes, --length) {
    if (length_ == 0 && *bytes != NGRAM_PAD) step(NGRAM_PAD);
    step(*bytes);
  }
  if (length == 0) return;
  if (length_ + length >= SATURATION_FREE_LENGTH) {
    for (size_t i = 0; i < length; ++i) step(bytes[i]);
  } else if (length_ + length <= MARKED_LENGTH) {
    addWhole<true>(bytes, length);
  } else {
    addWhole<false>(bytes, length);
  }
}

void NgramCounter::finish() {
  if (finished_) return;
  finished_ = true;
  if (length_ > 0 && last_ != NGRAM_PAD) step(NGRAM_PAD);
}

}  // namespace letterfreq
