// The column loop of the n-gram lanes, included by their unit
// (profiles/ngram_lanes_wide.cpp) inside its target region, so that it is
// compiled for AVX2. `Lanes` gives the vector type and its few operations:
//
//   Vector; STEP (languages per vector of 16-bit weights);
//   zero(); load(row); broadcast(pair of 16-bit counts);
//   addPairs(sums, a, b, counts): sums += a * countA + b * countB per
//     32-bit lane, a and b interleaved (low and high halves of the
//     128-bit blocks, as unpacklo/unpackhi give them);
//   store(int32_t*, Vector).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "profiles/ngram_lanes_wide.h"

namespace letterfreq {
namespace ngram_lanes {
namespace {

// Steps of languages per column: eight registers of partial sums.
constexpr size_t COLUMN_STEPS = 4;
// Rows fetched this many buckets ahead. Only their first line: the rest
// of a row follows it, and asking for every line cost more than it saved.
constexpr size_t AHEAD = 8;

// The partial sums of STEPS steps into the 64-bit totals of the column.
// Block q (of 128 bits) of a step's `low` register holds its languages
// 8q to 8q+3, of `high` 8q+4 to 8q+7.
// Every loop over the steps is unrolled: the partial sums then stay in
// registers instead of going through the stack on every addition.
template <class Lanes, size_t STEPS>
inline __attribute__((always_inline)) void flushSums(
    typename Lanes::Vector* low, typename Lanes::Vector* high,
    int64_t* totals) {
  constexpr size_t HALF = Lanes::STEP / 2;
#pragma GCC unroll 4
  for (size_t k = 0; k < STEPS; ++k) {
    alignas(64) int32_t lo[HALF], hi[HALF];
    Lanes::store(lo, low[k]);
    Lanes::store(hi, high[k]);
    int64_t* step = totals + k * Lanes::STEP;
    for (size_t q = 0; q < Lanes::STEP / 8; ++q) {
      for (size_t j = 0; j < 4; ++j) {
        step[8 * q + j] += lo[4 * q + j];
        step[8 * q + 4 + j] += hi[4 * q + j];
      }
    }
    low[k] = Lanes::zero();
    high[k] = Lanes::zero();
  }
}

// A count too large for a 16-bit factor: its products go straight into
// the 64-bit totals, and the pair takes 0 in its place.
inline uint32_t narrowCount(uint32_t times, const int16_t* row, size_t length,
                            int64_t* totals) {
  if (times <= static_cast<uint32_t>(NARROW_LIMIT)) return times;
  for (size_t e = 0; e < length; ++e) totals[e] += int64_t{times} * row[e];
  return 0;
}

// The totals of the STEPS * STEP languages from `first`, two touched
// buckets at a time: their rows interleaved, multiplied by their counts
// and added pairwise. Partial sums are flushed before they could
// overflow: each pair adds at most its two counts times the largest -w.
template <class Lanes, size_t STEPS>
void addColumn(const NarrowTable& table, size_t first,
               const uint32_t* sampleCounts, TouchedBuckets touched,
               int64_t* totals) {
  using Vector = typename Lanes::Vector;
  Vector low[STEPS], high[STEPS];
#pragma GCC unroll 4
  for (size_t k = 0; k < STEPS; ++k) low[k] = high[k] = Lanes::zero();
  const uint32_t limit =
      static_cast<uint32_t>(INT32_MAX / std::max<int32_t>(table.largest, 1));
  uint64_t pending = 0;
  const size_t count = touched.count;
  const uint16_t* buckets = touched.buckets;
  const int16_t* start = table.negated + first;
  for (size_t i = 0; i < count; i += 2) {
    if (i + AHEAD + 1 < count) {
      __builtin_prefetch(start + table.stride * buckets[i + AHEAD]);
      __builtin_prefetch(start + table.stride * buckets[i + AHEAD + 1]);
    }
    const bool both = i + 1 < count;
    const int16_t* rowA = start + table.stride * buckets[i];
    const int16_t* rowB = both ? start + table.stride * buckets[i + 1] : rowA;
    uint32_t timesA = sampleCounts[buckets[i]];
    uint32_t timesB = both ? sampleCounts[buckets[i + 1]] : 0;
    if (((timesA | timesB) >> 15) != 0) {  // rare
      constexpr size_t LENGTH = STEPS * Lanes::STEP;
      timesA = narrowCount(timesA, rowA, LENGTH, totals);
      timesB = narrowCount(timesB, rowB, LENGTH, totals);
    }
    if (pending + timesA + timesB > limit) {
      flushSums<Lanes, STEPS>(low, high, totals);
      pending = 0;
    }
    pending += timesA + timesB;
    const Vector times = Lanes::broadcast(timesA | (timesB << 16));
#pragma GCC unroll 4
    for (size_t k = 0; k < STEPS; ++k) {
      Lanes::addPairs(low[k], high[k], Lanes::load(rowA + k * Lanes::STEP),
                      Lanes::load(rowB + k * Lanes::STEP), times);
    }
  }
  flushSums<Lanes, STEPS>(low, high, totals);
}

// scores[L] += the sums of every language, a column at a time.
template <class Lanes>
void addScoresIn(const NarrowTable& table, const uint32_t* sampleCounts,
                 TouchedBuckets touched, int64_t* scores) {
  constexpr size_t COLUMN = COLUMN_STEPS * Lanes::STEP;
  for (size_t first = 0; first < table.stride; first += COLUMN) {
    const size_t length = std::min(COLUMN, table.stride - first);
    int64_t totals[COLUMN] = {};
    switch (length / Lanes::STEP) {
      case 1:
        addColumn<Lanes, 1>(table, first, sampleCounts, touched, totals);
        break;
      case 2:
        addColumn<Lanes, 2>(table, first, sampleCounts, touched, totals);
        break;
      case 3:
        addColumn<Lanes, 3>(table, first, sampleCounts, touched, totals);
        break;
      default:
        addColumn<Lanes, 4>(table, first, sampleCounts, touched, totals);
        break;
    }
    for (size_t e = 0; e < length && first + e < table.languages; ++e) {
      scores[first + e] += totals[e];
    }
  }
}

}  // namespace
}  // namespace ngram_lanes
}  // namespace letterfreq
