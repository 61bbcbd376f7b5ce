#include "sample/counted_bytes.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

namespace {

constexpr size_t BLOCK = 64;
constexpr uint64_t ALL = ~0ull;
constexpr uint8_t CR = '\r';
constexpr uint8_t LF = '\n';

// Bit i of each mask stands for byte i of a block.
struct BlockClasses {
  uint64_t lt = 0, gt = 0, amp = 0, semi = 0;
  // The three white-space bytes that fold (CR read as LF).
  uint64_t blank = 0, tab = 0, newline = 0;
  // Never counted where tested: byte 255, and (with markup filtering) white
  // space equal to the byte before it (to `previous` for byte 0).
  uint64_t drop = 0;
};

#if defined(__SSE2__)
__m128i byteIs(__m128i v, char c) {
  return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
}

uint64_t bitsOf(__m128i v, int part) {
  return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)))
         << (16 * part);
}

// The 16 bytes at p with CR read as LF.
__m128i mappedBytes(const uint8_t* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm_xor_si128(v,
                       _mm_and_si128(byteIs(v, CR), _mm_set1_epi8(CR ^ LF)));
}

// The bytes before each byte of `m`: the last byte of `before` first.
__m128i priorBytes(__m128i m, __m128i before) {
  return _mm_or_si128(_mm_slli_si128(m, 1), _mm_srli_si128(before, 15));
}

__m128i foldingSpace(__m128i m) {
  return _mm_or_si128(_mm_or_si128(byteIs(m, ' '), byteIs(m, '\t')),
                      byteIs(m, LF));
}

// Writes the 64 bytes at p, CR read as LF, to `mapped`. When none of them
// is '<', '>' or '&' (text, where no byte changes the state), returns the
// bytes to leave out: byte 255 and (with FILTER) white space equal to the
// byte before; otherwise sets `markup`.
template <bool FILTER>
uint64_t textDrops(const uint8_t* p, uint8_t previous, uint8_t* mapped,
                   bool& markup) {
  __m128i before = _mm_slli_si128(_mm_cvtsi32_si128(previous), 15);
  __m128i marks = _mm_setzero_si128();
  __m128i drops[4];
#pragma GCC unroll 4
  for (int part = 0; part < 4; ++part) {
    const __m128i m = mappedBytes(p + 16 * part);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mapped + 16 * part), m);
    drops[part] = byteIs(m, -1);
    if (FILTER) {
      // '<' (60) and '>' (62) are the two bytes that are '>' with bit 1 set.
      marks = _mm_or_si128(
          marks, byteIs(_mm_or_si128(m, _mm_set1_epi8(2)), '>'));
      marks = _mm_or_si128(marks, byteIs(m, '&'));
      drops[part] = _mm_or_si128(
          drops[part], _mm_and_si128(foldingSpace(m),
                                     _mm_cmpeq_epi8(m, priorBytes(m, before))));
      before = m;
    }
  }
  const __m128i any = _mm_or_si128(
      marks, _mm_or_si128(_mm_or_si128(drops[0], drops[1]),
                          _mm_or_si128(drops[2], drops[3])));
  markup = false;
  if (_mm_movemask_epi8(any) == 0) return 0;
  markup = _mm_movemask_epi8(marks) != 0;
  return bitsOf(drops[0], 0) | bitsOf(drops[1], 1) | bitsOf(drops[2], 2) |
         bitsOf(drops[3], 3);
}

template <bool FILTER>
BlockClasses classify(const uint8_t* p, uint8_t previous, uint8_t* mapped) {
  BlockClasses c;
  __m128i before = _mm_slli_si128(_mm_cvtsi32_si128(previous), 15);
#pragma GCC unroll 4
  for (int part = 0; part < 4; ++part) {
    const __m128i m = mappedBytes(p + 16 * part);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mapped + 16 * part), m);
    __m128i drop = byteIs(m, -1);
    if (FILTER) {
      c.lt |= bitsOf(byteIs(m, '<'), part);
      c.gt |= bitsOf(byteIs(m, '>'), part);
      c.amp |= bitsOf(byteIs(m, '&'), part);
      c.semi |= bitsOf(byteIs(m, ';'), part);
      const __m128i blank = byteIs(m, ' '), tab = byteIs(m, '\t'),
                    newline = byteIs(m, LF);
      c.blank |= bitsOf(blank, part);
      c.tab |= bitsOf(tab, part);
      c.newline |= bitsOf(newline, part);
      const __m128i space = _mm_or_si128(_mm_or_si128(blank, tab), newline);
      drop = _mm_or_si128(
          drop, _mm_and_si128(space, _mm_cmpeq_epi8(m, priorBytes(m, before))));
      before = m;
    }
    c.drop |= bitsOf(drop, part);
  }
  return c;
}
#else
bool isFoldingSpace(uint8_t c) { return c == ' ' || c == '\t' || c == LF; }

