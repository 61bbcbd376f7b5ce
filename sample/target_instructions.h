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
#pragma once

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
