#include "profiles/match_lanes_wide.h"

#include "profiles/match_steps.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LETTERFREQ_WIDE_MATCH_LANES 1
#endif

namespace letterfreq {
namespace match_lanes {

#if defined(LETTERFREQ_WIDE_MATCH_LANES)

namespace {

using match_steps::BLOCK_VALUES;
using match_steps::LANES;
using match_steps::ONE_BYTE_SHARE;
using match_steps::storeBlock;

static_assert(LANES == 8, "one AVX2 vector per block of languages");

#define LETTERFREQ_AVX2 __attribute__((target("avx2")))

// The absolute value: the sign bit cleared, as fabs does.
LETTERFREQ_AVX2 inline __m256 absolute(__m256 x) {
  return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
}

// One term per lane for the block's eight languages at `i` in the table's
// arrays (block start + b * LANES), `lane` being the block's offset in the
// per-language arrays: the operations of the SSE2 terms, eight lanes wide.
struct DifferenceTerm {
  const float* freqs;
  LETTERFREQ_AVX2 __m256 operator()(__m256 qb, size_t i, size_t) const {
    return absolute(_mm256_sub_ps(qb, _mm256_loadu_ps(freqs + i)));
  }
};

struct DeviationsTerm {
  const float* freqs;
  const float* stdDevs;
  float k;
  LETTERFREQ_AVX2 __m256 operator()(__m256 qb, size_t i, size_t) const {
    const __m256 p = _mm256_loadu_ps(freqs + i);
    const __m256 w = absolute(
        _mm256_mul_ps(_mm256_set1_ps(k), _mm256_loadu_ps(stdDevs + i)));
    const __m256 loA = _mm256_sub_ps(p, w);
    const __m256 hiA = _mm256_add_ps(p, w);
    // loA <= q <= hiA has the truth value of the plain band test (see the
    // SSE2 term); the comparison of SSE2's cmpleps.
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(loA, qb, _CMP_LE_OS),
                                        _mm256_cmp_ps(qb, hiA, _CMP_LE_OS));
    return _mm256_and_ps(inside, _mm256_set1_ps(ONE_BYTE_SHARE));
  }
};

struct TendencyPullTerm {
  const float* freqs;
  const float* weightedFreqs;
  const float* entriesPlusOne;
  LETTERFREQ_AVX2 __m256 operator()(__m256 qb, size_t i, size_t lane) const {
    const __m256 pulled = _mm256_add_ps(_mm256_loadu_ps(weightedFreqs + i), qb);
    const __m256 m =
        _mm256_div_ps(pulled, _mm256_loadu_ps(entriesPlusOne + lane));
    const __m256 p = _mm256_loadu_ps(freqs + i);
    return _mm256_mul_ps(_mm256_set1_ps(2.0f), absolute(_mm256_sub_ps(p, m)));
  }
};

// The sums of BLOCKS blocks from `first` on, each lane adding its terms in
// rising byte order; the blocks side by side, so that the additions of one
// do not wait for those of another.
template <int BLOCKS, typename Term>
LETTERFREQ_AVX2 void sumBlocks(const float* q, int first, const Term& term,
                               bool fromOne, std::vector<float>& scores) {
  __m256 sums[BLOCKS];
  size_t starts[BLOCKS], lanes[BLOCKS];
#pragma GCC unroll 8
  for (int k = 0; k < BLOCKS; ++k) {
    starts[k] = size_t{1} * (first + k) * BLOCK_VALUES;
    lanes[k] = size_t{1} * (first + k) * LANES;
    sums[k] = _mm256_setzero_ps();
  }
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    const __m256 qb = _mm256_set1_ps(q[b]);
    const size_t at = size_t{1} * b * LANES;
#pragma GCC unroll 8
    for (int k = 0; k < BLOCKS; ++k) {
      sums[k] = _mm256_add_ps(sums[k], term(qb, starts[k] + at, lanes[k]));
    }
  }
  for (int k = 0; k < BLOCKS; ++k) {
    float block[LANES];
    _mm256_storeu_ps(block, sums[k]);
    storeBlock(block, first + k, fromOne, scores);
  }
}

// Up to eight blocks are summed side by side (the registers hold no more);
// more go in groups of nearly equal size (15 as 8 and 7, not 8, 4, 2 and
// 1), since a group of few blocks waits on its additions.
template <typename Term>
LETTERFREQ_AVX2 void scoreAll(const float* q, const LanguageTable& table,
                              const Term& term, bool fromOne,
                              std::vector<float>& scores) {
  using Sum =
      void (*)(const float*, int, const Term&, bool, std::vector<float>&);
  static constexpr Sum SUMS[] = {
      nullptr,           sumBlocks<1, Term>, sumBlocks<2, Term>,
      sumBlocks<3, Term>, sumBlocks<4, Term>, sumBlocks<5, Term>,
      sumBlocks<6, Term>, sumBlocks<7, Term>, sumBlocks<8, Term>};
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks;) {
    const int left = table.blocks - block;
    const int group = left <= 8 ? left : left >= 16 ? 8 : (left + 1) / 2;
    SUMS[group](q, block, term, fromOne, scores);
    block += group;
  }
}

}  // namespace

bool wideLanesAvailable() {
  static const bool available = __builtin_cpu_supports("avx2") != 0;
  return available;
}

void scoreDifferenceWide(const float* q, const LanguageTable& table,
                         std::vector<float>& scores) {
  scoreAll(q, table, DifferenceTerm{table.freqs.data()}, true, scores);
}

void scoreDeviationsWide(const float* q, const LanguageTable& table, int k,
                         std::vector<float>& scores) {
  const DeviationsTerm term{table.freqs.data(), table.stdDevs.data(),
                            static_cast<float>(k)};
  scoreAll(q, table, term, false, scores);
}

void scoreTendencyPullWide(const float* q, const LanguageTable& table,
                           std::vector<float>& scores) {
  const TendencyPullTerm term{table.freqs.data(), table.weightedFreqs.data(),
                              table.entriesPlusOne.data()};
  scoreAll(q, table, term, true, scores);
}

#else  // no AVX2 on this architecture

bool wideLanesAvailable() { return false; }
void scoreDifferenceWide(const float*, const LanguageTable&,
                         std::vector<float>&) {}
void scoreDeviationsWide(const float*, const LanguageTable&, int,
                         std::vector<float>&) {}
void scoreTendencyPullWide(const float*, const LanguageTable&,
                           std::vector<float>&) {}

#endif

}  // namespace match_lanes
}  // namespace letterfreq
