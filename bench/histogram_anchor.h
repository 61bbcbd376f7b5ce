// The yardsticks the counting benchmarks measure against in the same run:
// a plain C byte histogram with four tables, unrolled four times (the
// fastest plain way to count bytes: the four tables keep repeated bytes
// from waiting on each other), page-aligned buffers as read(2) likes them
// (util/page_block.h), and the processor time of the calling thread, which
// stays comparable when other work shares the machine.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "util/page_block.h"

namespace letterfreq {
namespace bench {

struct ByteHistogram {
  uint32_t tables[4][256];
};

// Counts `length` bytes into four tables, 16 bytes a step.
inline void histogram4(const uint8_t* p, size_t length, ByteHistogram& h) {
  size_t i = 0;
  for (; i + 16 <= length; i += 16) {
    for (size_t k = 0; k < 16; k += 4) {
      ++h.tables[0][p[i + k]];
      ++h.tables[1][p[i + k + 1]];
      ++h.tables[2][p[i + k + 2]];
      ++h.tables[3][p[i + k + 3]];
    }
  }
  for (; i < length; ++i) ++h.tables[0][p[i]];
}

// A copy of `bytes` in whole pages, as the reading code keeps its buffer.
inline PageBlock pageAlignedCopy(const std::vector<uint8_t>& bytes) {
  PageBlock buffer(bytes.size());
  std::memcpy(buffer.data(), bytes.data(), bytes.size());
  return buffer;
}

// Processor seconds of the calling thread (user and system).
inline double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Processor seconds `work` takes on this thread.
template <class Work>
double cpuSecondsOf(Work&& work) {
  const double start = threadCpuSeconds();
  work();
  return threadCpuSeconds() - start;
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace bench
}  // namespace letterfreq
