// Code of one file compiled for instructions beyond those of the build,
// for processors that have them (the file hands it out only where the
// processor says so at run time):
//
//   LETTERFREQ_TARGET_BEGIN("avx2")
//   ... the definitions, and the headers of steps they instantiate ...
//   LETTERFREQ_TARGET_END
//
// GCC takes a target pragma; clang (the fuzzers' compiler) ignores that
// pragma and takes the same list as an attribute put on every function in
// between. Headers of the standard library go before the BEGIN, so that
// only this code is compiled for the instructions.
//
// Whether the processor has them is asked once, of processorHasAvx2(): the
// one probe of the program. The AVX2 code is built where
// LETTERFREQ_AVX2_BUILT is defined (x86 under GCC or clang).
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define LETTERFREQ_AVX2_BUILT 1
#endif

#define LETTERFREQ_PRAGMA(...) _Pragma(#__VA_ARGS__)

#if defined(__clang__)
#define LETTERFREQ_TARGET_BEGIN(list)                                   \
  LETTERFREQ_PRAGMA(clang attribute push(__attribute__((target(list))), \
                                         apply_to = function))
#define LETTERFREQ_TARGET_END LETTERFREQ_PRAGMA(clang attribute pop)
#else
#define LETTERFREQ_TARGET_BEGIN(list) \
  LETTERFREQ_PRAGMA(GCC push_options) LETTERFREQ_PRAGMA(GCC target(list))
#define LETTERFREQ_TARGET_END LETTERFREQ_PRAGMA(GCC pop_options)
#endif

namespace letterfreq {

// True where this processor runs AVX2 and the code for it is built; asked
// of the processor once.
bool processorHasAvx2();

}  // namespace letterfreq
