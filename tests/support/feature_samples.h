// Shortcuts for tests and benchmarks that hold a sample's n-gram counts or
// a load's n-gram model by themselves: the match's slots filled from them.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "profiles/feature_sets.h"
#include "profiles/methods.h"
#include "profiles/ngram_model.h"

namespace letterfreq {

// The 255 counts and, when given, the n-gram counts n[0..NGRAM_BUCKETS-1].
inline SampleCounts withNgrams(const int32_t* counts, const uint32_t* ngrams,
                               TouchedBuckets touched = {}) {
  SampleCounts sample;
  sample.counts = counts;
  sample.features[NGRAM_FEATURES] = {ngrams, touched};
  return sample;
}

// Feature models whose n-gram model is `model`, the others empty.
inline FeatureModels withNgramModel(NgramModel model) {
  FeatureModels models;
  models.set(NGRAM_FEATURES, std::make_unique<NgramModel>(std::move(model)));
  return models;
}

}  // namespace letterfreq
