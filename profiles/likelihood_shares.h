// The shares of a likelihood method's ranking from its scores s_L: the
// softmax of (s_L - s_best) / (1000 t) over the ranked languages that have
// data. At t = 1 they are the methods' own bars; restricted to candidates
// they are the shares among them; detect's confidence takes a temperature
// t that grows with the sample's feature count N, since naive Bayes grows
// more overconfident with every feature:
//
//   t(N) = exp(A + B ln(N / 400)),
//
// A and B fitted per method by bench/fit-confidence on half the held-out
// starter documents (the table in the .cpp says on what).
#pragma once

#include <cstdint>

#include "profiles/match.h"
#include "profiles/methods.h"

namespace letterfreq {

// Rewrites the scores of `ranking`'s rows from ranking.ngramSums (s_L by
// position); rows without data (a NaN score) stay so.
void sharesFromLikelihoods(Ranking& ranking, double temperature);

// t for a sample of `features` features ranked by `method`; 1 for a
// method without a fit.
double confidenceTemperature(const MatchMethod& method, uint64_t features);

}  // namespace letterfreq
