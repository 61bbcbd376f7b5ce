#include "sample/counted_bytes.h"

#include <cstring>

#include "sample/counted_block_steps.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

namespace {

// The lane set every processor runs: SSE2 where there is SSE2, a byte at a
// time elsewhere; the bytes of a block and their copy-out go through a
// small buffer.
struct BasicLanes {
  // 64 bytes and room for a 64-byte read from any of them.
  struct Block {
    alignas(16) uint8_t mapped[2 * BLOCK];
  };

#if defined(__SSE2__)
  static __m128i byteIs(__m128i v, char c) {
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
  }

  static uint64_t bitsOf(__m128i v, int part) {
    return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)))
           << (16 * part);
  }

  static constexpr bool QUICK_TEXT_CHECK = true;

  // The bytes before each byte of `m`: the last byte of `before` first.
  static __m128i priorBytes(__m128i m, __m128i before) {
    return _mm_or_si128(_mm_slli_si128(m, 1), _mm_srli_si128(before, 15));
  }

  // The bytes go straight to `out`; the few blocks with bytes to leave
  // out are moved back through a Block.
  static uint8_t* text(const uint8_t* p, uint8_t previous, uint64_t valid,
                       uint8_t* out, bool& isText) {
    __m128i before = _mm_slli_si128(_mm_cvtsi32_si128(previous), 15);
    __m128i marks = _mm_setzero_si128();
    __m128i drops[4];
#pragma GCC unroll 4
    for (int part = 0; part < 4; ++part) {
      const __m128i m = mapped(p + 16 * part);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part), m);
      // '<' (60) and '>' (62) are the two bytes that are '>' with bit 1 set.
      marks = _mm_or_si128(marks,
                           byteIs(_mm_or_si128(m, _mm_set1_epi8(2)), '>'));
      marks = _mm_or_si128(marks, byteIs(m, '&'));
      const __m128i space = _mm_or_si128(
          _mm_or_si128(byteIs(m, ' '), byteIs(m, '\t')), byteIs(m, LF));
      drops[part] = _mm_or_si128(
          byteIs(m, -1),
          _mm_and_si128(space, _mm_cmpeq_epi8(m, priorBytes(m, before))));
      before = m;
    }
    isText = _mm_movemask_epi8(marks) == 0;
    if (!isText) return out;
    const uint64_t keep =
        valid & ~(bitsOf(drops[0], 0) | bitsOf(drops[1], 1) |
                  bitsOf(drops[2], 2) | bitsOf(drops[3], 3));
    if (keep == ALL) return out + BLOCK;
    Block block;
    std::memcpy(block.mapped, out, BLOCK);
    return store(block, keep, out);
  }

  // The 16 bytes at p with CR read as LF.
  static __m128i mapped(const uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_xor_si128(
        v, _mm_and_si128(byteIs(v, CR), _mm_set1_epi8(CR ^ LF)));
  }

  template <bool FILTER>
  static BlockClasses classify(const uint8_t* p, Block& block) {
    BlockClasses c;
#pragma GCC unroll 4
    for (int part = 0; part < 4; ++part) {
      const __m128i m = mapped(p + 16 * part);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(block.mapped + 16 * part),
                       m);
      c.byte255 |= bitsOf(byteIs(m, -1), part);
      if (FILTER) {
        c.lt |= bitsOf(byteIs(m, '<'), part);
        c.gt |= bitsOf(byteIs(m, '>'), part);
        c.amp |= bitsOf(byteIs(m, '&'), part);
        c.semi |= bitsOf(byteIs(m, ';'), part);
        c.blank |= bitsOf(byteIs(m, ' '), part);
        c.tab |= bitsOf(byteIs(m, '\t'), part);
        c.newline |= bitsOf(byteIs(m, LF), part);
      }
    }
    return c;
  }
#else
  // Without SSE2 classifying is as quick.
  static constexpr bool QUICK_TEXT_CHECK = false;

  template <bool FILTER>
  static BlockClasses classify(const uint8_t* p, Block& block) {
    BlockClasses c;
    for (size_t i = 0; i < BLOCK; ++i) {
      const uint8_t m = p[i] == CR ? LF : p[i];
      block.mapped[i] = m;
      const uint64_t bit = 1ull << i;
      c.byte255 |= m == 255 ? bit : 0;
      if (FILTER) {
        c.lt |= m == '<' ? bit : 0;
        c.gt |= m == '>' ? bit : 0;
        c.amp |= m == '&' ? bit : 0;
        c.semi |= m == ';' ? bit : 0;
        c.blank |= m == ' ' ? bit : 0;
        c.tab |= m == '\t' ? bit : 0;
        c.newline |= m == LF ? bit : 0;
      }
    }
    return c;
  }
#endif

  static uint64_t lastMarkIsOpen(uint64_t open, uint64_t close, bool carry) {
    return basicLastMarkIsOpen(open, close, carry);
  }

  // Copies 64 bytes; `to` may lie below `from` in the same bytes, as each
  // 16 bytes are read before they can be overwritten.
  static void copy64(const uint8_t* from, uint8_t* to) {
#if defined(__SSE2__)
#pragma GCC unroll 4
    for (int part = 0; part < 4; ++part) {
      _mm_storeu_si128(
          reinterpret_cast<__m128i*>(to + 16 * part),
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16 * part)));
    }
#else
    std::memmove(to, from, BLOCK);
#endif
  }

  // A span of consecutive kept bytes at a time (64 bytes written each, the
  // surplus overwritten by the next span).
  static uint8_t* store(const Block& block, uint64_t keep, uint8_t* out) {
    if (keep == ALL) {
      copy64(block.mapped, out);
      return out + BLOCK;
    }
    while (keep != 0) {
      const unsigned start = __builtin_ctzll(keep);
      const uint64_t rest = ~(keep >> start);
      const unsigned length =
          rest == 0 ? BLOCK - start : __builtin_ctzll(rest);
      copy64(block.mapped + start, out);
      out += length;
      keep = start + length >= BLOCK ? 0 : keep & (ALL << (start + length));
    }
    return out;
  }
};

}  // namespace

const uint8_t* gatherCountedBytes(const uint8_t* p, const uint8_t* end,
                                  bool filterMarkup, CountedBytesState& state,
                                  uint8_t*& out, const uint8_t* outEnd) {
  return filterMarkup
             ? gatherBlocks<BasicLanes, true>(p, end, state, out, outEnd)
             : gatherBlocks<BasicLanes, false>(p, end, state, out, outEnd);
}

}  // namespace letterfreq
