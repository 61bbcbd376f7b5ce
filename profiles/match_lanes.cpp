// The scoring of the methods over the 255 counts in SSE2 lanes, four
// languages per instruction. Each lane does exactly the float operations of
// the plain version (profiles/match.cpp) in the same order, so every score
// is the same float bit for bit; only several lanes go at once, and two
// blocks of languages are summed side by side so that the additions of one
// do not wait for those of the other.
#include <cmath>

#include "profiles/match.h"
#include "profiles/match_steps.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

#if defined(__SSE2__)

namespace {

using match_steps::BLOCK_VALUES;
using match_steps::LANES;
using match_steps::ONE_BYTE_SHARE;
using match_steps::sampleFrequencies;
using match_steps::storeBlock;

static_assert(LANES == 8, "two SSE vectors per block of languages");

// The absolute value: the sign bit cleared, as fabs does.
inline __m128 absolute(__m128 x) {
  return _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
}

// One term per lane for the four languages at `i` in the table's arrays
// (byte value b of a block's vector v: block start + b * LANES + 4 * v),
// `lane` being their offset in the per-language arrays; each method is a
// Term. The arrays go in as plain pointers, so nothing is read again
// from the table inside the loop.
struct DifferenceTerm {
  const float* freqs;
  __m128 operator()(__m128 qb, size_t i, size_t) const {
    return absolute(_mm_sub_ps(qb, _mm_loadu_ps(freqs + i)));
  }
};

struct DeviationsTerm {
  const float* freqs;
  const float* stdDevs;
  __m128 k;
  __m128 operator()(__m128 qb, size_t i, size_t) const {
    const __m128 p = _mm_loadu_ps(freqs + i);
    const __m128 w = absolute(_mm_mul_ps(k, _mm_loadu_ps(stdDevs + i)));
    const __m128 loA = _mm_sub_ps(p, w);
    const __m128 hiA = _mm_add_ps(p, w);
    // The plain test, with loB = hiB = q: (loB <= loA <= hiB) or (loA <=
    // loB <= hiA). Its first half means loA == q, which implies the second
    // as loA <= hiA always (both NaN-free, p - |w| <= p + |w| after
    // rounding), so the second half alone has the same truth value.
    const __m128 inside =
        _mm_and_ps(_mm_cmple_ps(loA, qb), _mm_cmple_ps(qb, hiA));
    // 1/255 where the band holds, +0 (which leaves the sum as it is) where
    // not.
    return _mm_and_ps(inside, _mm_set1_ps(ONE_BYTE_SHARE));
  }
};

struct TendencyPullTerm {
  const float* freqs;
  const float* weightedFreqs;
  const float* entriesPlusOne;
  __m128 operator()(__m128 qb, size_t i, size_t lane) const {
    // n x p + q rounded to a float, then divided and rounded again.
    const __m128 pulled = _mm_add_ps(_mm_loadu_ps(weightedFreqs + i), qb);
    const __m128 m = _mm_div_ps(pulled, _mm_loadu_ps(entriesPlusOne + lane));
    const __m128 p = _mm_loadu_ps(freqs + i);
    return _mm_mul_ps(_mm_set1_ps(2.0f), absolute(_mm_sub_ps(p, m)));
  }
};

// Stores the two vectors of sums of a block as its scores.
void storeSums(__m128 low, __m128 high, int block, bool fromOne,
               std::vector<float>& scores) {
  float lanes[LANES];
  _mm_storeu_ps(lanes, low);
  _mm_storeu_ps(lanes + 4, high);
  storeBlock(lanes, block, fromOne, scores);
}

// The sums of BLOCKS blocks from `first` on, each lane adding its terms in
// rising byte order. Several blocks side by side, so that the additions of one
// do not wait for those of another; the loops over them are unrolled so that
// the sums stay in registers.
template <int BLOCKS, typename Term>
void sumBlocks(const float* q, int first, const Term& term, bool fromOne,
               std::vector<float>& scores) {
  __m128 low[BLOCKS], high[BLOCKS];
  size_t starts[BLOCKS], lanes[BLOCKS];
#pragma GCC unroll 8
  for (int k = 0; k < BLOCKS; ++k) {
    const int block = first + k;
    starts[k] = size_t{1} * block * BLOCK_VALUES;
    lanes[k] = size_t{1} * block * LANES;
    low[k] = _mm_setzero_ps();
    high[k] = _mm_setzero_ps();
  }
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    const __m128 qb = _mm_set1_ps(q[b]);
    const size_t at = size_t{1} * b * LANES;
#pragma GCC unroll 8
    for (int k = 0; k < BLOCKS; ++k) {
      low[k] = _mm_add_ps(low[k], term(qb, starts[k] + at, lanes[k]));
      high[k] = _mm_add_ps(high[k], term(qb, starts[k] + at + 4, lanes[k] + 4));
    }
  }
#pragma GCC unroll 8
  for (int k = 0; k < BLOCKS; ++k) {
    storeSums(low[k], high[k], first + k, fromOne, scores);
  }
}

template <typename Term>
void scoreAll(const int32_t* sampleCounts, const LanguageTable& table,
              const Term& term, bool fromOne, std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  scores.assign(table.size, 0.0f);
  const int blocks = table.blocks;
  int block = 0;
  for (; block + 4 <= blocks; block += 4) {
    sumBlocks<4>(q.data(), block, term, fromOne, scores);
  }
  for (; block + 2 <= blocks; block += 2) {
    sumBlocks<2>(q.data(), block, term, fromOne, scores);
  }
  if (block < blocks) sumBlocks<1>(q.data(), block, term, fromOne, scores);
}

}  // namespace

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  const DifferenceTerm term{table.freqs.data()};
  scoreAll(sampleCounts, table, term, true, scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  const DeviationsTerm term{table.freqs.data(), table.stdDevs.data(),
                            _mm_set1_ps(static_cast<float>(k))};
  scoreAll(sampleCounts, table, term, false, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  const TendencyPullTerm term{table.freqs.data(), table.weightedFreqs.data(),
                              table.entriesPlusOne.data()};
  scoreAll(sampleCounts, table, term, true, scores);
}

#else  // no SIMD lanes built: the plain versions

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  plain::scoreDifference(sampleCounts, table, scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  plain::scoreDeviations(sampleCounts, table, k, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  plain::scoreTendencyPull(sampleCounts, table, scores);
}

#endif

}  // namespace letterfreq
