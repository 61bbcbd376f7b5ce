#include "profiles/ngram_model.h"

#include <algorithm>
#include <cmath>

#include "profiles/ngram_record.h"

namespace letterfreq {
namespace {

// k * M of the smoothing: 1/8 for each of the 16384 buckets.
constexpr double NGRAM_SMOOTHING = 0.125;
constexpr double NGRAM_SMOOTHING_MASS = NGRAM_SMOOTHING * NGRAM_BUCKETS;

}  // namespace

void NgramLanguageCounts::clear() {
  // Nothing to undo for a language without lists: a database without
  // n-gram data loads at the cost it always had.
  if (!hasData_) return;
  std::fill(counts_.begin(), counts_.end(), 0);
  total_ = 0;
  hasData_ = false;
}

void NgramLanguageCounts::addRecord(const uint8_t* data, size_t length) {
  if (counts_.empty()) counts_.assign(NGRAM_BUCKETS, 0);
  hasData_ = true;
  uint64_t* counts = counts_.data();
  uint64_t total = 0;
  forEachNgramItem(data, length, [counts, &total](const NgramItem& item) {
    counts[item.bucket] += item.count;
    total += item.count;
  });
  total_ += total;
}

int32_t ngramWeight(uint64_t count, uint64_t total) {
  double share = (static_cast<double>(count) + NGRAM_SMOOTHING) /
                 (static_cast<double>(total) + NGRAM_SMOOTHING_MASS);
  return static_cast<int32_t>(std::llround(1000.0 * std::log(share)));
}

NgramModel::NgramModel(int languageCount)
    : languageCount_(std::max(languageCount, 0)),
      rowLength_((static_cast<size_t>(languageCount_) + NGRAM_LANES - 1) /
                 NGRAM_LANES * NGRAM_LANES),
      hasData_(static_cast<size_t>(languageCount_), 0) {}

void NgramModel::setLanguage(int language, const NgramLanguageCounts& counts) {
  if (language < 0 || language >= languageCount_ || !counts.hasData()) return;
  makeWeights();  // what was left for later first, so this one stays
  writeWeights(language, counts);
  hasData_[static_cast<size_t>(language)] = 1;
  carriesData_ = true;
}

void NgramModel::setLanguagesLater(const std::vector<bool>& withData,
                                   CountsSource source) {
  makeWeights();
  std::vector<uint8_t> waiting(static_cast<size_t>(languageCount_), 0);
  bool any = false;
  for (size_t e = 0; e < waiting.size() && e < withData.size(); ++e) {
    if (!withData[e]) continue;
    waiting[e] = 1;
    hasData_[e] = 1;
    any = true;
  }
  if (!any) return;
  if (!source) source = [](int, NgramLanguageCounts&) {};
  carriesData_ = true;
  waiting_ = std::move(waiting);
  later_ = std::move(source);
}

void NgramModel::makeWeights() const {
  if (!later_) return;
  NgramLanguageCounts counts;
  for (int e = 0; e < languageCount_; ++e) {
    if (!waiting_[static_cast<size_t>(e)]) continue;
    counts.clear();
    later_(e, counts);
    writeWeights(e, counts);
  }
  later_ = nullptr;
  waiting_.clear();
}

void NgramModel::writeWeights(int language,
                              const NgramLanguageCounts& counts) const {
  const size_t stride = rowLength_;
  if (weights_.empty()) {
    weights_.assign(stride * NGRAM_BUCKETS, 0);
    for (size_t b = 0; b < NGRAM_BUCKETS; ++b) {
      std::fill_n(weights_.data() + b * stride, languageCount_,
                  NGRAM_NO_DATA_WEIGHT);
    }
  }
  // The counts of a language repeat a lot, small ones most: the weight of
  // each count below CACHED is computed once.
  constexpr uint64_t CACHED = 4096;
  constexpr int32_t UNKNOWN = INT32_MIN;  // no weight is this low
  std::vector<int32_t> cache(CACHED, UNKNOWN);
  const uint64_t total = counts.total();
  auto weightOf = [&cache, total](uint64_t count) {
    if (count >= CACHED) return ngramWeight(count, total);
    int32_t& weight = cache[count];
    if (weight == UNKNOWN) weight = ngramWeight(count, total);
    return weight;
  };
  int32_t* column = weights_.data() + language;
  if (counts.hasData()) {
    const uint64_t* c = counts.counts();
    for (size_t b = 0; b < NGRAM_BUCKETS; ++b)
      column[b * stride] = weightOf(c[b]);
  } else {  // no list added: every count is 0
    const int32_t none = weightOf(0);
    for (size_t b = 0; b < NGRAM_BUCKETS; ++b) column[b * stride] = none;
  }
  // Every weight is below 0 (a count is at most the total); a count of 0
  // gives the lowest.
  largestMagnitude_ = std::max(largestMagnitude_, -int64_t{weightOf(0)});
}

int32_t NgramModel::weight(int bucket, int language) const {
  if (!hasData(language) || bucket < 0 || bucket >= NGRAM_BUCKETS) {
    return NGRAM_NO_DATA_WEIGHT;
  }
  return bucketRow(bucket)[language];
}

}  // namespace letterfreq
