#include "profiles/word_ngram_features.h"

#include <algorithm>
#include <string>

#include "profiles/likelihood_ranking.h"
#include "profiles/ngram_table_record.h"
#include "profiles/word_ngram_model.h"
#include "sample/word_ngram_counter.h"

namespace letterfreq {
namespace {

// The languages flagged with data and where their tables are read from;
// the weights are made on first need.
class LazyWordNgramModel final : public FeatureModel {
 public:
  LazyWordNgramModel(int languageCount, const std::vector<bool>& withData,
                     RecordsSource source)
      : languageCount_(std::max(languageCount, 0)), source_(std::move(source)) {
    withData_.assign(static_cast<size_t>(languageCount_), 0);
    for (size_t e = 0; e < withData_.size() && e < withData.size(); ++e) {
      withData_[e] = withData[e] ? 1 : 0;
      carriesData_ = carriesData_ || withData[e];
    }
  }

  int languageCount() const override { return languageCount_; }
  bool hasData(int language) const override {
    return language >= 0 && language < languageCount_ &&
           withData_[static_cast<size_t>(language)] != 0;
  }
  bool carriesData() const override { return carriesData_; }
  void makeWeights() const override { weights(); }

  const WordNgramModel& weights() const {
    if (!made_) {
      model_ = build();
      made_ = true;
    }
    return model_;
  }

 private:
  WordNgramModel build() const {
    WordNgramModelBuilder builder(languageCount_);
    WordNgramSums sums;
    std::vector<NgramTableItem> items;
    std::string why;
    for (int e = 0; e < languageCount_; ++e) {
      if (!hasData(e)) continue;
      sums.clear();
      source_(e, [&](const uint8_t* data, size_t length) {
        if (!decodeNgramTable(data, length, items, why)) {
          throw FeatureRecordDamage("N-gram Table", why);
        }
        sums.add(items);
      });
      // A language whose records are all gone still has a model.
      if (!sums.hasData()) sums.add({});
      builder.setLanguage(e, sums);
    }
    return builder.build();
  }

  int languageCount_;
  std::vector<uint8_t> withData_;
  bool carriesData_ = false;
  RecordsSource source_;
  mutable WordNgramModel model_;
  mutable bool made_ = false;
};

class WordNgramMatcher final : public FeatureMatcher {
 public:
  explicit WordNgramMatcher(const LazyWordNgramModel& model) : model_(model) {}

  void rank(const FeatureCounts& sample, size_t languageCount, size_t limit,
            Ranking& out) override {
    const WordNgramModel& weights = model_.weights();
    buckets_.clear();
    uint64_t features = 0;
    if (sample.counts != nullptr) {
      if (sample.touched.wideBuckets != nullptr) {
        buckets_.assign(sample.touched.wideBuckets,
                        sample.touched.wideBuckets + sample.touched.count);
      } else {
        for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
          if (sample.counts[b] != 0) buckets_.push_back(b);
        }
      }
      for (uint32_t b : buckets_) features += sample.counts[b];
    }
    weights.score(sample.counts, buckets_, features, scores_);
    scored_.resize(scores_.size());
    for (size_t e = 0; e < scored_.size(); ++e) {
      scored_[e] = weights.hasData(static_cast<int>(e)) ? 1 : 0;
    }
    rankLikelihoods(scores_, scored_, languageCount, limit, out);
  }

 private:
  const LazyWordNgramModel& model_;
  std::vector<uint32_t> buckets_;
  std::vector<int64_t> scores_;
  std::vector<uint8_t> scored_;
};

}  // namespace

std::unique_ptr<FeatureCounter> makeWordNgramCounter() {
  return std::make_unique<WordNgramCounter>();
}

std::vector<uint8_t> encodeWordNgramRecord(const uint32_t* counts) {
  std::vector<uint32_t> used;
  for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
    if (counts[b] != 0) used.push_back(b);
  }
  return encodeNgramTable(keptNgramTableItems(counts, used));
}

std::unique_ptr<FeatureModel> makeWordNgramModel(
    int languageCount, const std::vector<bool>& withData,
    RecordsSource source) {
  return std::make_unique<LazyWordNgramModel>(languageCount, withData,
                                              std::move(source));
}

std::unique_ptr<FeatureMatcher> makeWordNgramMatcher(
    const FeatureModel& model) {
  return std::make_unique<WordNgramMatcher>(
      static_cast<const LazyWordNgramModel&>(model));
}

}  // namespace letterfreq
