#include "util/target_instructions.h"

namespace letterfreq {

bool processorHasAvx2() {
#if defined(LETTERFREQ_AVX2_BUILT)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
#else
  return false;
#endif
}

}  // namespace letterfreq
