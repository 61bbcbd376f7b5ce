// The n-gram sums in AVX2 lanes, for processors that have them (chosen at
// run time, see NgramLanes): sixteen languages per instruction, the same
// exact integer sums as the plain ones (profiles/ngram_match_lanes.cpp),
// with the partial sums of a column of four steps of languages held in
// registers (the column loop of profiles/ngram_lanes_steps.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sample/ngram_counter.h"

namespace letterfreq {
namespace ngram_lanes {

// Languages per AVX2 step; rows of the table are padded to a multiple of
// it.
constexpr size_t WIDE_STEP = 16;

// The largest -w and the largest count the lanes take as signed 16-bit
// numbers; with both at most this, a pair of products never overflows 32
// bits. Larger counts go straight into 64-bit sums.
constexpr int32_t NARROW_LIMIT = 32767;

// The model's table as the lanes read it: [bucket][language], `stride` (a
// multiple of WIDE_STEP) negated weights -w per bucket, every one at
// most NARROW_LIMIT so that it is also a signed 16-bit number, each row
// starting on a 64-byte boundary.
struct NarrowTable {
  const int16_t* negated;
  size_t stride;
  size_t languages;
  int32_t largest;  // the largest -w
};

// scores[L] += sum over `touched` of sampleCounts[b] * -w_L[b]. Only
// where processorHasAvx2() (util/target_instructions.h).
void addScoresWide(const NarrowTable& table, const uint32_t* sampleCounts,
                   TouchedBuckets touched, int64_t* scores);

}  // namespace ngram_lanes
}  // namespace letterfreq
