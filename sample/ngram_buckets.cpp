// The lanes of sample/ngram_buckets.h: AVX2, half a block a step.
#include "sample/ngram_buckets.h"
#include "sample/ngram_counter.h"
#include "util/target_instructions.h"

#if defined(LETTERFREQ_AVX2_BUILT)
#include <immintrin.h>

// Compiled for AVX2; it runs only where available() says so.
LETTERFREQ_TARGET_BEGIN("avx2")
#include "sample/ngram_bucket_steps.h"

namespace letterfreq {
namespace ngram_buckets {
namespace {

struct Avx2Lanes {
  using Vector = __m256i;
  static constexpr size_t WIDTH = 8;
  static Vector load(const uint8_t* bytes) {
    return _mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)));
  }
  static Vector broadcast(uint32_t hash) {
    return _mm256_set1_epi32(static_cast<int>(hash));
  }
  static Vector times(Vector v) {
    return _mm256_mullo_epi32(v, broadcast(FNV1A_PRIME));
  }
  static Vector xorOf(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
  static Vector shiftIn(Vector v, Vector before) {
    // Each rotated up by a lane; lane 0 then taken from `before`.
    const Vector up = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
    return _mm256_blend_epi32(_mm256_permutevar8x32_epi32(v, up),
                              _mm256_permutevar8x32_epi32(before, up), 1);
  }
  static void storeBuckets(uint16_t* out, Vector hashes) {
    const Vector folded =
        _mm256_and_si256(xorOf(_mm256_srli_epi32(hashes, 14), hashes),
                         broadcast(NGRAM_BUCKETS - 1));
    // The buckets fit in 15 bits, so packing the two halves with signed
    // saturation keeps them, in order.
    const __m128i packed = _mm_packs_epi32(_mm256_castsi256_si128(folded),
                                           _mm256_extracti128_si256(folded, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
  }
  static uint32_t lastLane(Vector v) {
    return static_cast<uint32_t>(_mm256_extract_epi32(v, 7));
  }
};

}  // namespace

void find(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
          uint16_t* buckets) {
  findInLanes<Avx2Lanes>(bytes, blocks, hashes, buckets);
}

}  // namespace ngram_buckets
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace ngram_buckets {

bool available() { return processorHasAvx2(); }

}  // namespace ngram_buckets
}  // namespace letterfreq

#else  // no AVX2 on this architecture

namespace letterfreq {
namespace ngram_buckets {

bool available() { return false; }

void find(const uint8_t*, size_t, WindowHashes&, uint16_t*) {}

}  // namespace ngram_buckets
}  // namespace letterfreq

#endif
