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
      model_ = buildWordNgramModel(withData_, tables());
      made_ = true;
    }
    return model_;
  }

  // The scores of one sample. The first sample of few buckets is scored
  // straight from the tables, which takes a fraction of making the
  // weights: a command with one sample never makes them. Later samples
  // are scored with the weights, made once.
  void score(const uint32_t* counts, const std::vector<uint32_t>& buckets,
             uint64_t features, std::vector<int64_t>& scores) const {
    if (!made_ && !scoredOnce_ && buckets.size() <= ONCE_LARGEST_SAMPLE) {
      scoredOnce_ = true;
      scoreWordNgramsOnce(withData_, tables(), counts, buckets, features,
                          scores);
      return;
    }
    weights().score(counts, buckets, features, scores);
  }

 private:
  // Sample buckets up to which one sample is scored from the tables: its
  // sums take 8 bytes per language and bucket.
  static constexpr size_t ONCE_LARGEST_SAMPLE = 16384;

  TablesOf tables() const {
    return [this](int language, const TableAdder& add) {
      std::vector<NgramTableItem>& items = items_;
      source_(language, [&](const uint8_t* data, size_t length) {
        std::string why;
        if (!decodeNgramTable(data, length, items, why)) {
          throw FeatureRecordDamage("N-gram Table", why);
        }
        add(items);
      });
    };
  }

  int languageCount_;
  std::vector<uint8_t> withData_;
  bool carriesData_ = false;
  RecordsSource source_;
  mutable std::vector<NgramTableItem> items_;
  mutable WordNgramModel model_;
  mutable bool made_ = false;
  mutable bool scoredOnce_ = false;
};

class WordNgramMatcher final : public FeatureMatcher {
 public:
  explicit WordNgramMatcher(const LazyWordNgramModel& model) : model_(model) {}

  void rank(const FeatureCounts& sample, size_t languageCount, size_t limit,
            Ranking& out) override {
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
    model_.score(sample.counts, buckets_, features, scores_);
    scored_.resize(scores_.size());
    for (size_t e = 0; e < scored_.size(); ++e) {
      scored_[e] = model_.hasData(static_cast<int>(e)) ? 1 : 0;
    }
    rankLikelihoods(scores_, scored_, languageCount, limit, out);
    out.ngramSums.assign(scores_.begin(), scores_.end());
    out.sampleFeatures = features;
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
