// The WIDEST lanes of sample/ngram_buckets.h: AVX-512, a block a step.
#include "sample/ngram_buckets.h"
#include "sample/ngram_counter.h"
#include "sample/target_instructions.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTERFREQ_NGRAM_BUCKETS_AVX512 1
#include <immintrin.h>
#endif

#if defined(LETTERFREQ_NGRAM_BUCKETS_AVX512)
// Compiled for AVX-512; it runs only where widestAvailable() says so.
LETTERFREQ_TARGET_BEGIN("avx512f,avx512bw")
#include "sample/ngram_bucket_steps.h"

namespace letterfreq {
namespace ngram_buckets {
namespace {

// Every lane. The masked forms of the instructions are used where GCC's
// unmasked ones start from an undefined register, which it warns of.
constexpr __mmask16 ALL = 0xFFFF;

struct Avx512Lanes {
  using Vector = __m512i;
  static constexpr size_t WIDTH = 16;
  static Vector load(const uint8_t* bytes) {
    return _mm512_maskz_cvtepu8_epi32(
        ALL, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
  }
  static Vector broadcast(uint32_t hash) {
    return _mm512_set1_epi32(static_cast<int>(hash));
  }
  static Vector times(Vector v) {
    return _mm512_mullo_epi32(v, broadcast(FNV1A_PRIME));
  }
  static Vector xorOf(Vector a, Vector b) { return _mm512_xor_si512(a, b); }
  static Vector shiftIn(Vector v, Vector before) {
    return _mm512_maskz_alignr_epi32(ALL, v, before, 15);
  }
  static void storeBuckets(uint16_t* out, Vector hashes) {
    const Vector folded = _mm512_and_si512(
        xorOf(_mm512_maskz_srli_epi32(ALL, hashes, 14), hashes),
        broadcast(NGRAM_BUCKETS - 1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm512_maskz_cvtepi32_epi16(ALL, folded));
  }
  static uint32_t lastLane(Vector v) {
    return static_cast<uint32_t>(
        _mm_extract_epi32(_mm512_maskz_extracti32x4_epi32(0xF, v, 3), 3));
  }
};

}  // namespace

void findWidest(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
                uint16_t* buckets) {
  findInLanes<Avx512Lanes>(bytes, blocks, hashes, buckets);
}

}  // namespace ngram_buckets
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace ngram_buckets {

bool widestAvailable() {
  static const bool available = __builtin_cpu_supports("avx512f") != 0 &&
                                __builtin_cpu_supports("avx512bw") != 0;
  return available;
}

}  // namespace ngram_buckets
}  // namespace letterfreq

#else  // no AVX-512 on this architecture

namespace letterfreq {
namespace ngram_buckets {

bool widestAvailable() { return false; }

void findWidest(const uint8_t*, size_t, WindowHashes&, uint16_t*) {}

}  // namespace ngram_buckets
}  // namespace letterfreq

#endif