template <bool FILTER>
BlockClasses classify(const uint8_t* p, uint8_t previous, uint8_t* mapped) {
  BlockClasses c;
  for (size_t i = 0; i < BLOCK; ++i) {
    const uint8_t m = p[i] == CR ? LF : p[i];
    mapped[i] = m;
    const uint64_t bit = 1ull << i;
    if (FILTER) {
      c.lt |= m == '<' ? bit : 0;
      c.gt |= m == '>' ? bit : 0;
      c.amp |= m == '&' ? bit : 0;
      c.semi |= m == ';' ? bit : 0;
      c.blank |= m == ' ' ? bit : 0;
      c.tab |= m == '\t' ? bit : 0;
      c.newline |= m == LF ? bit : 0;
      const uint8_t prior = i == 0 ? previous : mapped[i - 1];
      c.drop |= isFoldingSpace(m) && m == prior ? bit : 0;
    }
    c.drop |= m == 255 ? bit : 0;
  }
  return c;
}

template <bool FILTER>
uint64_t textDrops(const uint8_t* p, uint8_t previous, uint8_t* mapped,
                   bool& markup) {
  const BlockClasses c = classify<FILTER>(p, previous, mapped);
  markup = (c.lt | c.gt | c.amp) != 0;
  return c.drop;
}
#endif

// Bit i set where the last of `open` and `close` at or before byte i is an
// open; where neither came yet in the block, `carry`. Six doubling steps:
// after each, every bit knows the last mark in twice as many bytes.
template <unsigned SHIFT>
void widen(uint64_t& isOpen, uint64_t& seen) {
  isOpen |= (isOpen << SHIFT) & ~seen;
  seen |= seen << SHIFT;
}

uint64_t lastMarkIsOpen(uint64_t open, uint64_t close, bool carry) {
  uint64_t isOpen = open;
  uint64_t seen = open | close;
  widen<1>(isOpen, seen);
  widen<2>(isOpen, seen);
  widen<4>(isOpen, seen);
  widen<8>(isOpen, seen);
  widen<16>(isOpen, seen);
  widen<32>(isOpen, seen);
  return isOpen | (carry ? ~seen : 0);
}

// The tested bytes of class `same` that follow a gap of untested bytes
// (markup or an entity) whose last tested byte before it is of that class
// too; `sameBefore` tells whether the last tested byte before the block is.
// Adding the gap's leading byte to it carries across the gap into the
// byte after it.
uint64_t sameAcrossGap(uint64_t tested, uint64_t same, bool sameBefore) {
  const uint64_t untested = ~tested;
  const uint64_t leading = tested & (untested >> 1) & same;
  const uint64_t following = tested & ~((tested << 1) | 1);
  return ((untested | leading) + leading + sameBefore) & same & following;
}

// The bytes of a block the rule counts with markup filtering, from the
// first `valid` ones; moves `state` to the end of them.
uint64_t keptWithMarkup(const BlockClasses& c, const uint8_t* mapped,
                        uint64_t valid, unsigned last,
                        CountedBytesState& state) {
  // An '&' skips to the next ';' wherever it comes, so entities do not
  // depend on markup; '<' and '>' inside an entity are not examined.
  const uint64_t entity = lastMarkIsOpen(c.amp & valid, c.semi & valid,
                                         state.inEntity);
  const uint64_t entityBefore = (entity << 1) | state.inEntity;
  const uint64_t markup = lastMarkIsOpen(c.lt & valid & ~entityBefore,
                                         c.gt & valid & ~entityBefore,
                                         state.inMarkup);
  const uint64_t markupBefore = (markup << 1) | state.inMarkup;
  const uint64_t tested =
      valid & ~(entity | entityBefore | markupBefore | c.lt | c.gt);
  // `drop` compared each byte with the one before it. A tested byte after
  // one that is not follows a '>' or ';', so a white-space byte there is
  // compared with the last tested byte instead.
  const uint8_t previous = state.previous;
  const uint64_t folded =
      c.drop | sameAcrossGap(tested, c.blank, previous == ' ') |
      sameAcrossGap(tested, c.tab, previous == '\t') |
      sameAcrossGap(tested, c.newline, previous == LF);
  state.inEntity = (entity >> last) & 1;
  state.inMarkup = (markup >> last) & 1;
  if (tested != 0) state.previous = mapped[63 - __builtin_clzll(tested)];
  return tested & ~folded;
}

