// The n-gram scores s_L from the model's 16-bit negated weights, over only
// the buckets the sample touched, the sums negated at the end: in AVX2
// lanes where the processor has them (profiles/ngram_lanes_wide.h), else a
// bucket and a language at a time. Every sum is an exact integer, so the
// scores are those of the plain version (profiles/ngram_match.cpp)
// whatever the order of the additions.
#include <algorithm>
#include <cstdint>

#include "profiles/ngram_lanes_wide.h"
#include "profiles/ngram_match.h"
#include "util/target_instructions.h"

namespace letterfreq {

namespace {

using ngram_lanes::NARROW_LIMIT;
static_assert(NGRAM_LANES % ngram_lanes::WIDE_STEP == 0,
              "rows of whole steps of the lanes");

}  // namespace

NgramLanes::NgramLanes(const NgramModel& model) {
  if (!model.carriesData() ||
      model.largestWeightMagnitude() > NARROW_LIMIT) {
    return;  // not usable: the plain scores are taken
  }
  // Every -w is at most NARROW_LIMIT: the same number as int16_t.
  table_.negated = reinterpret_cast<const int16_t*>(model.negatedRow(0));
  table_.stride = model.rowLength();
  table_.languages = static_cast<size_t>(model.languageCount());
  table_.largest = static_cast<int32_t>(model.largestWeightMagnitude());
}

void NgramLanes::touchedBuckets(const uint32_t* sampleCounts,
                                std::vector<uint16_t>& touched) {
  touched.resize(NGRAM_BUCKETS);
  size_t count = 0;
  // Every bucket written, kept only when its count is not 0: no branch.
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    touched[count] = static_cast<uint16_t>(b);
    count += sampleCounts[b] != 0;
  }
  touched.resize(count);
}

void NgramLanes::addScores(const uint32_t* sampleCounts,
                           TouchedBuckets touched, int64_t* scores) const {
  if (processorHasAvx2()) {
    return ngram_lanes::addScoresWide(table_, sampleCounts, touched, scores);
  }
  for (size_t i = 0; i < touched.count; ++i) {
    const uint16_t b = touched.buckets[i];
    const int16_t* row = table_.negated + table_.stride * b;
    for (size_t e = 0; e < table_.languages; ++e) {
      scores[e] += int64_t{sampleCounts[b]} * row[e];
    }
  }
}

void NgramLanes::score(const uint32_t* sampleCounts,
                       std::vector<uint16_t>& touched,
                       std::vector<int64_t>& scores,
                       TouchedBuckets known) const {
  // The sums of n[b] * -w_L[b], negated at the end.
  scores.assign(table_.languages, 0);
  if (known.buckets == nullptr) {
    touchedBuckets(sampleCounts, touched);
    known = {touched.data(), nullptr, touched.size()};
  }
  addScores(sampleCounts, known, scores.data());
  for (int64_t& score : scores) score = -score;
}

}  // namespace letterfreq
