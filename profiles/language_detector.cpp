#include "profiles/language_detector.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "profiles/candidates.h"
#include "profiles/close_languages.h"
#include "profiles/likelihood_shares.h"


namespace letterfreq {

namespace {

// Difference scores become shares as exp(k * (score - best score)), summed
// to 1: a language 0.02 behind the best weighs e^-1 of it.
constexpr double COUNT_SCORE_SHARE_SCALE = 50.0;

}  // namespace

const MatchMethod& bestDetectionMethod(const DatabaseLoad& loaded) {
  // The table lists the methods oldest first, and each newer feature set
  // was added for answering better: the last one the database carries
  // data for.
  for (auto method = MATCH_METHODS.rbegin(); method != MATCH_METHODS.rend();
       ++method) {
    if (method->features != NO_FEATURES &&
        loaded.features.of(method->features).carriesData()) {
      return *method;
    }
  }
  return *findMethod(METHOD_DIFFERENCE);
}

std::vector<float> rankingShares(const std::vector<MatchRow>& rows,
                                 const MatchMethod& method) {
  std::vector<float> result(rows.size(), 0.0f);
  if (rows.empty() || std::isnan(rows[0].score)) return result;
  if (method.scoresAreShares) {
    for (size_t r = 0; r < rows.size(); ++r) {
      if (!std::isnan(rows[r].score)) result[r] = rows[r].score;
    }
    return result;
  }
  std::vector<double> weights(rows.size(), 0.0);
  for (size_t r = 0; r < rows.size(); ++r) {
    if (std::isnan(rows[r].score)) continue;  // a language without counts
    weights[r] = std::exp(COUNT_SCORE_SHARE_SCALE *
                          (double(rows[r].score) - double(rows[0].score)));
  }
  const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
  for (size_t r = 0; r < rows.size(); ++r) {
    result[r] = static_cast<float>(weights[r] / sum);
  }
  return result;
}

Detection decideDetection(const std::vector<MatchRow>& rows,
                          const MatchMethod& method,
                          const SampleEvidence& evidence,
                          const DetectRule& rule) {
  Detection found;
  if (const char* reason = reasonForNoLanguage(evidence, rule.minLength)) {
    found.reason = reason;
    return found;
  }
  found.reason = REASON_LOW_CONFIDENCE;
  if (rows.empty()) return found;
  const std::vector<float> share = rankingShares(rows, method);
  found.confidence = share[0];
  const bool sure = found.confidence > 0 &&
                    found.confidence >= rule.minConfidence;
  if (sure) {
    found.language = rows[0].name;
    found.reason.clear();
    if (rows.size() > 1 && areCloseLanguages(rows[0].name, rows[1].name) &&
        share[1] >= CLOSE_SECOND_MIN_RATIO * share[0]) {
      found.orLanguage = rows[1].name;
    }
  }
  // When unsure, the best guesses stay visible among the alternatives.
  const size_t first = sure ? 1 : 0;
  const size_t last = std::min(rows.size(), size_t{1} + DETECT_ALTERNATIVES);
  for (size_t r = first; r < last; ++r) {
    found.alternatives.push_back({rows[r].name, share[r]});
  }
  return found;
}

LanguageDetector::LanguageDetector(const DatabaseLoad& loaded)
    : method_(bestDetectionMethod(loaded)),
      target_(loaded.languageProfiles(), loaded.features),
      calibrated_(confidenceTemperature(method_, 1) != 1.0) {}

Detection LanguageDetector::detect(const int32_t* counts,
                                   const SampleFeatures& features) {
  const SampleEvidence evidence = sampleEvidence(counts);
  if (reasonForNoLanguage(evidence, rule_.minLength) != nullptr) {
    return decideDetection({}, method_, evidence, rule_);  // nothing to rank
  }
  const SampleCounts sample = features.with(counts);
  // Shares by n-grams are the scores already, so the first rows are
  // enough, unless the shares are made again here (among candidates, or
  // with a temperature); shares over the counts take every score.
  const size_t shown = 1 + DETECT_ALTERNATIVES;
  const bool reshared = !candidates_.empty() || calibrated_;
  rankByMethod(method_, target_, sample,
               method_.scoresAreShares && !reshared ? shown : 0, ranking_);
  if (!candidates_.empty()) keepCandidates(candidates_, method_, 0, ranking_);
  if (calibrated_ &&
      ranking_.ngramSums.size() >= target_.languages().size()) {
    sharesFromLikelihoods(
        ranking_, confidenceTemperature(method_, ranking_.sampleFeatures));
  }
  if (method_.scoresAreShares && ranking_.languages.size() > shown) {
    ranking_.languages.resize(shown);
    ranking_.scores.resize(shown);
  }
  return decideDetection(namedRows(ranking_, target_.languages()), method_,
                         evidence, rule_);
}

}  // namespace letterfreq
