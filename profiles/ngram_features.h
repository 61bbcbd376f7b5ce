// The steps of the n-gram feature set's row (profiles/feature_sets.h): its
// counter (sample/ngram_counter.h), its model (profiles/ngram_model.h),
// and its matcher, which scores the first sample from the model's lists
// and builds the table in lanes (profiles/ngram_match.h) once a second
// sample comes: the table costs more than one sample's scores, so it
// pays only from then on. The scores are the same either way.
#pragma once

#include <memory>
#include <vector>

#include "profiles/feature_model.h"

namespace letterfreq {

std::unique_ptr<FeatureCounter> makeNgramCounter();
std::unique_ptr<FeatureModel> makeNgramModel(int languageCount,
                                             const std::vector<bool>& withData,
                                             RecordsSource source);
// `model` must be an NgramModel.
std::unique_ptr<FeatureMatcher> makeNgramMatcher(const FeatureModel& model);

}  // namespace letterfreq
