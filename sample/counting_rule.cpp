#include "sample/counting_rule.h"

#include <cstdint>
#include <cstring>

namespace letterfreq {

CountingRule::CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

namespace {

// Bytes counted into the 32-bit tallies between additions to the totals:
// far below what fills a tally, and few enough additions not to show.
constexpr size_t TALLIED_AT_MOST = size_t{1} << 24;

}  // namespace

void CountingRule::reset() {
  state_ = CountedBytesState();
  std::memset(tally_, 0, sizeof tally_);
  std::memset(totals_, 0, sizeof totals_);
  tallied_ = 0;
}

const uint8_t* CountingRule::gather(const uint8_t* p, const uint8_t* end,
                                    size_t& counted) {
  static_assert(RUN_CAPACITY >= 64, "a block's bytes must fit a run");
  uint8_t* out = run_;
  p = gatherCountedBytes(p, end, filterMarkup_, state_, out,
                         run_ + RUN_CAPACITY - 64);
  counted = static_cast<size_t>(out - run_);
  tally(counted);
  return p;
}

void CountingRule::tally(size_t counted) {
  static_assert(TALLIED_AT_MOST + RUN_CAPACITY < UINT32_MAX,
                "a tally must not wrap");
  if (tallied_ + counted > TALLIED_AT_MOST) addTalliesToTotals();
  tallied_ += counted;
  const uint8_t* p = run_;
  // Unrolled 64 bytes a step: the loop's own work is then a small share.
  size_t i = 0;
  for (; i + 64 <= counted; i += 64) {
#pragma GCC unroll 16
    for (size_t k = 0; k < 64; k += 4) {
      ++tally_[0][p[i + k]];
      ++tally_[1][p[i + k + 1]];
      ++tally_[2][p[i + k + 2]];
      ++tally_[3][p[i + k + 3]];
    }
  }
  for (; i < counted; ++i) ++tally_[i % 4][p[i]];
}

void CountingRule::addTalliesToTotals() {
  for (int b = 0; b < 256; ++b) {
    totals_[b] += uint64_t{tally_[0][b]} + tally_[1][b] + tally_[2][b] +
                  tally_[3][b];
  }
  std::memset(tally_, 0, sizeof tally_);
  tallied_ = 0;
}

void CountingRule::copyCountsTo(int32_t* counts) const {
  for (int b = 0; b < 255; ++b) {
    const uint64_t sum = totals_[b] + tally_[0][b] + tally_[1][b] +
                         tally_[2][b] + tally_[3][b];
    counts[b] = saturatedCount(sum);
  }
}

}  // namespace letterfreq
