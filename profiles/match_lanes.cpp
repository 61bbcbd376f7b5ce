// The scoring of the methods over the 255 counts in SSE2 lanes, four
// languages per instruction, or in AVX2 lanes where the processor has them
// (profiles/match_lanes_wide.cpp). Each lane does exactly the float
// operations of the plain version (profiles/match.cpp) in the same order,
// so every score is the same float bit for bit; only several lanes go at
// once, and blocks of languages are summed side by side so that the
// additions of one do not wait for those of another.
#include <array>
#include <cmath>

#include "profiles/match.h"
#include "profiles/match_lanes_wide.h"
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
using match_steps::storeBlock;
using match_steps::sumOfCounts;

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

using Frequencies = std::array<float, PROFILE_SLOTS>;

// match_steps::sampleFrequencies four at a time: the same conversions and
// divisions, so the same floats.
Frequencies laneFrequencies(const int32_t* counts) {
  const float total = static_cast<float>(sumOfCounts(counts));
  const __m128 totals = _mm_set1_ps(total);
  Frequencies q;
  int b = 0;
  for (; b + 4 <= PROFILE_SLOTS; b += 4) {
    const __m128i four =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + b));
    _mm_storeu_ps(q.data() + b, _mm_div_ps(_mm_cvtepi32_ps(four), totals));
  }
  for (; b < PROFILE_SLOTS; ++b) q[b] = static_cast<float>(counts[b]) / total;
  return q;
}

template <typename Term>
void scoreAll(const Frequencies& q, const LanguageTable& table,
              const Term& term, bool fromOne, std::vector<float>& scores) {
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

namespace basic {

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  const DifferenceTerm term{table.freqs.data()};
  scoreAll(laneFrequencies(sampleCounts), table, term, true, scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  const DeviationsTerm term{table.freqs.data(), table.stdDevs.data(),
                            _mm_set1_ps(static_cast<float>(k))};
  scoreAll(laneFrequencies(sampleCounts), table, term, false, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  const TendencyPullTerm term{table.freqs.data(), table.weightedFreqs.data(),
                              table.entriesPlusOne.data()};
  scoreAll(laneFrequencies(sampleCounts), table, term, true, scores);
}

}  // namespace basic

#else  // no SIMD lanes built: the plain versions

namespace {

using Frequencies = std::array<float, PROFILE_SLOTS>;

Frequencies laneFrequencies(const int32_t* counts) {
  return match_steps::sampleFrequencies(counts);
}

}  // namespace

namespace basic {

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

}  // namespace basic

#endif

// The widest lanes this processor runs.
void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  if (!match_lanes::wideLanesAvailable()) {
    basic::scoreDifference(sampleCounts, table, scores);
    return;
  }
  match_lanes::scoreDifferenceWide(laneFrequencies(sampleCounts).data(), table,
                                   scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  if (!match_lanes::wideLanesAvailable()) {
    basic::scoreDeviations(sampleCounts, table, k, scores);
    return;
  }
  match_lanes::scoreDeviationsWide(laneFrequencies(sampleCounts).data(), table,
                                   k, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  if (!match_lanes::wideLanesAvailable()) {
    basic::scoreTendencyPull(sampleCounts, table, scores);
    return;
  }
  match_lanes::scoreTendencyPullWide(laneFrequencies(sampleCounts).data(),
                                     table, scores);
}

}  // namespace letterfreq
