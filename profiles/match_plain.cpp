#include "profiles/match_plain.h"

#include <cmath>

#include "profiles/match_steps.h"

namespace letterfreq {

namespace {

using match_steps::BLOCK_VALUES;
using match_steps::LANES;
using match_steps::ONE_BYTE_SHARE;
using match_steps::sampleFrequencies;
using match_steps::storeBlock;

// rangesOverlap(a, ea, b, 0), written out so that it can be inlined into
// the scoring loop; every bound and comparison is the same.
inline bool bandHolds(float a, float ea, float b) {
  const float loA = a - std::fabs(ea);
  const float hiA = a + std::fabs(ea);
  const float loB = b - 0.0f;
  const float hiB = b + 0.0f;
  // Bitwise, not short-circuit: the same truth value, and no branches, so
  // the lanes of a block are compared together.
  return ((loB <= loA) & (loA <= hiB)) | ((loA <= loB) & (loB <= hiA));
}

}  // namespace

namespace plain {

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const float* p = table.freqs.data() + size_t{1} * block * BLOCK_VALUES;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        sums[lane] += std::fabs(qb - p[b * LANES + lane]);
      }
    }
    storeBlock(sums, block, true, scores);
  }
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  const float kf = static_cast<float>(k);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const size_t start = size_t{1} * block * BLOCK_VALUES;
    const float* p = table.freqs.data() + start;
    const float* sd = table.stdDevs.data() + start;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        const int i = b * LANES + lane;
        const float w = kf * sd[i];
        // Adding 0 leaves a sum unchanged, so the sum needs no branch.
        sums[lane] += bandHolds(p[i], w, qb) ? ONE_BYTE_SHARE : 0.0f;
      }
    }
    storeBlock(sums, block, false, scores);
  }
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const size_t start = size_t{1} * block * BLOCK_VALUES;
    const float* p = table.freqs.data() + start;
    const float* np = table.weightedFreqs.data() + start;
    const float* n1 = table.entriesPlusOne.data() + size_t{1} * block * LANES;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        const int i = b * LANES + lane;
        // n x p + q rounded to a float, then divided and rounded again.
        const float pulled = np[i] + qb;
        const float m = pulled / n1[lane];
        sums[lane] += 2.0f * std::fabs(p[i] - m);
      }
    }
    storeBlock(sums, block, true, scores);
  }
}

}  // namespace plain
}  // namespace letterfreq
