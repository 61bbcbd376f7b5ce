// The order of a full ranking of at most MOST_COUNTED languages, found by
// counting: a key's place is how many keys lie below it, every key
// compared with all the others in SIMD lanes at once. For so few keys that
// is quicker than the passes of a radix sort, which rankScores
// (profiles/match.cpp) keeps for longer lists and tests use as the oracle.
// Internal to the ranking; nothing else includes it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {
namespace rank_order {

constexpr size_t MOST_COUNTED = 128;

// The build's own lanes (SSE2 on x86-64), and AVX-512 for processors
// that have it.
enum class LaneSet { BASIC, WIDEST };
LaneSet bestLaneSet();

// order[r] = the position of the r-th lowest of keys[0..n), equal keys in
// position order (a stable sort), for n <= MOST_COUNTED; counted in the
// given lane set or, where the processor lacks it, the best it has.
void countedOrder(const uint32_t* keys, size_t n, uint32_t* order,
                  LaneSet lanes = bestLaneSet());

// The counting in each lane set: ranks[j] = how many of keys[0..n) lie
// below keys[j], for j < n. `keys` is readable up to PADDED_KEYS, the rest
// of it the largest key. Null where the lane set is not built.
constexpr size_t PADDED_KEYS = 144;  // whole chunks of every lane set
using CountLower = void (*)(const uint32_t* keys, size_t n, uint32_t* ranks);
CountLower basicCounting();
CountLower widestCounting();

}  // namespace rank_order
}  // namespace letterfreq
