#include "profiles/sample_features.h"

namespace letterfreq {

FeatureCounter& SampleFeatures::counter(FeatureSetCode code) {
  std::unique_ptr<FeatureCounter>& counter =
      counters_[static_cast<size_t>(code)];
  if (!counter) counter = featureSet(code).makeCounter();
  return *counter;
}

void SampleFeatures::attachFor(const MatchMethod& method, CountingPass& pass) {
  if (method.features != NO_FEATURES) pass.attach(counter(method.features));
}

void SampleFeatures::attachAll(CountingPass& pass) {
  for (const FeatureSet& set : FEATURE_SETS) pass.attach(counter(set.code));
}

FeatureCounts SampleFeatures::of(FeatureSetCode code) const {
  const std::unique_ptr<FeatureCounter>& counter =
      counters_[static_cast<size_t>(code)];
  return counter ? counter->featureCounts() : FeatureCounts{};
}

SampleCounts SampleFeatures::with(const int32_t* counts) const {
  SampleCounts sample;
  sample.counts = counts;
  for (const FeatureSet& set : FEATURE_SETS) {
    sample.features[static_cast<size_t>(set.code)] = of(set.code);
  }
  return sample;
}

}  // namespace letterfreq
