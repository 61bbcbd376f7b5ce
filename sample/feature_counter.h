// What every feature set's counter gives a match: a sample's bucket counts
// n[b] and, where the counter listed them, the buckets it touched. A
// counter is a CountingAttachment, so it counts in the same pass as the
// byte counts. The kinds of counter and their rows are in
// profiles/feature_sets.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sample/counting_pass.h"

namespace letterfreq {

// The buckets of a sample whose counts are not 0, each once, in any order,
// where they are known (a counter lists them for short samples). Bucket
// ids are 16-bit for a set of at most 2^16 buckets, 32-bit beyond: one of
// the two pointers is set.
struct TouchedBuckets {
  const uint16_t* buckets = nullptr;      // null: not known, or wide ids
  const uint32_t* wideBuckets = nullptr;  // null: not known, or 16-bit ids
  size_t count = 0;
};

// One sample's counts of one feature set, borrowed from whoever counted
// them.
struct FeatureCounts {
  const uint32_t* counts = nullptr;  // n[b] of every bucket; null: not counted
  TouchedBuckets touched;
};

class FeatureCounter : public CountingAttachment {
 public:
  // The counts so far; complete once finish() has run.
  virtual FeatureCounts featureCounts() const = 0;
};

}  // namespace letterfreq
