#include "sample/counted_bytes_wide.h"

#include <cstddef>
#include <cstring>

#include "sample/target_instructions.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTERFREQ_WIDE_GATHER 1
#include <immintrin.h>
#endif

#if defined(LETTERFREQ_WIDE_GATHER)
// Everything defined from here on, the shared steps included, is compiled
// for these instructions; it runs only where available() says so.
LETTERFREQ_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt,pclmul")
#include "sample/counted_block_steps.h"

namespace letterfreq {
namespace {

struct WideLanes {
  struct Block {
    __m512i mapped;
  };
  // Classifying is as quick.
  static constexpr bool QUICK_TEXT_CHECK = false;

  static uint64_t byteIs(__m512i v, char c) {
    return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(c));
  }

  template <bool FILTER>
  static BlockClasses classify(const uint8_t* p, Block& block) {
    const __m512i v = _mm512_loadu_si512(p);
    const uint64_t cr = byteIs(v, CR);
    block.mapped = _mm512_mask_mov_epi8(v, cr, _mm512_set1_epi8(LF));
    BlockClasses c;
    c.byte255 = byteIs(v, -1);
    if (FILTER) {
      c.lt = byteIs(v, '<');
      c.gt = byteIs(v, '>');
      c.amp = byteIs(v, '&');
      c.semi = byteIs(v, ';');
      c.blank = byteIs(v, ' ');
      c.tab = byteIs(v, '\t');
      c.newline = byteIs(v, LF) | cr;
    }
    return c;
  }

  // As basicLastMarkIsOpen: the marks' kinds gathered into the low bits
  // (bit j: the j-th mark opens), the marks where the state changes put
  // back in place, and the state is the running parity of those changes.
  static uint64_t lastMarkIsOpen(uint64_t open, uint64_t close, bool carry) {
    const uint64_t marks = open | close;
    const uint64_t opens = _pext_u64(open, marks);
    const uint64_t changes =
        _pdep_u64(opens ^ ((opens << 1) | static_cast<uint64_t>(carry)),
                  marks);
    const __m128i parity = _mm_clmulepi64_si128(
        _mm_cvtsi64_si128(static_cast<long long>(changes)),
        _mm_set1_epi64x(-1), 0);
    const uint64_t state =
        static_cast<uint64_t>(_mm_cvtsi128_si64(parity));
    return carry ? ~state : state;
  }

  static uint8_t* store(const Block& block, uint64_t keep, uint8_t* out) {
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keep, block.mapped));
    return out + _mm_popcnt_u64(keep);
  }
};

}  // namespace

namespace counted_bytes_wide {

const uint8_t* gather(const uint8_t* p, const uint8_t* end, bool filterMarkup,
                      CountedBytesState& state, uint8_t*& out,
                      const uint8_t* outEnd) {
  return filterMarkup
             ? gatherBlocks<WideLanes, true>(p, end, state, out, outEnd)
             : gatherBlocks<WideLanes, false>(p, end, state, out, outEnd);
}

}  // namespace counted_bytes_wide
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace counted_bytes_wide {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") &&
         __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("pclmul");
}

}  // namespace counted_bytes_wide
}  // namespace letterfreq

#else

namespace letterfreq {
namespace counted_bytes_wide {

bool available() { return false; }

const uint8_t* gather(const uint8_t*, const uint8_t* end, bool,
                      CountedBytesState&, uint8_t*&, const uint8_t*) {
  return end;
}

}  // namespace counted_bytes_wide
}  // namespace letterfreq

#endif
