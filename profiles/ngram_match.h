// Matching by n-gram likelihood: the score of language L is
//
//   s_L = sum over buckets b of n[b] * w_L[b]
//
// in 64-bit integers over the sample's full bucket counts. Languages are
// ranked by falling score, ties to the earlier language; a language without
// n-gram data gets no score and comes after every scored one, in database
// order. Its bar is the language's posterior share under equal priors,
// exp((s_L - s_best) / 1000) / sum_j exp((s_j - s_best) / 1000), and not a
// number for a language without data.
#pragma once

#include <cstdint>
#include <vector>

#include "app/letter_profile.h"
#include "profiles/match.h"
#include "profiles/ngram_lanes_wide.h"
#include "profiles/ngram_model.h"

namespace letterfreq {

// What the CLI warns when matching by n-grams a database that has none:
// every language is then listed without a score.
inline constexpr const char* NO_NGRAM_DATA = "Database holds no n-gram data.";

struct NgramMatch {
  std::vector<int64_t> scores;   // s_L per language; 0 without data
  std::vector<float> bars;       // the posterior share; NaN without data
  std::vector<int32_t> ranking;  // language positions, best first
};

// Scores every language of `model` against the sample's bucket counts
// n[0..NGRAM_BUCKETS-1], ranks them and gives each its bar, in full: the
// plain version, and the oracle of rankSampleByNgrams.
NgramMatch matchNgrams(const NgramModel& model, const uint32_t* sampleCounts);

// The scores of a model from its table (profiles/ngram_match_lanes.cpp, in
// AVX2 lanes where the processor has them), for many samples: the scores
// s_L are the plain version's, exactly. They
// read the model's table of negated weights as signed 16-bit numbers: not
// usable for a model without n-gram data or with a weight below -32767 (a
// language total beyond 2 * 10^13). The model must outlive them.
class NgramLanes {
 public:
  explicit NgramLanes(const NgramModel& model);

  bool usable() const { return table_.negated != nullptr; }
  // s_L of every language of the model into `scores`; `touched` is room
  // for the list of the sample's buckets, found by a look through all
  // counts unless `known`.
  void score(const uint32_t* sampleCounts, std::vector<uint16_t>& touched,
             std::vector<int64_t>& scores, TouchedBuckets known = {}) const;

 private:
  // The buckets whose counts are not 0, in rising order.
  static void touchedBuckets(const uint32_t* sampleCounts,
                             std::vector<uint16_t>& touched);
  // scores[L] += the sum of n[b] * -w_L[b] over `touched`.
  void addScores(const uint32_t* sampleCounts, TouchedBuckets touched,
                 int64_t* scores) const;

  ngram_lanes::NarrowTable table_{};  // the model's; null when not usable
};

// The same ranking for `languageCount` languages of the load that made
// `model` (any beyond the model unscored, last), cut to its first `limit`
// (all for 0), into `out`: positions, and the bars as scores, each the
// same float. Scores in `lanes` when given and usable. Sorts and takes
// exp() of only what it must: the languages whose bar is not exactly 0,
// and those shown. `touched`, when known, spares the lanes a look through
// all counts.
void rankSampleByNgrams(const NgramModel& model, const NgramLanes* lanes,
                        const uint32_t* sampleCounts, size_t languageCount,
                        size_t limit, Ranking& out,
                        TouchedBuckets touched = {});

// The whole match by METHOD_NGRAM_LIKELIHOOD, as rows best first like the
// other methods' (profiles/match.h): each row's score is the language's
// bar. `languages` are the languages of the load that made `model`, in the
// same order; any beyond the model count as languages without data.
std::vector<MatchRow> matchSampleByNgrams(
    const NgramModel& model, const uint32_t* sampleCounts,
    ProfileList languages);

}  // namespace letterfreq