// Copies 64 bytes; `to` may lie below `from` in the same bytes, as each
// 16 bytes are read before they can be overwritten.
void copy64(const uint8_t* from, uint8_t* to) {
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

// Copies the bytes of `mapped` whose bit is set in `keep` to `out`, a span
// of consecutive ones at a time (64 bytes written each, the surplus
// overwritten by the next span).
void copyKept(const uint8_t* mapped, uint64_t keep, uint8_t*& out) {
  while (keep != 0) {
    const unsigned start = __builtin_ctzll(keep);
    const uint64_t rest = ~(keep >> start);
    const unsigned length =
        rest == 0 ? BLOCK - start : __builtin_ctzll(rest);
    copy64(mapped + start, out);
    out += length;
    keep = start + length >= BLOCK ? 0 : keep & (ALL << (start + length));
  }
}

// Adds 64 bytes to four tables in turn.
inline void tally64(CountedTables tables, const uint8_t* p) {
#pragma GCC unroll 16
  for (size_t k = 0; k < BLOCK; k += 4) {
    ++tables[0][p[k]];
    ++tables[1][p[k + 1]];
    ++tables[2][p[k + 2]];
    ++tables[3][p[k + 3]];
  }
}

// Adds `length` bytes to four tables in turn.
void tally(CountedTables tables, const uint8_t* p, size_t length) {
  size_t i = 0;
  for (; i + 16 <= length; i += 16) {
    for (size_t k = 0; k < 16; k += 4) {
      ++tables[0][p[i + k]];
      ++tables[1][p[i + k + 1]];
      ++tables[2][p[i + k + 2]];
      ++tables[3][p[i + k + 3]];
    }
  }
  for (; i < length; ++i) ++tables[0][p[i]];
}

// Takes the bytes whose bit is set in `drop` out of the 64 at `bytes`,
// moving the rest down, one at a time from the last (mostly there is one);
// returns the end of what is left.
uint8_t* dropBytes(uint8_t* bytes, uint64_t drop) {
  for (uint64_t left = drop; left != 0;) {
    const unsigned i = 63 - __builtin_clzll(left);
    copy64(bytes + i + 1, bytes + i);
    left &= ~(1ull << i);
  }
  return bytes + BLOCK - __builtin_popcountll(drop);
}

// One call's gathering: where the counted bytes go and which of them are
// counted already.
template <bool FILTER>
class Gathering {
 public:
  Gathering(CountedBytesState& state, uint8_t* out, CountedTables tables)
      : state_(state), out_(out), counted_(out), tables_(tables) {}

  uint8_t* out() const { return out_; }

  // A whole block in text: true when it is done, false when it holds
  // markup and must be classified.
  bool text(const uint8_t* block) {
    bool markup = false;
    const uint64_t drop = textDrops<FILTER>(block, state_.previous, out_,
                                            markup);
    if (markup) return false;
    countGathered();
    state_.previous = out_[BLOCK - 1];
    // All 64 counted from the source (a CR in slot '\r'), then the ones
    // left out taken off again: mostly none, at times one.
    tally64(tables_, block);
    for (uint64_t left = drop; left != 0; left &= left - 1) {
      const unsigned i = __builtin_ctzll(left);
      --tables_[i % 4][block[i]];
    }
    out_ = drop == 0 ? out_ + BLOCK : dropBytes(out_, drop);
    counted_ = out_;
    return true;
  }

  // The first n bytes of a block, markup or not; true when the next block
  // is likely text.
  bool classified(const uint8_t* block, size_t n) {
    alignas(16) uint8_t mapped[2 * BLOCK];
    const BlockClasses c = classify<FILTER>(block, state_.previous, mapped);
    const uint64_t valid = n == BLOCK ? ALL : (1ull << n) - 1;
    const uint64_t keep =
        FILTER ? keptWithMarkup(c, mapped, valid, n - 1, state_)
               : valid & ~c.drop;
    if (keep == ALL) {
      copy64(mapped, out_);
      out_ += BLOCK;
    } else {
      copyKept(mapped, keep, out_);
    }
    return !FILTER || (((c.lt | c.gt | c.amp) & valid) == 0 &&
                       !state_.inMarkup && !state_.inEntity);
  }

  // Counts what was gathered and not counted yet.
  void countGathered() {
    if (counted_ == out_) return;
    tally(tables_, counted_, static_cast<size_t>(out_ - counted_));
    counted_ = out_;
  }

 private:
  CountedBytesState& state_;
  uint8_t* out_;
  uint8_t* counted_;
  CountedTables tables_;
};

template <bool FILTER>
const uint8_t* gather(const uint8_t* p, const uint8_t* end,
                      CountedBytesState& stateAtStart, uint8_t*& out,
                      const uint8_t* outEnd, CountedTables tables) {
  // A copy, so the stores of bytes need not reload it.
  CountedBytesState state = stateAtStart;
  Gathering<FILTER> gathering(state, out, tables);
  // Text blocks come in runs: after one, the next is tried as text first;
  // after markup, it is classified at once.
  bool textBefore = !state.inMarkup && !state.inEntity;
  for (; p + BLOCK <= end && gathering.out() <= outEnd; p += BLOCK) {
    if (textBefore && gathering.text(p)) continue;
    textBefore = gathering.classified(p, BLOCK);
  }
  if (p < end && gathering.out() <= outEnd) {  // the last few bytes
    alignas(16) uint8_t tail[BLOCK] = {};
    std::memcpy(tail, p, static_cast<size_t>(end - p));
    gathering.classified(tail, static_cast<size_t>(end - p));
    p = end;
  }
  gathering.countGathered();
  stateAtStart = state;
  out = gathering.out();
  return p;
}

}  // namespace

const uint8_t* gatherCountedBytes(const uint8_t* p, const uint8_t* end,
                                  bool filterMarkup, CountedBytesState& state,
                                  uint8_t*& out, const uint8_t* outEnd,
                                  CountedTables tables) {
  return filterMarkup ? gather<true>(p, end, state, out, outEnd, tables)
                      : gather<false>(p, end, state, out, outEnd, tables);
}

}  // namespace letterfreq
