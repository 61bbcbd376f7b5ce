// The steps of gathering counted bytes 64 at a time (sample/counted_bytes.h)
// that do not depend on the vector instructions used, and the loop over a
// piece's blocks. The lane set (sample/counted_bytes.cpp) supplies:
//   Block                  a block's bytes, CR read as LF;
//   classify<FILTER>(p, b) the block's BlockClasses, its bytes into b;
//   QUICK_TEXT_CHECK       whether text(p, previous, valid, out, isText)
//                          is worth trying before classify where text is
//                          likely: when the block holds no '<', '>' or
//                          '&', sets isText and writes the counted bytes
//                          of the `valid` ones to out as store does;
//   lastMarkIsOpen(o, c, carry)  see basicLastMarkIsOpen below;
//   store(b, keep, out)    the bytes of b whose bit is set in `keep`, in
//                          order, to out (up to 64 bytes past them
//                          written); returns the end of them.
// Only sample/counted_bytes.cpp includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sample/counted_bytes.h"

namespace letterfreq {
namespace {

constexpr size_t BLOCK = 64;
constexpr uint64_t ALL = ~0ull;
constexpr uint8_t CR = '\r';
constexpr uint8_t LF = '\n';

// Bit i of each mask stands for byte i of a block (CR read as LF).
struct BlockClasses {
  uint64_t lt = 0, gt = 0, amp = 0, semi = 0;
  // The three white-space bytes that fold.
  uint64_t blank = 0, tab = 0, newline = 0;
  uint64_t byte255 = 0;  // never counted
};

// Bytes of class `same` right after one of that class; `before` tells
// whether the byte before the block is one.
inline uint64_t repeated(uint64_t same, bool before) {
  return same & ((same << 1) | static_cast<uint64_t>(before));
}

// Tested bytes not counted where every byte of the block is tested: byte
// 255 and white space equal to the byte before (`previous` for byte 0).
inline uint64_t droppedInText(const BlockClasses& c, uint8_t previous) {
  return c.byte255 | repeated(c.blank, previous == ' ') |
         repeated(c.tab, previous == '\t') |
         repeated(c.newline, previous == LF);
}

// Bit i set where the last of `open` and `close` at or before byte i is an
// open; where neither came yet in the block, `carry`. Six doubling steps:
// after each, every bit knows the last mark in twice as many bytes.
template <unsigned SHIFT>
void widen(uint64_t& isOpen, uint64_t& seen) {
  isOpen |= (isOpen << SHIFT) & ~seen;
  seen |= seen << SHIFT;
}

inline uint64_t basicLastMarkIsOpen(uint64_t open, uint64_t close,
                                    bool carry) {
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
inline uint64_t sameAcrossGap(uint64_t tested, uint64_t same,
                              bool sameBefore) {
  const uint64_t untested = ~tested;
  const uint64_t leading = tested & (untested >> 1) & same;
  const uint64_t following = tested & ~((tested << 1) | 1);
  return ((untested | leading) + leading + sameBefore) & same & following;
}

// Byte i of a block as the rule reads it.
inline uint8_t mappedByte(const uint8_t* block, unsigned i) {
  return block[i] == CR ? LF : block[i];
}

// The bytes of a block the rule counts with markup filtering, from the
// first `valid` ones; moves `state` to the end of them.
template <class Lanes>
__attribute__((always_inline)) inline uint64_t keptWithMarkup(const BlockClasses& c, const uint8_t* block,
                        uint64_t valid, unsigned last,
                        CountedBytesState& state) {
  // An '&' skips to the next ';' wherever it comes, so entities do not
  // depend on markup; '<' and '>' inside an entity are not examined. Most
  // blocks hold no entity.
  const uint64_t amp = c.amp & valid;
  const uint64_t entity =
      amp == 0 && !state.inEntity
          ? 0
          : Lanes::lastMarkIsOpen(amp, c.semi & valid, state.inEntity);
  const uint64_t entityBefore = (entity << 1) | state.inEntity;
  const uint64_t markup = Lanes::lastMarkIsOpen(c.lt & valid & ~entityBefore,
                                                c.gt & valid & ~entityBefore,
                                                state.inMarkup);
  const uint64_t markupBefore = (markup << 1) | state.inMarkup;
  const uint64_t tested =
      valid & ~(entity | entityBefore | markupBefore | c.lt | c.gt);
  // Tested bytes next to each other fold as in text. A tested byte after
  // one that is not follows a '>' or ';', so a white-space byte there is
  // compared with the last tested byte instead.
  const uint8_t previous = state.previous;
  const uint64_t folded =
      droppedInText(c, previous) |
      sameAcrossGap(tested, c.blank, previous == ' ') |
      sameAcrossGap(tested, c.tab, previous == '\t') |
      sameAcrossGap(tested, c.newline, previous == LF);
  state.inEntity = (entity >> last) & 1;
  state.inMarkup = (markup >> last) & 1;
  if (tested != 0) {
    state.previous = mappedByte(block, 63 - __builtin_clzll(tested));
  }
  return tested & ~folded;
}

// The counted bytes of the first n bytes of a block to `out`; returns the
// end of them. `textBefore`: whether the block before was text, so that
// this one is likely text too (and whether this one is, on return).
// Inlined, so that the state stays in registers.
template <class Lanes, bool FILTER>
__attribute__((always_inline)) inline uint8_t* gatherBlock(
    const uint8_t* block, size_t n, CountedBytesState& state, uint8_t* out,
    bool& textBefore) {
  typename Lanes::Block bytes;
  const uint64_t valid = n == BLOCK ? ALL : (1ull << n) - 1;
  const unsigned last = static_cast<unsigned>(n - 1);
  if constexpr (FILTER && Lanes::QUICK_TEXT_CHECK) {
    bool isText = false;
    uint8_t* const end =
        textBefore ? Lanes::text(block, state.previous, valid, out, isText)
                   : out;
    if (isText) {
      state.previous = mappedByte(block, last);
      return end;
    }
  }
  const BlockClasses c = Lanes::template classify<FILTER>(block, bytes);
  uint64_t keep;
  if (!FILTER) {
    keep = valid & ~c.byte255;
  } else if (((c.lt | c.gt | c.amp) & valid) == 0 && !state.inMarkup &&
             !state.inEntity) {  // text: every byte is tested
    keep = valid & ~droppedInText(c, state.previous);
    state.previous = mappedByte(block, last);
    textBefore = true;
  } else {
    keep = keptWithMarkup<Lanes>(c, block, valid, last, state);
    textBefore = !state.inMarkup && !state.inEntity;
  }
  return Lanes::store(bytes, keep, out);
}

// gatherCountedBytes with one lane set.
template <class Lanes, bool FILTER>
const uint8_t* gatherBlocks(const uint8_t* p, const uint8_t* end,
                            CountedBytesState& stateAtStart, uint8_t*& outAt,
                            const uint8_t* outEnd) {
  // Copies, so the stores of bytes need not reload them.
  CountedBytesState state = stateAtStart;
  uint8_t* out = outAt;
  bool textBefore = !state.inMarkup && !state.inEntity;
  for (; p + BLOCK <= end && out <= outEnd; p += BLOCK) {
    out = gatherBlock<Lanes, FILTER>(p, BLOCK, state, out, textBefore);
  }
  if (p < end && out <= outEnd) {  // the last few bytes
    alignas(64) uint8_t tail[BLOCK] = {};
    const size_t n = static_cast<size_t>(end - p);
    std::memcpy(tail, p, n);
    out = gatherBlock<Lanes, FILTER>(tail, n, state, out, textBefore);
    p = end;
  }
  stateAtStart = state;
  outAt = out;
  return p;
}

}  // namespace
}  // namespace letterfreq
