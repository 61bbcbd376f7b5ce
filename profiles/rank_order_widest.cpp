// The counting of profiles/rank_order.h in AVX-512 lanes, for processors
// that have them: all 128 keys in eight vectors, their counts in eight
// more, of the thirty-two registers.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "profiles/rank_order.h"
#include "sample/target_instructions.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)

LETTERFREQ_TARGET_BEGIN("avx512f")
#include "profiles/rank_count_steps.h"

namespace letterfreq {
namespace rank_order {

typedef uint32_t WidestVector __attribute__((vector_size(64)));

void countWidest(const uint32_t* keys, size_t n, uint32_t* ranks) {
  countLowerKeys<WidestVector, 16, 8>(keys, n, ranks);
}

}  // namespace rank_order
}  // namespace letterfreq
LETTERFREQ_TARGET_END

namespace letterfreq {
namespace rank_order {

CountLower widestCounting() {
  static const bool available = __builtin_cpu_supports("avx512f") != 0;
  return available ? countWidest : nullptr;
}

}  // namespace rank_order
}  // namespace letterfreq

#else  // no AVX-512 on this architecture

namespace letterfreq {
namespace rank_order {

CountLower widestCounting() { return nullptr; }

}  // namespace rank_order
}  // namespace letterfreq

#endif
