#include "sample/counting_rule.h"

#include <limits>

namespace letterfreq {

CountingRule::CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

void CountingRule::feed(const uint8_t* bytes, size_t length) {
  feed(bytes, length, [](uint8_t) {});
}

void CountingRule::copyCountsTo(int32_t* counts) const {
  constexpr uint64_t most = std::numeric_limits<int32_t>::max();
  for (int b = 0; b < 255; ++b) {
    counts[b] = static_cast<int32_t>(tally_[b] < most ? tally_[b] : most);
  }
}

}  // namespace letterfreq
