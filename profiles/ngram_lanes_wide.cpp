// The AVX2 lanes of the n-gram sums (profiles/ngram_lanes_wide.h).
#include "profiles/ngram_lanes_wide.h"

// Before the target region: what it includes again then adds nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "util/target_instructions.h"

#if defined(LETTERFREQ_AVX2_BUILT)
#include <immintrin.h>

// Everything defined from here on, the column loop included, is compiled
// for AVX2; it runs only where processorHasAvx2() says so.
LETTERFREQ_TARGET_BEGIN("avx2")
#include "profiles/ngram_lanes_steps.h"

namespace letterfreq {
namespace ngram_lanes {
namespace {

struct Avx2Lanes {
  using Vector = __m256i;
  static constexpr size_t STEP = WIDE_STEP;
  static Vector zero() { return _mm256_setzero_si256(); }
  static Vector load(const int16_t* row) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(row));
  }
  static Vector broadcast(uint32_t pair) {
    return _mm256_set1_epi32(static_cast<int32_t>(pair));
  }
  static void addPairs(Vector& low, Vector& high, Vector a, Vector b,
                       Vector times) {
    low = _mm256_add_epi32(
        low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), times));
    high = _mm256_add_epi32(
        high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), times));
  }
  static void store(int32_t* out, Vector sums) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(out), sums);
  }
};

}  // namespace

void addScoresWide(const NarrowTable& table, const uint32_t* sampleCounts,
                   TouchedBuckets touched, int64_t* scores) {
  addScoresIn<Avx2Lanes>(table, sampleCounts, touched, scores);
}

}  // namespace ngram_lanes
}  // namespace letterfreq
LETTERFREQ_TARGET_END

#else  // no AVX2 on this architecture

namespace letterfreq {
namespace ngram_lanes {

void addScoresWide(const NarrowTable&, const uint32_t*,
                   TouchedBuckets, int64_t*) {}

}  // namespace ngram_lanes
}  // namespace letterfreq

#endif
