// The scoring of the methods over the 255 counts in SSE2 lanes: two
// vectors of four languages per block. The AVX2 lanes are in
// profiles/match_lanes_wide.cpp; both are built from the steps of
// profiles/match_lane_steps.h.
#include "profiles/match_lanes.h"

#include "profiles/match_steps.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "profiles/match_lane_steps.h"
#endif

namespace letterfreq {
namespace match_lanes {

#if defined(__SSE2__)

namespace {

struct BasicLanes {
  using Vector = __m128;
  static constexpr int WIDTH = 4;
  // Four blocks of two vectors: eight sums, as in the AVX2 lanes.
  static constexpr int MOST_BLOCKS = 4;

  static Vector zero() { return _mm_setzero_ps(); }
  static Vector splat(float x) { return _mm_set1_ps(x); }
  static Vector load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, Vector v) { _mm_storeu_ps(p, v); }
  static Vector add(Vector a, Vector b) { return _mm_add_ps(a, b); }
  static Vector sub(Vector a, Vector b) { return _mm_sub_ps(a, b); }
  static Vector mul(Vector a, Vector b) { return _mm_mul_ps(a, b); }
  static Vector div(Vector a, Vector b) { return _mm_div_ps(a, b); }
  static Vector absolute(Vector x) {
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
  }
  static Vector atMost(Vector a, Vector b) { return _mm_cmple_ps(a, b); }
  static Vector both(Vector a, Vector b) { return _mm_and_ps(a, b); }
};

}  // namespace

Scorers basicScorers() {
  return {laneDifference<BasicLanes>, laneDeviations<BasicLanes>,
          laneTendencyPull<BasicLanes>};
}

std::array<float, PROFILE_SLOTS> laneFrequencies(const int32_t* counts) {
  const float total = static_cast<float>(match_steps::sumOfCounts(counts));
  const __m128 totals = _mm_set1_ps(total);
  std::array<float, PROFILE_SLOTS> q;
  int b = 0;
  for (; b + 4 <= PROFILE_SLOTS; b += 4) {
    const __m128i four =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + b));
    _mm_storeu_ps(q.data() + b, _mm_div_ps(_mm_cvtepi32_ps(four), totals));
  }
  for (; b < PROFILE_SLOTS; ++b) q[b] = static_cast<float>(counts[b]) / total;
  return q;
}

#else  // no SIMD lanes built: the plain scoring serves

Scorers basicScorers() { return {}; }

std::array<float, PROFILE_SLOTS> laneFrequencies(const int32_t* counts) {
  return match_steps::sampleFrequencies(counts);
}

#endif

}  // namespace match_lanes
}  // namespace letterfreq
