// scoreWordNgramsOnce: one sample scored straight from the tables. Of each
// language only its total and its sums in the sample's buckets are kept;
// from them come u_L, n_b and the gains of those buckets, by the same
// functions as the model's, so every score is the model's.
#include <memory>

#include "profiles/word_ngram_model.h"
#include "sample/word_ngram_counter.h"

namespace letterfreq {
namespace {

// The sample's buckets: a bit each, and their places in `buckets`.
class SampleBuckets {
 public:
  explicit SampleBuckets(const std::vector<uint32_t>& buckets)
      : member_(WORD_NGRAM_BUCKETS / 64, 0),
        slot_(new uint32_t[WORD_NGRAM_BUCKETS]) {
    for (uint32_t k = 0; k < buckets.size(); ++k) {
      member_[buckets[k] >> 6] |= uint64_t{1} << (buckets[k] & 63);
      slot_[buckets[k]] = k;
    }
  }
  bool has(uint32_t bucket) const {
    return (member_[bucket >> 6] >> (bucket & 63)) & 1;
  }
  uint32_t slot(uint32_t bucket) const { return slot_[bucket]; }

 private:
  std::vector<uint64_t> member_;
  std::unique_ptr<uint32_t[]> slot_;  // read only where member_ is set
};

}  // namespace

void scoreWordNgramsOnce(const std::vector<uint8_t>& withData,
                         const TablesOf& tables, const uint32_t* counts,
                         const std::vector<uint32_t>& buckets,
                         uint64_t features, std::vector<int64_t>& scores) {
  const size_t languages = withData.size();
  const size_t width = buckets.size();
  scores.assign(languages, 0);
  const SampleBuckets sample(buckets);
  // c_L[b] of the sample's buckets, one row of `width` per language.
  std::vector<uint64_t> sums(languages * width, 0);
  std::vector<uint64_t> totals(languages, 0);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    uint64_t* row = sums.data() + e * width;
    tables(static_cast<int>(e), [&](const std::vector<NgramTableItem>& items) {
      for (const NgramTableItem& item : items) {
        addSaturating(totals[e], item.count);
        if (sample.has(item.bucket)) {
          addSaturating(row[sample.slot(item.bucket)], item.count);
        }
      }
    });
  }
  std::vector<uint32_t> languagesIn(width, 0);
  for (size_t e = 0; e < languages; ++e) {
    for (size_t k = 0; k < width; ++k)
      languagesIn[k] += sums[e * width + k] != 0;
  }
  const auto n = static_cast<int64_t>(features);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    int64_t score = 0;
    for (size_t k = 0; k < width; ++k) {
      const uint64_t sum = sums[e * width + k];
      if (sum == 0) continue;
      const auto gain =
          static_cast<int32_t>(wordNgramGain(sum, languagesIn[k]));
      score += int64_t{counts[buckets[k]]} * gain;
    }
    scores[e] = score + wordNgramUnseenWeight(totals[e]) * n;
  }
}

}  // namespace letterfreq
