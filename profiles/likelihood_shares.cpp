#include "profiles/likelihood_shares.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace letterfreq {
namespace {

struct TemperatureFit {
  int methodCode;
  double a;
  double b;
};

// bench/fit-confidence on data/ling2.db built with N-gram Tables (113
// languages, 2,115 entries) and 19,008 snippets of 15-400 bytes from the
// even-numbered held-out documents; on the odd-numbered ones the expected
// calibration error went from 0.062 / 0.016 / 0.008 (t = 1) to
// 0.012 / 0.004 / 0.005 at 30 / 100 / 400 bytes (t = 19.9, 33.5, 60.6 at
// their median feature counts 121, 408 and 1,633).
constexpr TemperatureFit FITS[] = {
    {METHOD_WORD_NGRAM_LIKELIHOOD, 3.5023, 0.4280},
};

constexpr double CENTRE_FEATURES = 400.0;
constexpr double SCORE_SCALE = 1000.0;  // s_L is in thousandths of a nat

}  // namespace

void sharesFromLikelihoods(Ranking& ranking, double temperature) {
  const std::vector<int64_t>& sums = ranking.ngramSums;
  int64_t best = std::numeric_limits<int64_t>::min();
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;  // no data
    best = std::max(best, sums[static_cast<size_t>(ranking.languages[r])]);
  }
  const double scale = 1.0 / (SCORE_SCALE * temperature);
  const auto weight = [&](size_t r) {
    const int64_t sum = sums[static_cast<size_t>(ranking.languages[r])];
    return std::exp(static_cast<double>(sum - best) * scale);
  };
  double total = 0.0;
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (!std::isnan(ranking.scores[r])) total += weight(r);
  }
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;
    ranking.scores[r] = static_cast<float>(weight(r) / total);
  }
}

double confidenceTemperature(const MatchMethod& method, uint64_t features) {
  for (const TemperatureFit& fit : FITS) {
    if (fit.methodCode != method.code) continue;
    const double n = static_cast<double>(std::max<uint64_t>(features, 1));
    return std::exp(fit.a + fit.b * std::log(n / CENTRE_FEATURES));
  }
  return 1.0;
}

}  // namespace letterfreq
