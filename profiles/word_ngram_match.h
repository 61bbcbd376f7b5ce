// Matching by word and n-gram likelihood: with N the sample's features and
// n[b] its bucket counts, the score of language L is
//
//   s_L = u_L * N + sum over the sample's buckets b of n[b] * e_L[b]
//
// in 64-bit integers (profiles/word_ngram_model.h gives u_L and e_L),
// ranked as profiles/likelihood_ranking.h ranks.
#pragma once

#include "profiles/likelihood_ranking.h"
#include "profiles/word_ngram_model.h"
#include "sample/word_ngram_counter.h"

namespace letterfreq {

// `sample`: a finished counter.
LikelihoodRanking matchWordNgrams(const WordNgramModel& model,
                                  const WordNgramCounter& sample);

}  // namespace letterfreq
