// The counting rule as it was before its counting moved into gathered
// runs: a loop over the bytes of a piece with a table per byte and no
// block steps. The same interface as CountingRule, kept as the oracle the
// randomised tests compare the fast rule with, bit for bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sample/counting_rule.h"

namespace letterfreq {
namespace plain {

class CountingRule {
 public:
  explicit CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

  void feed(const uint8_t* bytes, size_t length) {
    feed(bytes, length, [](const uint8_t*, size_t) {});
  }

  // Hands each counted byte on as a run of one.
  template <class OnRun>
  void feed(const uint8_t* bytes, size_t length, OnRun&& onRun) {
    for (size_t i = 0; i < length; ++i) step(bytes[i], onRun);
  }

  void copyCountsTo(int32_t* counts) const {
    for (int b = 0; b < 255; ++b) counts[b] = saturatedCount(tally_[b]);
  }

 private:
  template <class OnRun>
  void step(uint8_t raw, OnRun& onRun) {
    if (inEntity_) {
      inEntity_ = raw != ';';
      return;
    }
    if (inMarkup_ && filterMarkup_) {
      if (raw == '>') inMarkup_ = false;
      if (raw == '&') inEntity_ = true;
      return;
    }
    const uint8_t c = raw == '\r' ? '\n' : raw;
    if (filterMarkup_) {
      if (c == '<' || c == '>' || c == '&') {
        inMarkup_ = c == '<';
        inEntity_ = c == '&';
        return;
      }
      const bool space = c == ' ' || c == '\t' || c == '\n';
      const bool folded = space && c == previous_;
      previous_ = c;
      if (folded) return;
    }
    ++tally_[c];
    if (c != 255) onRun(&c, 1);
  }

  bool filterMarkup_;
  bool inMarkup_ = false;
  bool inEntity_ = false;
  uint8_t previous_ = 0;
  std::array<uint64_t, 256> tally_{};
};

}  // namespace plain
}  // namespace letterfreq
