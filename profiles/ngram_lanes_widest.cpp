// The AVX-512 lanes of the n-gram sums (profiles/ngram_lanes_wide.h).
#include "profiles/ngram_lanes_wide.h"

// Before the target region: what it includes again then adds nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sample/target_instructions.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTERFREQ_NGRAM_AVX512 1
#include <immintrin.h>
#endif

#if defined(LETTERFREQ_NGRAM_AVX512)
// Everything defined from here on, the column loop included, is compiled
// for AVX-512; it runs only where widestLanesAvailable() says so.
LETTERFREQ_TARGET_BEGIN("avx512f,avx512bw")
#include "profiles/ngram_lanes_steps.h"

namespace letterfreq {
namespace ngram_lanes {
namespace {

struct Avx512Lanes {
  using Vector = __m512i;
  static constexpr size_t STEP = WIDEST_STEP;
  static Vector zero() { return _mm512_setzero_si512(); }
  static Vector load(const int16_t* row) {
    return _mm512_load_si512(reinterpret_cast<const __m512i*>(row));
  }
  static Vector broadcast(uint32_t pair) {
    return _mm512_set1_epi32(static_cast<int32_t>(pair));
  }
  static void addPairs(Vector& low, Vector& high, Vector a, Vector b,
                       Vector times) {
    low = _mm512_add_epi32(
        low, _mm512_madd_epi16(_mm512_unpacklo_epi16(a, b), times));
    high = _mm512_add_epi32(
        high, _mm512_madd_epi16(_mm512_unpackhi_epi16(a, b), times));
  }
  static void store(int32_t* out, Vector sums) {
    _mm512_store_si512(reinterpret_cast<__m512i*>(out), sums);
  }
};

}  // namespace

void addScoresWidest(const NarrowTable& table, const uint32_t* sampleCounts,
                   TouchedBuckets touched, int64_t* scores) {
  addScoresIn<Avx512Lanes>(table, sampleCounts, touched, scores);
}

}  // namespace ngram_lanes
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace ngram_lanes {

bool widestLanesAvailable() {
  static const bool available = __builtin_cpu_supports("avx512f") != 0 &&
                                __builtin_cpu_supports("avx512bw") != 0;
  return available;
}

}  // namespace ngram_lanes
}  // namespace letterfreq

#else  // no AVX-512 on this architecture

namespace letterfreq {
namespace ngram_lanes {

bool widestLanesAvailable() { return false; }

void addScoresWidest(const NarrowTable&, const uint32_t*,
                   TouchedBuckets, int64_t*) {}

}  // namespace ngram_lanes
}  // namespace letterfreq

#endif
