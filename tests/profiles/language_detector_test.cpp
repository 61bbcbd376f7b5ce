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

// Evidence of a plain sentence of `bytes` letters.
SampleEvidence sentence(int64_t bytes = 40) {
  SampleEvidence evidence;
  evidence.bytes = evidence.letters = bytes;
  evidence.commonestLetter = bytes / 8;
  return evidence;
}

const MatchMethod& ngrams() { return *findMethod(METHOD_NGRAM_LIKELIHOOD); }
const MatchMethod& difference() { return *findMethod(METHOD_DIFFERENCE); }

TEST(LanguageDetectorTest, SharesOfNgramRowsAreTheirScores) {
  const Detection found = decideDetection(
      rows({{"German", 0.8f}, {"Dutch", 0.15f}, {"English", 0.05f},
            {"French", 0.0f}}),
      ngrams(), sentence());
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
      ngrams(), sentence());
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
       {decideDetection(some, ngrams(), SampleEvidence{}),
        decideDetection({}, ngrams(), sentence())}) {
    EXPECT_FALSE(found.known());
    EXPECT_EQ(found.confidence, 0.0f);
    EXPECT_TRUE(found.alternatives.empty());
  }
}

// Bytes that are no language are "unknown" with the reason, however they
// scored; a caller's least length and confidence move the line.
TEST(LanguageDetectorTest, EvidenceAndTheCallersRuleDecideBeforeTheScores) {
  const auto sure = rows({{"German", 0.99f}, {"Dutch", 0.01f}});
  const auto reasonFor = [&sure](const SampleEvidence& evidence,
                                 const DetectRule& rule = {}) {
    const Detection found = decideDetection(sure, ngrams(), evidence, rule);
    return found.known() ? found.language : found.reason;
  };
  SampleEvidence digits;  // "1234567890"
  digits.bytes = digits.symbols = 10;
  EXPECT_EQ(reasonFor(digits), REASON_NO_LETTERS);
  SampleEvidence date = sentence(3);  // "2024-05-17 10:31 UTC"
  date.bytes = 20;
  date.symbols = 15;
  EXPECT_EQ(reasonFor(date), REASON_MOSTLY_SYMBOLS);
  SampleEvidence repeated = sentence(46);  // 46 "a"s
  repeated.commonestLetter = 46;
  EXPECT_EQ(reasonFor(repeated), REASON_REPEATS);
  EXPECT_EQ(reasonFor(sentence(20)), "German");
  EXPECT_EQ(reasonFor(sentence(20), {0.5f, 21}), REASON_TOO_SHORT);
  EXPECT_EQ(reasonFor(sentence(20), {0.995f, 0}), REASON_LOW_CONFIDENCE);
}

TEST(LanguageDetectorTest, ACloseSecondNearlyAsLikelyIsNamedWithTheAnswer) {
  const auto named = [](const char* second, float share) {
    return decideDetection(rows({{"Croatian", 0.8f}, {second, share}}),
                           ngrams(), sentence())
        .orLanguage;
  };
  EXPECT_EQ(named("Bosnian", 0.2f), "Bosnian");
  EXPECT_EQ(named("Bosnian", 0.01f), "");  // far behind
  EXPECT_EQ(named("Slovenian", 0.2f), "");  // not in its group
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
  const Detection found = decideDetection(ranked, difference(), sentence());
  EXPECT_EQ(found.language, "English");
  EXPECT_NEAR(found.confidence, 1 / (1 + e), 1e-4);
}

TEST(LanguageDetectorTest, RowsWithoutAnyScoreAreUnknown) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Detection found =
      decideDetection(rows({{"A", nan}, {"B", nan}}), difference(), sentence());
  EXPECT_FALSE(found.known());
  EXPECT_EQ(found.confidence, 0.0f);
}

}  // namespace
}  // namespace letterfreq
