// Shortcuts for tests and benchmarks that hold a sample's n-gram counts or
// list, or a load's n-gram model, by themselves: the slots of the
// feature-set table filled from them.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "profiles/entry_add.h"
#include "profiles/feature_sets.h"
#include "profiles/methods.h"
#include "profiles/ngram_model.h"
#include "profiles/ngram_record.h"

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

// An entry's feature blocks with only its n-gram list: `list` as given,
// or none.
inline FeatureBlocks ngramBlock(const std::vector<uint8_t>* list) {
  FeatureBlocks blocks;
  if (list != nullptr) blocks[NGRAM_FEATURES] = *list;
  return blocks;
}
// The same for the n-gram counts n[0..NGRAM_BUCKETS-1] (null: none).
inline FeatureBlocks ngramBlocks(const uint32_t* counts) {
  FeatureBlocks blocks;
  if (counts != nullptr) blocks[NGRAM_FEATURES] = encodeNgramRecord(counts);
  return blocks;
}

// N-gram lists asked for even where a database has none (add --ngrams),
// or (false) only where it has some.
inline FeatureSetFlags ngramsAsked(bool asked = true) {
  FeatureSetFlags flags = {};
  flags[NGRAM_FEATURES] = asked;
  return flags;
}

}  // namespace letterfreq
