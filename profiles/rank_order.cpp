#include "profiles/rank_order.h"

#include <algorithm>

#include "profiles/rank_count_steps.h"

namespace letterfreq {
namespace rank_order {

namespace {

// The build's own lanes: SSE2 on x86-64, whatever GCC makes of a 16-byte
// vector elsewhere. Six vectors of keys and six of counts fit in the
// sixteen registers beside the key that passes.
typedef uint32_t BasicVector __attribute__((vector_size(16)));

}  // namespace

CountLower basicCounting() { return countLowerKeys<BasicVector, 4, 6>; }

LaneSet bestLaneSet() {
  return widestCounting() != nullptr ? LaneSet::WIDEST : LaneSet::BASIC;
}

void countedOrder(const uint32_t* keys, size_t n, uint32_t* order,
                  LaneSet lanes) {
  alignas(64) uint32_t padded[PADDED_KEYS];
  std::copy(keys, keys + n, padded);  // `keys` may be null when n is 0
  std::fill(padded + n, padded + PADDED_KEYS, UINT32_MAX);
  CountLower count = basicCounting();
  if (lanes == LaneSet::WIDEST && widestCounting() != nullptr) {
    count = widestCounting();
  }
  uint32_t ranks[PADDED_KEYS];
  count(padded, n, ranks);
  // Equal keys share their rank: each takes the place after the one of
  // them that came before it.
  uint8_t before[MOST_COUNTED] = {};
  static_assert(MOST_COUNTED <= 256, "a count of equal keys fits a byte");
  for (size_t j = 0; j < n; ++j) {
    const uint32_t rank = ranks[j];
    order[rank + before[rank]++] = static_cast<uint32_t>(j);
  }
}

}  // namespace rank_order
}  // namespace letterfreq
