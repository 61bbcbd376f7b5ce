// The steps that the plain and the SIMD scoring of the methods over the 255
// counts share (profiles/match.cpp, profiles/match_lane_steps.h): the
// sample's frequencies and how the sums of a block become scores. Internal
// to the scoring; nothing else includes it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "profiles/match.h"

namespace letterfreq {
namespace match_steps {

constexpr int LANES = LanguageTable::LANES;
constexpr int BLOCK_VALUES = PROFILE_SLOTS * LANES;

// The float nearest to 1/255; 255 of them added one by one make exactly 1.
constexpr float ONE_BYTE_SHARE = 1.0f / 255.0f;

// The sum of 255 counts. Held in 64 bits: a 32-bit sum of large counts
// would wrap and give negative frequencies; below 2^31 the float made from
// it is the same as from a 32-bit sum.
inline int64_t sumOfCounts(const int32_t* counts) {
  int64_t total = 0;
  for (int b = 0; b < PROFILE_SLOTS; ++b) total += counts[b];
  return total;
}

// q(b) = count of b / S for every byte value; 0/0 (NaN) when S is 0.
inline std::array<float, PROFILE_SLOTS> sampleFrequencies(
    const int32_t* counts) {
  const float total = static_cast<float>(sumOfCounts(counts));
  std::array<float, PROFILE_SLOTS> q;
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    q[b] = static_cast<float>(counts[b]) / total;
  }
  return q;
}

// Writes the sums of one block into `scores`, as 1 - sum or as they are,
// skipping the padding lanes.
inline void storeBlock(const float* sums, int block, bool fromOne,
                       std::vector<float>& scores) {
  for (int lane = 0; lane < LANES; ++lane) {
    const size_t e = static_cast<size_t>(block) * LANES + lane;
    if (e >= scores.size()) break;
    scores[e] = fromOne ? 1.0f - sums[lane] : sums[lane];
  }
}

}  // namespace match_steps
}  // namespace letterfreq
