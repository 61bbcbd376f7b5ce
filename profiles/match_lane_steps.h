// The scoring of the methods over the 255 counts in SIMD lanes, written
// once for every lane set. Each lane does exactly the float operations of
// the plain version (profiles/match.cpp) in the same order, so every score
// is the same float bit for bit; only several lanes go at once, and blocks
// of languages are summed side by side so that the additions of one do
// not wait for those of another. A lane set supplies:
//   Vector                WIDTH floats, WIDTH dividing LanguageTable::LANES
//   MOST_BLOCKS           how many blocks its registers sum side by side
//   zero(), splat(x)      all lanes 0, all lanes x
//   load(p), store(p, v)  WIDTH floats from and to p, unaligned
//   add, sub, mul, div    lane by lane, rounded as the scalar operations
//   absolute(v)           the sign bits cleared, as fabs does
//   atMost(a, b)          all bits set in the lanes where a <= b (none
//                         where either is NaN), as the scalar comparison
//   both(a, b)            bitwise and
// Only profiles/match_lanes*.cpp include this. Everything is in an unnamed
// namespace: each lane set's file compiles its own copy for the processor
// it targets, and no copy is shared with the other through the linker.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "profiles/match.h"
#include "profiles/match_steps.h"

namespace letterfreq {
namespace {

// One term per lane for the WIDTH languages at `i` in the table's arrays
// (block start + b * LANES + the vector's first lane), `lane` being their
// offset in the per-language arrays; each method is a Term. The arrays go
// in as plain pointers, so nothing is read again from the table inside
// the loop.
template <typename L>
struct DifferenceTerm {
  const float* freqs;
  typename L::Vector operator()(typename L::Vector qb, size_t i, size_t) const {
    return L::absolute(L::sub(qb, L::load(freqs + i)));
  }
};

template <typename L>
struct DeviationsTerm {
  const float* freqs;
  const float* stdDevs;
  typename L::Vector k;
  typename L::Vector operator()(typename L::Vector qb, size_t i, size_t) const {
    const auto p = L::load(freqs + i);
    const auto w = L::absolute(L::mul(k, L::load(stdDevs + i)));
    const auto loA = L::sub(p, w);
    const auto hiA = L::add(p, w);
    // The plain test, with loB = hiB = q: (loB <= loA <= hiB) or (loA <=
    // loB <= hiA). Its first half means loA == q, which implies the second
    // as loA <= hiA always (both NaN-free, p - |w| <= p + |w| after
    // rounding), so the second half alone has the same truth value.
    const auto inside = L::both(L::atMost(loA, qb), L::atMost(qb, hiA));
    // 1/255 where the band holds, +0 (which leaves the sum as it is) where
    // not.
    return L::both(inside, L::splat(match_steps::ONE_BYTE_SHARE));
  }
};

template <typename L>
struct TendencyPullTerm {
  const float* freqs;
  const float* weightedFreqs;
  const float* entriesPlusOne;
  typename L::Vector operator()(typename L::Vector qb, size_t i,
                                size_t lane) const {
    // n x p + q rounded to a float, then divided and rounded again.
    const auto pulled = L::add(L::load(weightedFreqs + i), qb);
    const auto m = L::div(pulled, L::load(entriesPlusOne + lane));
    const auto p = L::load(freqs + i);
    return L::mul(L::splat(2.0f), L::absolute(L::sub(p, m)));
  }
};

// The sums of BLOCKS blocks from `first` on, each lane adding its terms in
// rising byte order; the loops over the blocks and their vectors are
// unrolled so that the sums stay in registers.
template <typename L, int BLOCKS, typename Term>
void sumBlocks(const float* q, int first, const Term& term, bool fromOne,
               std::vector<float>& scores) {
  constexpr int LANES = match_steps::LANES;
  constexpr int WIDTH = L::WIDTH;
  constexpr int PARTS = LANES / WIDTH;
  static_assert(PARTS * WIDTH == LANES, "whole vectors per block");
  typename L::Vector sums[BLOCKS][PARTS];
  size_t starts[BLOCKS], lanes[BLOCKS];
#pragma GCC unroll 8
  for (int k = 0; k < BLOCKS; ++k) {
    starts[k] = size_t{1} * (first + k) * match_steps::BLOCK_VALUES;
    lanes[k] = size_t{1} * (first + k) * LANES;
#pragma GCC unroll 8
    for (int v = 0; v < PARTS; ++v) sums[k][v] = L::zero();
  }
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    const auto qb = L::splat(q[b]);
    const size_t at = size_t{1} * b * LANES;
#pragma GCC unroll 8
    for (int k = 0; k < BLOCKS; ++k) {
#pragma GCC unroll 8
      for (int v = 0; v < PARTS; ++v) {
        sums[k][v] = L::add(sums[k][v], term(qb, starts[k] + at + v * WIDTH,
                                             lanes[k] + v * WIDTH));
      }
    }
  }
  for (int k = 0; k < BLOCKS; ++k) {
    float block[LANES];
    for (int v = 0; v < PARTS; ++v) L::store(block + v * WIDTH, sums[k][v]);
    match_steps::storeBlock(block, first + k, fromOne, scores);
  }
}

// sumBlocks for `group` blocks, 1 to N.
template <typename L, typename Term, size_t... N>
void sumGroup(std::index_sequence<N...>, int group, const float* q, int first,
              const Term& term, bool fromOne, std::vector<float>& scores) {
  using Sum =
      void (*)(const float*, int, const Term&, bool, std::vector<float>&);
  static constexpr Sum SUMS[] = {sumBlocks<L, N + 1, Term>...};
  SUMS[group - 1](q, first, term, fromOne, scores);
}

// Up to MOST_BLOCKS blocks are summed side by side; more go in groups of
// nearly equal size (15 as 8 and 7, not 8, 4, 2 and 1), since a group of
// few blocks waits on its additions.
template <typename L, typename Term>
void scoreAll(const float* q, const LanguageTable& table, const Term& term,
              bool fromOne, std::vector<float>& scores) {
  constexpr int MOST = L::MOST_BLOCKS;
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks;) {
    const int left = table.blocks - block;
    const int group = left <= MOST       ? left
                      : left >= 2 * MOST ? MOST
                                         : (left + 1) / 2;
    sumGroup<L>(std::make_index_sequence<MOST>(), group, q, block, term,
                fromOne, scores);
    block += group;
  }
}

// The three scorings of profiles/match.h over the sample's frequencies
// q(b), in the lane set L.
template <typename L>
void laneDifference(const float* q, const LanguageTable& table,
                    std::vector<float>& scores) {
  const DifferenceTerm<L> term{table.freqs.data()};
  scoreAll<L>(q, table, term, true, scores);
}

template <typename L>
void laneDeviations(const float* q, const LanguageTable& table, int k,
                    std::vector<float>& scores) {
  const DeviationsTerm<L> term{table.freqs.data(), table.stdDevs.data(),
                               L::splat(static_cast<float>(k))};
  scoreAll<L>(q, table, term, false, scores);
}

template <typename L>
void laneTendencyPull(const float* q, const LanguageTable& table,
                      std::vector<float>& scores) {
  const TendencyPullTerm<L> term{table.freqs.data(), table.weightedFreqs.data(),
                                 table.entriesPlusOne.data()};
  scoreAll<L>(q, table, term, true, scores);
}

}  // namespace
}  // namespace letterfreq
