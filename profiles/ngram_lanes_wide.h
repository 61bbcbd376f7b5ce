// The n-gram scores in 256-bit AVX2 lanes, for processors that have them
// (chosen at run time, see NgramLanes): the same narrowed weights and the
// same exact integer sums as the SSE2 lanes (profiles/ngram_match_lanes.cpp),
// sixteen languages per instruction with the partial sums of a column of
// up to 64 languages held in registers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace letterfreq {
namespace ngram_lanes {

// Languages per AVX2 step; rows of the narrowed table are padded to it.
constexpr size_t WIDE_STEP = 16;

// The narrowed table as the lanes read it: [bucket][language], `stride`
// (a multiple of WIDE_STEP) weights per bucket.
struct NarrowTable {
  const int16_t* weights;
  size_t stride;
  size_t languages;
  int32_t largest;  // the largest |weight|
};

// Whether this processor runs the AVX2 lanes.
bool wideLanesAvailable();

// scores[L] += sum over `touched` of sampleCounts[b] * w_L[b], every count
// at most 32767. Only where wideLanesAvailable().
void addScoresWide(const NarrowTable& table, const uint32_t* sampleCounts,
                   const std::vector<uint32_t>& touched, int64_t* scores);

}  // namespace ngram_lanes
}  // namespace letterfreq
