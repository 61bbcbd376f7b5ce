// The scoring of the methods over the 255 counts in 256-bit AVX2 lanes, for
// processors that have them (chosen at run time, profiles/match.cpp): a
// whole block of eight languages per instruction, built from the steps of
// profiles/match_lane_steps.h.
#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "profiles/match_lanes.h"
#include "profiles/match_steps.h"
#include "util/target_instructions.h"

#if defined(LETTERFREQ_AVX2_BUILT)
#include <immintrin.h>

// Everything defined from here on, the shared steps included, is compiled
// for AVX2; it runs only where avx2Scorers() hands it out.
LETTERFREQ_TARGET_BEGIN("avx2")
#include "profiles/match_lane_steps.h"

namespace letterfreq {
namespace {

struct WideLanes {
  using Vector = __m256;
  static constexpr int WIDTH = 8;
  // Eight sums fill half the sixteen registers; the rest hold the terms.
  static constexpr int MOST_BLOCKS = 8;

  static Vector zero() { return _mm256_setzero_ps(); }
  static Vector splat(float x) { return _mm256_set1_ps(x); }
  static Vector load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, Vector v) { _mm256_storeu_ps(p, v); }
  static Vector add(Vector a, Vector b) { return _mm256_add_ps(a, b); }
  static Vector sub(Vector a, Vector b) { return _mm256_sub_ps(a, b); }
  static Vector mul(Vector a, Vector b) { return _mm256_mul_ps(a, b); }
  static Vector div(Vector a, Vector b) { return _mm256_div_ps(a, b); }
  static Vector absolute(Vector x) {
    return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
  }
  // The comparison of SSE2's cmpleps.
  static Vector atMost(Vector a, Vector b) {
    return _mm256_cmp_ps(a, b, _CMP_LE_OS);
  }
  static Vector both(Vector a, Vector b) { return _mm256_and_ps(a, b); }
};

}  // namespace
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace match_lanes {

const Scorers* avx2Scorers() {
  static const Scorers lanes{laneDifference<WideLanes>,
                             laneDeviations<WideLanes>,
                             laneTendencyPull<WideLanes>};
  return processorHasAvx2() ? &lanes : nullptr;
}

}  // namespace match_lanes
}  // namespace letterfreq

#else  // no AVX2 on this architecture

namespace letterfreq {
namespace match_lanes {

const Scorers* avx2Scorers() { return nullptr; }

}  // namespace match_lanes
}  // namespace letterfreq

#endif
