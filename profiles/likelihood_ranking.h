// The ranking of likelihood scores s_L, as the n-gram methods give it: the
// scored languages by falling score, ties to the earlier language, then the
// languages without a model in database order. A scored language's bar is
// its posterior share under equal priors,
//
//   exp((s_L - s_best) / 1000) / sum_j exp((s_j - s_best) / 1000),
//
// and not a number for a language without a model.
#pragma once

#include <cstdint>
#include <vector>

#include "profiles/match.h"

namespace letterfreq {

struct LikelihoodRanking {
  std::vector<int64_t> scores;   // s_L per language; 0 without a model
  std::vector<float> bars;       // the posterior share; NaN without a model
  std::vector<int32_t> ranking;  // language positions, best first
};

// `scored[L]` says whether language L has a model; `scores` holds s_L.
LikelihoodRanking rankLikelihoods(std::vector<int64_t> scores,
                                  const std::vector<uint8_t>& scored);

// The same as the rows of a match of `languageCount` languages of the load
// (any beyond `scores` unscored, last; positions beyond languageCount left
// out), cut to the first `limit` (all for 0), into `out`: positions, and
// the bars as scores.
void rankLikelihoods(std::vector<int64_t> scores,
                     const std::vector<uint8_t>& scored, size_t languageCount,
                     size_t limit, Ranking& out);

}  // namespace letterfreq
