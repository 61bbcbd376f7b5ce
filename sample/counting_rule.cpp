#include "sample/counting_rule.h"

namespace letterfreq {

CountingRule::CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

void CountingRule::feed(const uint8_t* bytes, size_t length) {
  feedEach(bytes, length, [](uint8_t) {});
}

void CountingRule::copyCountsTo(int32_t* counts) const {
  static_assert(sizeof tally_[0] == 8, "tallies must not wrap on huge samples");
  for (int b = 0; b < 255; ++b) counts[b] = saturatedCount(tally_[b]);
}

}  // namespace letterfreq
