#include "profiles/language_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace letterfreq {
namespace {

std::vector<MatchRow> rows(std::vector<std::pair<const char*, float>> list) {
  std::vector<MatchRow> result;
  for (size_t i = 0; i < list.size(); ++i) {
    MatchRow row;
    row.language = static_cast<int>(i);
    row.name = list[i].first;
    row.score = list[i].second;
    result.push_back(row);
  }
  return result;
}

const MatchMethod& ngrams() { return *findMethod(METHOD_NGRAM_LIKELIHOOD); }
const MatchMethod& difference() { return *findMethod(METHOD_DIFFERENCE); }

TEST(LanguageDetectorTest, SharesOfNgramRowsAreTheirScores) {
  const Detection found = decideDetection(
      rows({{"German", 0.8f}, {"Dutch", 0.15f}, {"English", 0.05f},
            {"French", 0.0f}}),
      ngrams(), true);
  EXPECT_EQ(found.language, "German");
  EXPECT_FLOAT_EQ(found.confidence, 0.8f);
  ASSERT_EQ(found.alternatives.size(), 2u);
  EXPECT_EQ(found.alternatives[0].language, "Dutch");
  EXPECT_FLOAT_EQ(found.alternatives[1].confidence, 0.05f);
  EXPECT_TRUE(found.known());
}

TEST(LanguageDetectorTest, UnsureAnswerIsUnknownWithTheGuessesKept) {
  const Detection found = decideDetection(
      rows({{"Croatian", 0.49f}, {"Bosnian", 0.48f}, {"Serbian", 0.03f}}),
      ngrams(), true);
  EXPECT_FALSE(found.known());
  EXPECT_EQ(found.language, UNKNOWN_LANGUAGE);
  EXPECT_FLOAT_EQ(found.confidence, 0.49f);
  // The best guess leads the alternatives, then the two after it.
  ASSERT_EQ(found.alternatives.size(), 3u);
  EXPECT_EQ(found.alternatives[0].language, "Croatian");
  EXPECT_EQ(found.alternatives[2].language, "Serbian");
}

TEST(LanguageDetectorTest, NothingCountedOrNoLanguageTellsNothing) {
  const auto some = rows({{"German", 1.0f}});
  for (const Detection& found :
       {decideDetection(some, ngrams(), false),
        decideDetection({}, ngrams(), true)}) {
    EXPECT_FALSE(found.known());
    EXPECT_EQ(found.confidence, 0.0f);
    EXPECT_TRUE(found.alternatives.empty());
  }
}

TEST(LanguageDetectorTest, CountScoresBecomeSharesByTheirDistanceToTheBest) {
  // 0.02 behind the best weighs e^-1 of it; a language without a score
  // weighs nothing.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const auto ranked =
      rows({{"English", 0.90f}, {"Scots", 0.88f}, {"Empty", nan}});
  const std::vector<float> share = rankingShares(ranked, difference());
  const double e = std::exp(-1.0);
  EXPECT_NEAR(share[0], 1 / (1 + e), 1e-4);
  EXPECT_NEAR(share[1], e / (1 + e), 1e-4);
  EXPECT_EQ(share[2], 0.0f);
  const Detection found = decideDetection(ranked, difference(), true);
  EXPECT_EQ(found.language, "English");
  EXPECT_NEAR(found.confidence, 1 / (1 + e), 1e-4);
}

TEST(LanguageDetectorTest, RowsWithoutAnyScoreAreUnknown) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Detection found =
      decideDetection(rows({{"A", nan}, {"B", nan}}), difference(), true);
  EXPECT_FALSE(found.known());
  EXPECT_EQ(found.confidence, 0.0f);
}

}  // namespace
}  // namespace letterfreq
