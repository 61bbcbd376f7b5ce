#include "profiles/ngram_lanes_wide.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LETTERFREQ_WIDE_LANES 1
#endif

namespace letterfreq {
namespace ngram_lanes {

#if defined(LETTERFREQ_WIDE_LANES)

namespace {

// Languages per column: four AVX2 steps, eight 32-bit sum registers.
constexpr size_t COLUMN_STEPS = 4;
constexpr size_t COLUMN = COLUMN_STEPS * WIDE_STEP;
// Rows fetched this many buckets ahead.
constexpr size_t AHEAD = 8;

// The partial sums of STEPS steps into the 64-bit totals of the column.
// unpacklo/unpackhi work within 128-bit halves, so register `low` of a step
// holds languages 0-3 and 8-11 of it, `high` 4-7 and 12-15.
template <size_t STEPS>
__attribute__((target("avx2"))) void flushSums(__m256i* low, __m256i* high,
                                               int64_t* totals) {
  for (size_t k = 0; k < STEPS; ++k) {
    alignas(32) int32_t lo[8], hi[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lo), low[k]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(hi), high[k]);
    int64_t* step = totals + k * WIDE_STEP;
    for (size_t j = 0; j < 4; ++j) {
      step[j] += lo[j];
      step[j + 8] += lo[j + 4];
      step[j + 4] += hi[j];
      step[j + 12] += hi[j + 4];
    }
    low[k] = _mm256_setzero_si256();
    high[k] = _mm256_setzero_si256();
  }
}

__attribute__((target("avx2"))) void fetchRow(const int16_t* row,
                                              size_t length) {
  _mm_prefetch(reinterpret_cast<const char*>(row), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(row + length - 1), _MM_HINT_T0);
}

// The totals of the STEPS * 16 languages from `first`, two touched buckets
// at a time: (a, b) pairs multiplied by (timesA, timesB) and added pairwise.
template <size_t STEPS>
__attribute__((target("avx2"))) void addColumn(
    const NarrowTable& table, size_t first, const uint32_t* sampleCounts,
    const std::vector<uint32_t>& touched, int64_t* totals) {
  __m256i low[STEPS], high[STEPS];
  for (size_t k = 0; k < STEPS; ++k) {
    low[k] = high[k] = _mm256_setzero_si256();
  }
  const uint32_t limit =
      static_cast<uint32_t>(INT32_MAX / std::max<int32_t>(table.largest, 1));
  uint64_t pending = 0;
  const size_t count = touched.size();
  auto rowOf = [&table, &touched, first](size_t i) {
    return table.weights + table.stride * touched[i] + first;
  };
  for (size_t i = 0; i < count; i += 2) {
    if (i + AHEAD + 1 < count) {
      fetchRow(rowOf(i + AHEAD), STEPS * WIDE_STEP);
      fetchRow(rowOf(i + AHEAD + 1), STEPS * WIDE_STEP);
    }
    const bool both = i + 1 < count;
    const uint32_t timesA = sampleCounts[touched[i]];
    const uint32_t timesB = both ? sampleCounts[touched[i + 1]] : 0;
    if (pending + timesA + timesB > limit) {
      flushSums<STEPS>(low, high, totals);
      pending = 0;
    }
    pending += timesA + timesB;
    const int16_t* rowA = rowOf(i);
    const int16_t* rowB = both ? rowOf(i + 1) : rowA;
    const __m256i times =
        _mm256_set1_epi32(static_cast<int32_t>(timesA | (timesB << 16)));
#pragma GCC unroll 4
    for (size_t k = 0; k < STEPS; ++k) {
      const __m256i a = _mm256_load_si256(
          reinterpret_cast<const __m256i*>(rowA + k * WIDE_STEP));
      const __m256i b = _mm256_load_si256(
          reinterpret_cast<const __m256i*>(rowB + k * WIDE_STEP));
      low[k] = _mm256_add_epi32(
          low[k], _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), times));
      high[k] = _mm256_add_epi32(
          high[k], _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), times));
    }
  }
  flushSums<STEPS>(low, high, totals);
}

}  // namespace

bool wideLanesAvailable() {
  static const bool available = __builtin_cpu_supports("avx2") != 0;
  return available;
}

void addScoresWide(const NarrowTable& table, const uint32_t* sampleCounts,
                   const std::vector<uint32_t>& touched, int64_t* scores) {
  for (size_t first = 0; first < table.stride; first += COLUMN) {
    const size_t length = std::min(COLUMN, table.stride - first);
    int64_t totals[COLUMN] = {};
    switch (length / WIDE_STEP) {
      case 1:
        addColumn<1>(table, first, sampleCounts, touched, totals);
        break;
      case 2:
        addColumn<2>(table, first, sampleCounts, touched, totals);
        break;
      case 3:
        addColumn<3>(table, first, sampleCounts, touched, totals);
        break;
      default:
        addColumn<4>(table, first, sampleCounts, touched, totals);
        break;
    }
    for (size_t e = 0; e < length && first + e < table.languages; ++e) {
      scores[first + e] += totals[e];
    }
  }
}

#else  // no AVX2 on this architecture

bool wideLanesAvailable() { return false; }

void addScoresWide(const NarrowTable&, const uint32_t*,
                   const std::vector<uint32_t>&, int64_t*) {}

#endif

}  // namespace ngram_lanes
}  // namespace letterfreq
