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

  // Back to the empty stream: all counts 0. Only the parts of the table a
  // short stream touched are cleared, so a batch of short samples does not
  // clear 64 KB each.
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

 private:
  // One byte of the padded stream, with only the windows that exist yet,
  // each count held at UINT32_MAX.
  void step(uint8_t byte);
  // Bytes once all three windows exist and no count can reach the limit;
  // MARK: note the touched lines of the table.
  template <bool MARK>
  void addWhole(const uint8_t* bytes, size_t length);
  void bump(uint32_t hash) {
    uint32_t& count = counts_[ngramBucket(hash)];
    count += (count != UINT32_MAX);
    markTouched(ngramBucket(hash));
  }
  void markTouched(uint32_t bucket) {
    const uint32_t line = bucket / COUNTS_PER_LINE;
    touchedLines_[line / 64] |= uint64_t{1} << (line % 64);
  }

  // A stream of L bytes has fewer than 3L features, so below this length no
  // count can reach UINT32_MAX and the saturating check can be skipped.
  static constexpr uint64_t SATURATION_FREE_LENGTH = UINT32_MAX / 3 - 3;
  // The table in lines of 64 bytes; streams up to MARKED_LENGTH bytes note
  // the lines they touch, longer ones clear the whole table on reset.
  static constexpr uint32_t COUNTS_PER_LINE = 16;
  static constexpr uint32_t LINES = NGRAM_BUCKETS / COUNTS_PER_LINE;
  static constexpr uint64_t MARKED_LENGTH = 2048;

  std::vector<uint32_t> counts_;
  uint64_t touchedLines_[LINES / 64] = {};
  uint32_t prefix1_ = FNV1A_BASIS;  // hash of the last byte
  uint32_t prefix2_ = FNV1A_BASIS;  // hash of the last two bytes
  uint32_t prefix3_ = FNV1A_BASIS;  // hash of the last three bytes
  uint64_t length_ = 0;
  uint8_t last_ = 0;
  bool finished_ = false;
};

}  // namespace letterfreq
