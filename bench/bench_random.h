// xorshift64 for the benchmarks' generated inputs: fast, and the same
// numbers on every machine, so every run measures the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {
namespace bench {

class XorShift64 {
 public:
  explicit XorShift64(uint64_t state = 0x9E3779B97F4A7C15ull)
      : state_(state) {}
  // A generator for `seed`, seeds close together giving unlike numbers.
  static XorShift64 seeded(uint64_t seed) {
    return XorShift64(seed * 0x9E3779B97F4A7C15ull + 1);
  }
  uint64_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  size_t below(size_t n) { return static_cast<size_t>(next() % n); }

 private:
  uint64_t state_;
};

}  // namespace bench
}  // namespace letterfreq
