// NgramCounter: the bucket counts n[0..16383] of a sample's byte 2-, 3- and
// 4-grams, filled one counted byte at a time during the counting pass. The
// n-gram stream is the sequence of bytes that the counting rule counts; it
// is padded with a space (32) before its first byte and after its last,
// unless that byte is already a space. Each window of 2, 3 or 4 consecutive
// padded bytes is one feature, hashed with 32-bit FNV-1a and folded into a
// bucket. The counter owns its 64 KB table; one allocation at construction,
// none per byte. Attached to a CountingPass, it hears the counted bytes of
// the pass. Where the processor has AVX2, the buckets of eight windows are
// found at once (sample/ngram_buckets.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/feature_counter.h"
#include "sample/ngram_buckets.h"

namespace letterfreq {

constexpr int NGRAM_BUCKET_BITS = 14;
constexpr int NGRAM_BUCKETS = 1 << NGRAM_BUCKET_BITS;
constexpr int NGRAM_SHORTEST_WINDOW = 2;
constexpr int NGRAM_LONGEST_WINDOW = 4;
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
  return ((hash >> NGRAM_BUCKET_BITS) ^ hash) & (NGRAM_BUCKETS - 1);
}

class NgramCounter final : public FeatureCounter {
 public:
  NgramCounter();

  // Back to the empty stream: all counts 0. Only the buckets a short
  // stream touched are cleared, so a batch of short samples does not clear
  // 64 KB each.
  void reset() override;

  // The next bytes of the n-gram stream (bytes the counting rule counted),
  // hashed a run at a time: the first three bytes of a stream, which pad
  // and open the windows, and streams near the counts' limit take the
  // careful path; every other byte takes no branch on the length.
  void add(const uint8_t* bytes, size_t length) override;
  void add(uint8_t byte) { add(&byte, 1); }

  // Ends the stream: adds the closing pad. Later calls do nothing until
  // reset(); bytes added after it would count as a continuation.
  void finish() override;

  // n[0..NGRAM_BUCKETS-1]; complete once finish() has run. A count that
  // would pass UINT32_MAX stays there.
  const uint32_t* counts() const { return counts_.data(); }
  // Bytes of the padded stream so far (0 for an empty stream).
  uint64_t paddedLength() const { return length_; }

  // The buckets whose counts are not 0, in the order they were first
  // counted, for streams of up to MARKED_LENGTH padded bytes (so that a
  // match of a short sample need not look through all 16384 counts); not
  // known for longer ones.
  TouchedBuckets touchedBuckets() const {
    if (!listsTouched()) return {};
    return {touched_.data(), nullptr, touchedCount_};
  }
  FeatureCounts featureCounts() const override {
    return {counts(), touchedBuckets()};
  }

 private:
  bool listsTouched() const { return length_ <= MARKED_LENGTH; }
  // One byte of the padded stream, with only the windows that exist yet,
  // each count held at UINT32_MAX.
  void step(uint8_t byte);
  // Bytes once all three windows exist and no count can reach the limit;
  // LIST: list the buckets first counted.
  template <bool LIST>
  void addWhole(const uint8_t* bytes, size_t length);
  void bump(uint32_t hash) {
    const uint32_t bucket = ngramBucket(hash);
    uint32_t& count = counts_[bucket];
    if (count == 0 && listsTouched()) {
      touched_[touchedCount_++] = static_cast<uint16_t>(bucket);
    }
    count += (count != UINT32_MAX);
  }

  // A stream of L bytes has fewer than 3L features, so below this length no
  // count can reach UINT32_MAX and the saturating check can be skipped.
  static constexpr uint64_t SATURATION_FREE_LENGTH = UINT32_MAX / 3 - 3;
  // Streams up to MARKED_LENGTH bytes list the buckets they touch, longer
  // ones clear the whole table on reset.
  static constexpr uint64_t MARKED_LENGTH = 2048;

  std::vector<uint32_t> counts_;
  // Room for every bucket, each listed once at most, and for the one
  // written past the end of the list.
  std::vector<uint16_t> touched_;
  size_t touchedCount_ = 0;
  // Hashes of the last one, two and three bytes.
  ngram_buckets::WindowHashes prefixes_{FNV1A_BASIS, FNV1A_BASIS, FNV1A_BASIS};
  uint64_t length_ = 0;
  uint8_t last_ = 0;
  bool finished_ = false;
};

}  // namespace letterfreq
