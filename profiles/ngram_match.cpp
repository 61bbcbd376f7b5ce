#include "profiles/ngram_match.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace letterfreq {

NgramMatch matchNgrams(const NgramModel& model, const uint32_t* sampleCounts) {
  const int n = model.languageCount();
  const size_t count = static_cast<size_t>(n);
  NgramMatch match;
  match.scores.assign(count, 0);
  match.bars.assign(count, std::numeric_limits<float>::quiet_NaN());
  match.ranking.reserve(count);

  if (model.carriesNgramData()) {
    int64_t* scores = match.scores.data();
    for (int b = 0; b < NGRAM_BUCKETS; ++b) {
      if (sampleCounts[b] == 0) continue;
      const int64_t times = sampleCounts[b];
      const int32_t* row = model.bucketRow(b);
      for (size_t e = 0; e < count; ++e) scores[e] += times * row[e];
    }
  }

  // Scored languages by falling score (a stable sort keeps ties in database
  // order), then the languages without data.
  for (int e = 0; e < n; ++e) {
    if (model.hasData(e)) {
      match.ranking.push_back(e);
    } else {
      match.scores[static_cast<size_t>(e)] = 0;
    }
  }
  std::stable_sort(match.ranking.begin(), match.ranking.end(),
                   [&match](int32_t a, int32_t b) {
                     return match.scores[static_cast<size_t>(a)] >
                            match.scores[static_cast<size_t>(b)];
                   });
  const size_t scored = match.ranking.size();
  for (int e = 0; e < n; ++e) {
    if (!model.hasData(e)) match.ranking.push_back(e);
  }
  if (scored == 0) return match;

  const int64_t best = match.scores[static_cast<size_t>(match.ranking[0])];
  double sum = 0.0;
  for (size_t r = 0; r < scored; ++r) {
    size_t e = static_cast<size_t>(match.ranking[r]);
    sum += std::exp(static_cast<double>(match.scores[e] - best) / 1000.0);
  }
  for (size_t r = 0; r < scored; ++r) {
    size_t e = static_cast<size_t>(match.ranking[r]);
    double share =
        std::exp(static_cast<double>(match.scores[e] - best) / 1000.0) / sum;
    match.bars[e] = static_cast<float>(share);
  }
  return match;
}

}  // namespace letterfreq
