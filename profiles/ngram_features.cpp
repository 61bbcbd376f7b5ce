#include "profiles/ngram_features.h"

#include <cstdint>
#include <vector>

#include "profiles/ngram_match.h"
#include "profiles/ngram_model.h"
#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

class NgramMatcher final : public FeatureMatcher {
 public:
  explicit NgramMatcher(const NgramModel& model) : model_(model) {}

  void rank(const FeatureCounts& sample, size_t languageCount, size_t limit,
            Ranking& out) override {
    // A sample counted without n-grams scores as one with none; the table
    // of zeros is made once, not for every sample.
    static const std::vector<uint32_t> none(NGRAM_BUCKETS, 0);
    const bool counted = sample.counts != nullptr;
    rankSampleByNgrams(model_, ranked_++ > 0 ? &lanes() : nullptr,
                       counted ? sample.counts : none.data(), languageCount,
                       limit, out, counted ? sample.touched : TouchedBuckets{});
  }

 private:
  const NgramLanes& lanes() {
    if (!lanes_) lanes_ = std::make_unique<NgramLanes>(model_);
    return *lanes_;
  }

  const NgramModel& model_;
  std::unique_ptr<NgramLanes> lanes_;
  uint64_t ranked_ = 0;  // samples ranked so far
};

}  // namespace

std::unique_ptr<FeatureCounter> makeNgramCounter() {
  return std::make_unique<NgramCounter>();
}

std::unique_ptr<FeatureModel> makeNgramModel(int languageCount,
                                             const std::vector<bool>& withData,
                                             RecordsSource source) {
  auto model = std::make_unique<NgramModel>(languageCount);
  model->setLanguagesLater(withData, std::move(source));
  return model;
}

std::unique_ptr<FeatureMatcher> makeNgramMatcher(const FeatureModel& model) {
  return std::make_unique<NgramMatcher>(static_cast<const NgramModel&>(model));
}

}  // namespace letterfreq
