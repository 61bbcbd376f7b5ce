// The steps of the word and n-gram feature set's row
// (profiles/feature_sets.h): its counter (sample/word_ngram_counter.h),
// its record codec (profiles/ngram_table_record.h), its model
// (profiles/word_ngram_model.h), whose weights are made from the entries'
// tables when first needed, and its matcher.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "profiles/feature_model.h"

namespace letterfreq {

// What the CLI warns when matching by words and n-grams a database that
// has no N-gram Table: every language is then listed without a score.
inline constexpr const char* NO_NGRAM_TABLES =
    "Database holds no word and n-gram tables.";

std::unique_ptr<FeatureCounter> makeWordNgramCounter();
// The N-gram Table block of an entry's counts n[0..262143].
std::vector<uint8_t> encodeWordNgramRecord(const uint32_t* counts);
std::unique_ptr<FeatureModel> makeWordNgramModel(
    int languageCount, const std::vector<bool>& withData, RecordsSource source);
// `model` must be one makeWordNgramModel made.
std::unique_ptr<FeatureMatcher> makeWordNgramMatcher(const FeatureModel& model);

}  // namespace letterfreq
