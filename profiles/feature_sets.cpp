#include "profiles/feature_sets.h"

#include "profiles/ngram_features.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "profiles/schema.h"
#include "sample/ngram_counter.h"

namespace letterfreq {

const std::array<FeatureSet, FEATURE_SET_COUNT> FEATURE_SETS = {
    FeatureSet{NGRAM_FEATURES, "n-grams", KIND_NGRAM_LIST, NGRAM_BUCKET_BITS,
               NGRAM_SHORTEST_WINDOW, NGRAM_LONGEST_WINDOW, false,
               NO_NGRAM_DATA, makeNgramCounter, encodeNgramRecord, makeNgramModel,
               makeNgramMatcher},
};

FeatureModels::FeatureModels() {
  for (const FeatureSet& row : FEATURE_SETS) {
    set(row.code, row.makeModel(0, {}, nullptr));
  }
}

}  // namespace letterfreq
