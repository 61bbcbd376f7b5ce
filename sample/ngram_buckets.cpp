#include "sample/ngram_buckets.h"

#include "sample/ngram_counter.h"
#include "sample/target_instructions.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTERFREQ_NGRAM_BUCKETS_AVX512 1
#include <immintrin.h>
#endif

#if defined(LETTERFREQ_NGRAM_BUCKETS_AVX512)
// Compiled for AVX-512; it runs only where wideAvailable() says so.
LETTERFREQ_TARGET_BEGIN("avx512f,avx512bw")

namespace letterfreq {
namespace ngram_buckets {
namespace {

// Every lane. The masked forms of the instructions are used where GCC's
// unmasked ones start from an undefined register, which it warns of.
constexpr __mmask16 ALL = 0xFFFF;

inline __m512i times(__m512i hashes) {
  return _mm512_mullo_epi32(hashes,
                            _mm512_set1_epi32(static_cast<int>(FNV1A_PRIME)));
}

// Lane i: (shorter[i - 1] ^ bytes[i]) * prime, the windows ending at
// position i one byte longer than those ending before it; lane 0 extends
// the last lane of the block before.
inline __m512i extend(__m512i shorter, __m512i shorterBefore, __m512i bytes) {
  return times(_mm512_xor_si512(
      _mm512_maskz_alignr_epi32(ALL, shorter, shorterBefore, 15), bytes));
}

inline uint32_t lastLane(__m512i hashes) {
  return static_cast<uint32_t>(
      _mm_extract_epi32(_mm512_maskz_extracti32x4_epi32(0xF, hashes, 3), 3));
}

inline void storeBuckets(uint16_t* out, __m512i hashes) {
  const __m512i folded = _mm512_and_si512(
      _mm512_xor_si512(_mm512_maskz_srli_epi32(ALL, hashes, 14), hashes),
      _mm512_set1_epi32(NGRAM_BUCKETS - 1));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                      _mm512_maskz_cvtepi32_epi16(ALL, folded));
}

}  // namespace

void findWide(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
              uint16_t* buckets) {
  // Only the last lane of these is read: the windows ending before the run.
  __m512i one = _mm512_set1_epi32(static_cast<int>(hashes.one));
  __m512i two = _mm512_set1_epi32(static_cast<int>(hashes.two));
  __m512i three = _mm512_set1_epi32(static_cast<int>(hashes.three));
  const __m512i basis = _mm512_set1_epi32(static_cast<int>(FNV1A_BASIS));
  for (size_t k = 0; k < blocks; ++k, bytes += BLOCK, buckets += 3 * BLOCK) {
    const __m512i block = _mm512_maskz_cvtepu8_epi32(
        ALL, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    const __m512i first = times(_mm512_xor_si512(basis, block));
    const __m512i gram2 = extend(first, one, block);
    const __m512i gram3 = extend(gram2, two, block);
    const __m512i gram4 = extend(gram3, three, block);
    storeBuckets(buckets, gram2);
    storeBuckets(buckets + BLOCK, gram3);
    storeBuckets(buckets + 2 * BLOCK, gram4);
    one = first;
    two = gram2;
    three = gram3;
  }
  hashes = {lastLane(one), lastLane(two), lastLane(three)};
}

}  // namespace ngram_buckets
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace ngram_buckets {

bool wideAvailable() {
  static const bool available = __builtin_cpu_supports("avx512f") != 0 &&
                                __builtin_cpu_supports("avx512bw") != 0;
  return available;
}

}  // namespace ngram_buckets
}  // namespace letterfreq

#else  // no AVX-512 on this architecture

namespace letterfreq {
namespace ngram_buckets {

bool wideAvailable() { return false; }

void findWide(const uint8_t*, size_t, WindowHashes&, uint16_t*) {}

}  // namespace ngram_buckets
}  // namespace letterfreq

#endif

namespace letterfreq {

BucketLanes bestBucketLanes() {
  static const BucketLanes best =
      ngram_buckets::wideAvailable() ? BucketLanes::WIDE : BucketLanes::PLAIN;
  return best;
}

}  // namespace letterfreq
