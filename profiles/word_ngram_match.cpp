#include "profiles/word_ngram_match.h"

namespace letterfreq {

LikelihoodRanking matchWordNgrams(const WordNgramModel& model,
                                  const WordNgramCounter& sample) {
  std::vector<int64_t> scores;
  model.score(sample.counts(), sample.usedBuckets(), sample.features(), scores);
  std::vector<uint8_t> scored(scores.size(), 0);
  for (size_t e = 0; e < scored.size(); ++e) {
    scored[e] = model.hasData(static_cast<int>(e)) ? 1 : 0;
  }
  return rankLikelihoods(std::move(scores), scored);
}

}  // namespace letterfreq
