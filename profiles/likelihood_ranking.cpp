#include "profiles/likelihood_ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace letterfreq {

LikelihoodRanking rankLikelihoods(std::vector<int64_t> scores,
                                  const std::vector<uint8_t>& scored) {
  LikelihoodRanking out;
  const size_t count = scores.size();
  out.scores = std::move(scores);
  out.bars.assign(count, std::numeric_limits<float>::quiet_NaN());
  out.ranking.reserve(count);
  auto hasModel = [&scored](size_t e) {
    return e < scored.size() && scored[e];
  };
  for (size_t e = 0; e < count; ++e) {
    if (hasModel(e)) {
      out.ranking.push_back(static_cast<int32_t>(e));
    } else {
      out.scores[e] = 0;
    }
  }
  // A stable sort keeps ties in database order.
  std::stable_sort(out.ranking.begin(), out.ranking.end(),
                   [&out](int32_t a, int32_t b) {
                     return out.scores[static_cast<size_t>(a)] >
                            out.scores[static_cast<size_t>(b)];
                   });
  const size_t ranked = out.ranking.size();
  for (size_t e = 0; e < count; ++e) {
    if (!hasModel(e)) out.ranking.push_back(static_cast<int32_t>(e));
  }
  if (ranked == 0) return out;
  const int64_t best = out.scores[static_cast<size_t>(out.ranking[0])];
  auto term = [&](size_t r) {
    const auto e = static_cast<size_t>(out.ranking[r]);
    return std::exp(static_cast<double>(out.scores[e] - best) / 1000.0);
  };
  double sum = 0.0;
  for (size_t r = 0; r < ranked; ++r) sum += term(r);
  for (size_t r = 0; r < ranked; ++r) {
    out.bars[static_cast<size_t>(out.ranking[r])] =
        static_cast<float>(term(r) / sum);
  }
  return out;
}

void rankLikelihoods(std::vector<int64_t> scores,
                     const std::vector<uint8_t>& scored, size_t languageCount,
                     size_t limit, Ranking& out) {
  const size_t modelled = scores.size();
  const LikelihoodRanking ranked = rankLikelihoods(std::move(scores), scored);
  out.languages.clear();
  out.scores.clear();
  auto keep = [&](size_t e, float bar) {
    if (e >= languageCount) return;
    out.languages.push_back(static_cast<int32_t>(e));
    out.scores.push_back(bar);
  };
  for (int32_t e : ranked.ranking) {
    keep(static_cast<size_t>(e), ranked.bars[static_cast<size_t>(e)]);
  }
  for (size_t e = modelled; e < languageCount; ++e) {
    keep(e, std::numeric_limits<float>::quiet_NaN());
  }
  if (limit != 0 && out.languages.size() > limit) {
    out.languages.resize(limit);
    out.scores.resize(limit);
  }
}

}  // namespace letterfreq
