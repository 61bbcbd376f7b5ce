// The one counting loop of profiles/rank_order.h, for any width of GCC
// vector: included by each lane set's file after it names its
// instructions, so that every lane set compiles it for its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "profiles/rank_order.h"

namespace letterfreq {
namespace rank_order {

// Vector: uint32_t lanes of LANES (a GCC vector type); AT_ONCE vectors of
// keys and as many of counts are kept in registers while every key passes
// by them once.
template <class Vector, int LANES, int AT_ONCE>
void countLowerKeys(const uint32_t* keys, size_t n, uint32_t* ranks) {
  constexpr size_t CHUNK = size_t{LANES} * AT_ONCE;
  static_assert((MOST_COUNTED + CHUNK - 1) / CHUNK * CHUNK <= PADDED_KEYS,
                "the padded keys hold whole chunks");
  for (size_t start = 0; start < n; start += CHUNK) {
    Vector own[AT_ONCE];
    Vector below[AT_ONCE];
#pragma GCC unroll 16
    for (int v = 0; v < AT_ONCE; ++v) {
      std::memcpy(&own[v], keys + start + size_t{LANES} * v, sizeof own[v]);
      below[v] = Vector{};
    }
    for (size_t i = 0; i < n; ++i) {
      const Vector other = Vector{} + keys[i];
      // A true lane of a comparison is all ones: -1 counts one.
#pragma GCC unroll 16
      for (int v = 0; v < AT_ONCE; ++v) {
        below[v] -= (Vector)(other < own[v]);
      }
    }
#pragma GCC unroll 16
    for (int v = 0; v < AT_ONCE; ++v) {
      std::memcpy(ranks + start + size_t{LANES} * v, &below[v],
                  sizeof below[v]);
    }
  }
}

}  // namespace rank_order
}  // namespace letterfreq
