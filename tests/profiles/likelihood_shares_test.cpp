#include "profiles/likelihood_shares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace letterfreq {
namespace {

// Two scored languages 1,000 apart and one without data: at t = 1 the
// bars' own shares, at t = 2 the gap counts half.
TEST(LikelihoodSharesTest, TemperatureSoftensTheSharesOfScoredLanguages) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (double t : {1.0, 2.0}) {
    Ranking ranking;
    ranking.languages = {2, 0, 1};
    ranking.scores = {0.0f, 0.0f, nan};
    ranking.ngramSums = {-6000, 123456, -5000};
    sharesFromLikelihoods(ranking, t);
    const double e = std::exp(-1.0 / t);
    EXPECT_NEAR(ranking.scores[0], 1 / (1 + e), 1e-6);
    EXPECT_NEAR(ranking.scores[1], e / (1 + e), 1e-6);
    EXPECT_TRUE(std::isnan(ranking.scores[2]));
  }
}

// The fitted temperature grows with the features; methods without a fit
// keep t = 1.
TEST(LikelihoodSharesTest, FittedTemperatureGrowsWithTheFeatures) {
  const MatchMethod& words = *findMethod(METHOD_WORD_NGRAM_LIKELIHOOD);
  const double short30 = confidenceTemperature(words, 121);
  const double long400 = confidenceTemperature(words, 1633);
  EXPECT_GT(short30, 10.0);
  EXPECT_GT(long400, short30);
  EXPECT_EQ(confidenceTemperature(*findMethod(METHOD_NGRAM_LIKELIHOOD), 500),
            1.0);
}

}  // namespace
}  // namespace letterfreq
