// The one answer a caller wants of a sample: its language with a
// confidence, or "unknown". The decision lives here so that
// `letterfreq-cli detect`, the window's answer line and the library give
// the same answer for the same ranking.
//
// The confidence is the best language's share of all languages: for a
// method whose scores are shares already ("N-gram Likelihood") the score
// itself, or where the method has a fitted temperature the calibrated share
// (profiles/likelihood_shares.h), for a method over the counts
// exp(k * (score - best)) summed to 1.
// Below the rule's least confidence the language is "unknown" and the best
// guesses stay among the alternatives. A sample whose bytes are no
// language (profiles/sample_evidence.h) is "unknown" before any scoring.
// Where the best two are close languages (profiles/close_languages.h) and
// the second is nearly as likely, the answer names the second too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "profiles/database_load.h"
#include "profiles/match.h"
#include "profiles/methods.h"
#include "profiles/sample_evidence.h"
#include "profiles/sample_features.h"

namespace letterfreq {

// More likely than all other languages together.
inline constexpr float DETECT_MIN_CONFIDENCE = 0.5f;
inline constexpr const char* UNKNOWN_LANGUAGE = "unknown";
// How many languages after the answer a detection names.
inline constexpr size_t DETECT_ALTERNATIVES = 2;

// A second close language is named when its share is at least this part
// of the answer's (bench/tools/unknown_rule measures what it gives).
inline constexpr float CLOSE_SECOND_MIN_RATIO = 0.1f;

// What a caller may set of the decision (detect's --min-confidence and
// --min-length).
struct DetectRule {
  float minConfidence = DETECT_MIN_CONFIDENCE;
  int64_t minLength = 0;  // counted bytes; fewer are "unknown"
};

struct LanguageGuess {
  std::string language;
  float confidence = 0.0f;
};

struct Detection {
  std::string language = UNKNOWN_LANGUAGE;
  float confidence = 0.0f;
  std::vector<LanguageGuess> alternatives;  // the next ones, best first
  // A close language nearly as likely as the answer ("Croatian (or
  // Bosnian)"); empty otherwise.
  std::string orLanguage;
  // Why the answer is "unknown" (a REASON_ text); empty for a language.
  std::string reason;

  bool known() const { return language != UNKNOWN_LANGUAGE; }
};

// The best method a database supports: the last method of the table that
// ranks by a feature set the database carries data for ("N-gram
// Likelihood" when it carries n-gram data), else "Difference".
const MatchMethod& bestDetectionMethod(const DatabaseLoad& loaded);

// The languages' shares, in the order of `rows` (best first), for rows
// ranked by `method`. Languages without a score have share 0.
std::vector<float> rankingShares(const std::vector<MatchRow>& rows,
                                 const MatchMethod& method);

// The answer for a sample with `evidence` and rows ranked by `method`
// (best first, as many as the method gave: for a method whose scores are
// shares the first 1 + DETECT_ALTERNATIVES are enough).
Detection decideDetection(const std::vector<MatchRow>& rows,
                          const MatchMethod& method,
                          const SampleEvidence& evidence,
                          const DetectRule& rule = {});

// The languages of one load in the form the best method matches them,
// made once for many samples. Borrows `loaded`, which must outlive it.
class LanguageDetector {
 public:
  explicit LanguageDetector(const DatabaseLoad& loaded);
  LanguageDetector(const LanguageDetector&) = delete;
  LanguageDetector& operator=(const LanguageDetector&) = delete;

  // What a sample must be counted for: attach it with
  // SampleFeatures::attachFor.
  const MatchMethod& method() const { return method_; }

  // Answers only among the languages flagged true (profiles/candidates.h),
  // with the shares among them; empty: every language.
  void restrictTo(std::vector<bool> candidates) {
    candidates_ = std::move(candidates);
  }
  void setRule(const DetectRule& rule) { rule_ = rule; }

  // The answer for a sample's 255 counts and the feature sets counted
  // for method().
  Detection detect(const int32_t* counts, const SampleFeatures& features);

 private:
  const MatchMethod& method_;
  MatchTarget target_;
  Ranking ranking_;  // room kept from sample to sample
  std::vector<bool> candidates_;
  DetectRule rule_;
  const bool calibrated_;  // the method's confidence has a temperature
};

}  // namespace letterfreq
