#include "profiles/feature_sets.h"

#include "profiles/ngram_features.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "profiles/schema.h"
#include "profiles/word_ngram_features.h"
#include "sample/ngram_counter.h"
#include "sample/word_ngram_counter.h"

namespace letterfreq {

const std::array<FeatureSet, FEATURE_SET_COUNT> FEATURE_SETS = {
    FeatureSet{NGRAM_FEATURES, "n-grams", KIND_NGRAM_LIST, NGRAM_BUCKET_BITS,
               NGRAM_SHORTEST_WINDOW, NGRAM_LONGEST_WINDOW, false,
               NO_NGRAM_DATA, makeNgramCounter, encodeNgramRecord, makeNgramModel,
               makeNgramMatcher},
    FeatureSet{WORD_NGRAM_FEATURES, "n-gram-tables", KIND_NGRAM_TABLE,
               WORD_NGRAM_BUCKET_BITS, WORD_NGRAM_SHORTEST_WINDOW,
               WORD_NGRAM_LONGEST_WINDOW, true, NO_NGRAM_TABLES,
               makeWordNgramCounter, encodeWordNgramRecord,
               makeWordNgramModel, makeWordNgramMatcher},
};

std::string featureDamageText(const FeatureRecordDamage& damage,
                              const std::string& entryName, uint32_t entryId) {
  std::string name = entryName;
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) c = '?';
  }
  return "!the " + damage.record() + " of the entry \"" + name +
         "\" (record " + std::to_string(entryId) + ") " + damage.fault();
}

FeatureModels::FeatureModels() {
  for (const FeatureSet& row : FEATURE_SETS) {
    set(row.code, row.makeModel(0, {}, nullptr));
  }
}

}  // namespace letterfreq
