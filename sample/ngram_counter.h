// NgramCounter: the bucket counts n[0..16383] of a sample's byte 2-, 3- and
// 4-grams, filled one counted byte at a time during the counting pass. The
// n-gram stream is the sequence of bytes that the counting rule counts; it
// is padded with a space (32) before its first byte and after its last,
// unless that byte is already a space. Each window of 2, 3 or 4 consecutive
// padded bytes is one feature, hashed with 32-bit FNV-1a and folded into a
// bucket. The counter owns its 64 KB table; one allocation at construction,
// none per byte. Attached to a CountingPass, it hears the counted bytes of
// the pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/counting_pass.h"

namespace letterfreq {

constexpr int NGRAM_BUCKETS = 16384;
constexpr uint32_t FNV1A_BASIS = 2166136261u;
constexpr uint32_t FNV1A_PRIME = 16777619u;
constexpr uint8_t NGRAM_PAD = 32;

// One FNV-1a step: the hash of a window extended by one byte.
inline uint32_t fnv1aStep(uint32_t hash, uint8_t byte) {
  return (hash ^ byte) * FNV1A_PRIME;
}

// 32-bit FNV-1a of `length` bytes.
uint32_t fnv1a32(const uint8_t* bytes, size_t length);

// The bucket (0..16383) of a feature's FNV-1a hash.
inline uint32_t ngramBucket(uint32_t hash) {
  return ((hash >> 14) ^ hash) & (NGRAM_BUCKETS - 1);
}

class NgramCounter : public CountingAttachment {
 public:
  NgramCounter();

  // Back to the empty stream: all counts 0.
  void reset() override;

  // The next byte of the n-gram stream (a byte the counting rule counted).
  // Small enough to be inlined into the counting loop.
  void add(uint8_t byte) {
    if (length_ < 3) {
      addFirst(byte);  // the opening pad, and windows not yet whole
      return;
    }
    // The windows ending in `byte` extend the three kept prefixes; the new
    // 2- and 3-gram hashes are the prefixes for the next byte.
    const uint32_t gram2 = fnv1aStep(prefix1_, byte);
    const uint32_t gram3 = fnv1aStep(prefix2_, byte);
    const uint32_t gram4 = fnv1aStep(prefix3_, byte);
    if (length_ < SATURATION_FREE_LENGTH) {
      // No count can reach the limit yet: plain increments.
      uint32_t* counts = counts_.data();
      ++counts[ngramBucket(gram2)];
      ++counts[ngramBucket(gram3)];
      ++counts[ngramBucket(gram4)];
    } else {
      bump(gram2);
      bump(gram3);
      bump(gram4);
    }
    prefix3_ = gram3;
    prefix2_ = gram2;
    prefix1_ = fnv1aStep(FNV1A_BASIS, byte);
    last_ = byte;
    ++length_;
  }
  void add(const uint8_t* bytes, size_t length) override;

  // Ends the stream: adds the closing pad. Later calls do nothing until
  // reset(); bytes added after it would count as a continuation.
  void finish() override;

  // n[0..NGRAM_BUCKETS-1]; complete once finish() has run. A count that
  // would pass UINT32_MAX stays there.
  const uint32_t* counts() const { return counts_.data(); }
  // Bytes of the padded stream so far (0 for an empty stream).
  uint64_t paddedLength() const { return length_; }

 private:
  void addFirst(uint8_t byte);
  // One byte of the padded stream, with only the windows that exist yet.
  void step(uint8_t byte);
  void bump(uint32_t hash) {
    uint32_t& count = counts_[ngramBucket(hash)];
    count += (count != UINT32_MAX);
  }

  // A stream of L bytes has fewer than 3L features, so below this length no
  // count can reach UINT32_MAX and the saturating check can be skipped.
  static constexpr uint64_t SATURATION_FREE_LENGTH = UINT32_MAX / 3 - 3;

  std::vector<uint32_t> counts_;
  uint32_t prefix1_ = FNV1A_BASIS;  // hash of the last byte
  uint32_t prefix2_ = FNV1A_BASIS;  // hash of the last two bytes
  uint32_t prefix3_ = FNV1A_BASIS;  // hash of the last three bytes
  uint64_t length_ = 0;
  uint8_t last_ = 0;
  bool finished_ = false;
};

}  // namespace letterfreq
