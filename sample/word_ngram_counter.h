// WordNgramCounter: the bucket counts n[0..262143] of a sample's word and
// n-gram features, filled one counted byte at a time during the counting
// pass. The stream is the bytes the counting rule counts, folded to lower
// case (sample/case_fold.h) and padded with a space (32) before and after
// unless already there. Its features:
//   - every window of 2, 3, 4 and 5 consecutive bytes;
//   - every word, a maximal run of bytes other than 32 with its two spaces
//     (" word "), cut to its first WORD_NGRAM_WORD_CUT bytes, hashed behind
//     the marker byte 255 (which no stream holds) so that a word and the
//     window of the same bytes differ.
// Each is hashed with 32-bit FNV-1a and folded into a bucket. The counter
// owns its 1 MB table, allocated once; attached to a CountingPass it hears
// the counted bytes of the pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/feature_counter.h"
#include "sample/ngram_counter.h"

namespace letterfreq {

constexpr int WORD_NGRAM_BUCKET_BITS = 18;
constexpr uint32_t WORD_NGRAM_BUCKETS = 1u << WORD_NGRAM_BUCKET_BITS;
constexpr int WORD_NGRAM_SHORTEST_WINDOW = 2;
constexpr int WORD_NGRAM_LONGEST_WINDOW = 5;
constexpr uint8_t WORD_NGRAM_MARKER = 255;
constexpr size_t WORD_NGRAM_WORD_CUT = 62;  // bytes of a word that count

// The bucket (0..262143) of a feature's FNV-1a hash.
inline uint32_t wordNgramBucket(uint32_t hash) {
  return ((hash >> WORD_NGRAM_BUCKET_BITS) ^ hash) & (WORD_NGRAM_BUCKETS - 1);
}

class WordNgramCounter final : public FeatureCounter {
 public:
  WordNgramCounter();

  // Back to the empty stream. Only the buckets a short stream touched are
  // cleared, so a batch of short samples does not clear 1 MB each.
  void reset() override;
  // The next counted bytes, cut anywhere (inside a letter too).
  void add(const uint8_t* bytes, size_t length) override;
  void add(uint8_t byte) { add(&byte, 1); }
  // Ends the stream: the closing pad and the last word. Later calls do
  // nothing until reset().
  void finish() override;

  // n[0..WORD_NGRAM_BUCKETS-1]; complete once finish() has run. A count
  // that would pass UINT32_MAX stays there.
  const uint32_t* counts() const { return counts_.data(); }
  // N: the features counted, with multiplicity.
  uint64_t features() const { return features_; }
  // Bytes of the padded stream so far.
  uint64_t paddedLength() const { return length_; }
  // The buckets whose counts are not 0, each once, in rising order.
  std::vector<uint32_t> usedBuckets() const;
  // The counts, and the buckets a short stream touched, in the order first
  // counted.
  FeatureCounts featureCounts() const override {
    if (!listing_) return {counts(), {}};
    return {counts(), {nullptr, touched_.data(), touched_.size()}};
  }

 private:
  void emit(uint8_t byte);  // one folded byte, with the opening pad
  void push(uint8_t byte);  // one byte of the padded stream
  void bump(uint32_t hash);

  // Streams that touch at most this many buckets clear only those.
  static constexpr size_t LISTED_BUCKETS = 16384;

  std::vector<uint32_t> counts_;
  std::vector<uint32_t> touched_;
  bool listing_ = true;
  const uint16_t* fold_;
  // Hashes of the windows of 1, 2, 3 and 4 bytes ending at the last byte.
  uint32_t prefixes_[4] = {FNV1A_BASIS, FNV1A_BASIS, FNV1A_BASIS, FNV1A_BASIS};
  uint32_t wordHash_ = FNV1A_BASIS;
  size_t wordLength_ = 0;
  uint64_t length_ = 0;
  uint64_t features_ = 0;
  uint8_t heldLead_ = 0;  // a lead byte waiting for its next byte; 0: none
  uint8_t last_ = 0;
  bool finished_ = false;
};

}  // namespace letterfreq
