#include "sample/counting_rule.h"

#include <cstring>

namespace letterfreq {

CountingRule::CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

void CountingRule::reset() {
  state_ = CountedBytesState();
  std::memset(tally_, 0, sizeof tally_);
}

const uint8_t* CountingRule::gather(const uint8_t* p, const uint8_t* end,
                                    size_t& counted) {
  static_assert(RUN_CAPACITY >= 64, "a block's bytes must fit a run");
  uint8_t* out = run_;
  p = gatherCountedBytes(p, end, filterMarkup_, state_, out,
                         run_ + RUN_CAPACITY - 64, tally_);
  counted = static_cast<size_t>(out - run_);
  return p;
}

void CountingRule::copyCountsTo(int32_t* counts) const {
  static_assert(sizeof tally_[0][0] == 8, "tallies must not wrap");
  uint64_t sums[256];
  for (int b = 0; b < 256; ++b) {
    sums[b] = tally_[0][b] + tally_[1][b] + tally_[2][b] + tally_[3][b];
  }
  // Text blocks are counted from the source, where a CR still stands for
  // the LF it is read as.
  sums['\n'] += sums['\r'];
  sums['\r'] = 0;
  for (int b = 0; b < 255; ++b) counts[b] = saturatedCount(sums[b]);
}

}  // namespace letterfreq
