#include "profiles/match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "profiles/methods.h"

namespace letterfreq {
namespace {

constexpr int A = 'a', B = 'b', C = 'c';

using Counts = std::array<int32_t, PROFILE_SLOTS>;

LetterProfile language(const char* name, uint32_t id, int entries,
                       std::vector<std::pair<int, int32_t>> counts) {
  LetterProfile profile;
  profile.name = name;
  profile.recordId = id;
  profile.sampleCount = entries;
  for (auto [b, count] : counts) profile.counts[b] = count;
  profile.sortOrder();
  return profile;
}

Counts sampleOf(std::vector<std::pair<int, int32_t>> counts) {
  Counts sample{};
  for (auto [b, count] : counts) sample[b] = count;
  return sample;
}

// Counts over every byte value, uneven enough that no frequency is a
// round binary fraction.
Counts varied(uint32_t seed) {
  Counts counts{};
  uint32_t x = seed;
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    x = x * 1664525u + 1013904223u;
    counts[b] = static_cast<int32_t>((x >> 8) % 5000);
  }
  return counts;
}

std::vector<float> matchDeviations(const int32_t* sampleCounts,
                                   const LanguageTable& languages, int k) {
  std::vector<float> scores;
  scoreDeviations(sampleCounts, languages, k, scores);
  return scores;
}

std::vector<float> scoresBy(int code, const Counts& sample,
                            const std::vector<LetterProfile>& languages) {
  std::vector<float> scores;
  EXPECT_TRUE(
      matchScores(code, sample.data(), LanguageTable(languages), scores));
  return scores;
}

// Sample: a 3, b 1, so q(a) = 0.75 and q(b) = 0.25; every step below is
// exact in binary, so the scores are exact.
class MatchHandChecked : public ::testing::Test {
 protected:
  Counts sample = sampleOf({{A, 3}, {B, 1}});
  std::vector<LetterProfile> languages = {
      language("Even", 10, 1, {{A, 1}, {B, 1}}),    // p 0.5, 0.5
      language("Other", 20, 1, {{C, 2}}),           // p(c) 1
      language("Same", 30, 1, {{A, 6}, {B, 2}}),    // the sample's shape
      language("Even3", 40, 3, {{A, 5}, {B, 5}})};  // p 0.5, 0.5 of 3
};

TEST_F(MatchHandChecked, DifferenceIsOneMinusTheSumOfDistances) {
  const auto scores = scoresBy(METHOD_DIFFERENCE, sample, languages);
  ASSERT_EQ(scores.size(), 4u);
  EXPECT_EQ(scores[0], 0.5f);   // 1 - (0.25 + 0.25)
  EXPECT_EQ(scores[1], -1.0f);  // 1 - (0.75 + 0.25 + 1)
  EXPECT_EQ(scores[2], 1.0f);
  EXPECT_EQ(scores[3], 0.5f);
}

TEST_F(MatchHandChecked, TendencyPullWeighsTheLanguageByItsEntries) {
  const auto scores = scoresBy(METHOD_TENDENCY_PULL, sample, languages);
  ASSERT_EQ(scores.size(), 4u);
  // One entry: m = (p + q) / 2, the same as Difference.
  EXPECT_EQ(scores[0], 0.5f);
  // m(a) 0.375, m(b) 0.125, m(c) 0.5: 1 - 2 (0.375 + 0.125 + 0.5).
  EXPECT_EQ(scores[1], -1.0f);
  EXPECT_EQ(scores[2], 1.0f);
  // Three entries: m(a) = (1.5 + 0.75) / 4 = 0.5625, m(b) = 0.4375;
  // 1 - 2 (0.0625 + 0.0625).
  EXPECT_EQ(scores[3], 0.75f);
}

TEST(MatchDeviationsTest, EachMethodWidensTheBandByOneDeviation) {
  // q: a 0.625, b 0.25, c 0.125; p: a 0.5, b 0.5, c 0.
  const Counts sample = sampleOf({{A, 5}, {B, 2}, {C, 1}});
  LetterProfile lang = language("L", 1, 2, {{A, 2}, {B, 2}});
  lang.stdDevs[A] = 0.0625f;  // inside from 2 deviations, on the edge
  lang.stdDevs[B] = 0.1f;     // inside from 3
  lang.stdDevs[C] = 0.04f;    // inside at 4
  const std::vector<LetterProfile> languages = {lang};
  const float share = 1.0f / 255.0f;
  EXPECT_NEAR(scoresBy(METHOD_ONE_STD_DEVIATION, sample, languages)[0],
              252 * share, 1e-6);
  EXPECT_NEAR(scoresBy(METHOD_TWO_STD_DEVIATIONS, sample, languages)[0],
              253 * share, 1e-6);
  EXPECT_NEAR(scoresBy(METHOD_THREE_STD_DEVIATIONS, sample, languages)[0],
              254 * share, 1e-6);
  EXPECT_EQ(scoresBy(METHOD_FOUR_STD_DEVIATIONS, sample, languages)[0], 1.0f);
  EXPECT_EQ(matchDeviations(sample.data(), LanguageTable(languages), 2)[0],
            scoresBy(METHOD_TWO_STD_DEVIATIONS, sample, languages)[0]);
}

TEST(MatchDeviationsTest, WithoutDeviationsOnlyEqualFrequenciesAreInside) {
  const Counts sample = sampleOf({{A, 3}, {B, 1}});
  const std::vector<LetterProfile> languages = {
      language("Other", 1, 1, {{C, 2}}),
      language("Half", 2, 1, {{A, 3}, {C, 1}})};
  const auto scores = scoresBy(METHOD_FOUR_STD_DEVIATIONS, sample, languages);
  EXPECT_NEAR(scores[0], 252.0f / 255.0f, 1e-6);  // a, b and c outside
  EXPECT_NEAR(scores[1], 253.0f / 255.0f, 1e-6);  // a equal; b, c outside
}

TEST(MatchSelfTest, ALanguageMadeFromTheSampleScoresOne) {
  for (uint32_t seed : {1u, 7u, 12345u}) {
    const Counts sample = varied(seed);
    LetterProfile self;
    self.name = "Self";
    self.sampleCount = 1;
    self.counts = sample;
    const std::vector<LetterProfile> languages = {self};
    for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
      const float score = scoresBy(code, sample, languages)[0];
      if (code == METHOD_DIFFERENCE) {
        EXPECT_NEAR(score, 1.0f, 1e-6) << "seed " << seed;
      } else {
        EXPECT_EQ(score, 1.0f) << methodName(code) << ", seed " << seed;
      }
    }
  }
}

TEST(MatchNotANumberTest, ALanguageWithoutEntriesHasNoScore) {
  const Counts sample = sampleOf({{A, 3}, {B, 1}});
  const std::vector<LetterProfile> languages = {
      language("Empty", 1, 0, {}), language("Far", 2, 1, {{C, 1}}),
      language("Near", 3, 1, {{A, 1}, {B, 1}})};
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    const auto scores = scoresBy(code, sample, languages);
    const bool numberless =
        code == METHOD_DIFFERENCE || code == METHOD_TENDENCY_PULL;
    if (numberless) {
      EXPECT_TRUE(std::isnan(scores[0])) << methodName(code);
    } else {
      EXPECT_EQ(scores[0], 0.0f) << methodName(code);
    }
    // Listed once, after every language with a number, even one below 0.
    const auto rows = matchSample(code, sample.data(), languages);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "Near");
    EXPECT_EQ(rows[1].name, "Far");
    EXPECT_EQ(rows[2].name, "Empty");
    if (numberless) {
      EXPECT_LT(rows[1].score, 0.0f) << methodName(code);
    }
  }
}

TEST(MatchNotANumberTest, WithoutASampleEveryLanguageIsListedInFileOrder) {
  const Counts none{};
  const std::vector<LetterProfile> languages = {
      language("First", 1, 1, {{A, 1}}), language("Second", 2, 2, {{B, 4}}),
      language("Third", 3, 0, {})};
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    const auto rows = matchSample(code, none.data(), languages);
    ASSERT_EQ(rows.size(), 3u);
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(rows[r].language, r);
      if (code == METHOD_DIFFERENCE || code == METHOD_TENDENCY_PULL) {
        EXPECT_TRUE(std::isnan(rows[r].score));
      } else {
        EXPECT_EQ(rows[r].score, 0.0f);
      }
    }
  }
}

TEST(MatchRankingTest, RowsAreBestFirstWithTiesInFileOrder) {
  const Counts sample = sampleOf({{A, 3}, {B, 1}});
  const std::vector<LetterProfile> languages = {
      language("Even", 10, 1, {{A, 1}, {B, 1}}),
      language("Other", 20, 1, {{C, 2}}),
      language("Same", 30, 1, {{A, 6}, {B, 2}}),
      language("Even again", 40, 1, {{A, 2}, {B, 2}})};
  const auto rows = matchSample(METHOD_DIFFERENCE, sample.data(), languages);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].language, 2);
  EXPECT_EQ(rows[0].name, "Same");
  EXPECT_EQ(rows[0].recordId, 30u);
  EXPECT_EQ(rows[0].score, 1.0f);
  EXPECT_EQ(rows[1].name, "Even");
  EXPECT_EQ(rows[2].name, "Even again");
  EXPECT_EQ(rows[2].score, 0.5f);
  EXPECT_EQ(rows[3].name, "Other");
}

TEST(MatchRankingTest, ManyMoreThan255LanguagesAreEachRankedOnce) {
  const Counts sample = varied(99);
  std::vector<LetterProfile> languages;
  for (int e = 0; e < 300; ++e) {
    LetterProfile lang;
    lang.name = "L" + std::to_string(e);
    lang.sampleCount = 1 + e % 4;
    // Every fifth language repeats an earlier one, so ties occur.
    lang.counts = varied(e % 5 == 4 ? e - 4 : e + 1000);
    for (int b = 0; b < PROFILE_SLOTS; ++b) lang.stdDevs[b] = 0.001f * (e % 7);
    languages.push_back(lang);
  }
  const LanguageTable table(languages);
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    std::vector<float> scores;
    ASSERT_TRUE(matchScores(code, sample.data(), table, scores));
    const auto rows = matchSample(code, sample.data(), table, languages);
    ASSERT_EQ(rows.size(), 300u);
    std::vector<int> seen(300, 0);
    for (size_t r = 0; r < rows.size(); ++r) {
      ++seen[rows[r].language];
      EXPECT_EQ(rows[r].score, scores[rows[r].language]);
      if (r > 0) {
        const MatchRow& before = rows[r - 1];
        EXPECT_GE(before.score, rows[r].score);
        if (before.score == rows[r].score) {
          EXPECT_LT(before.language, rows[r].language);
        }
      }
    }
    for (int count : seen) EXPECT_EQ(count, 1);
  }
}

TEST(MatchRankingTest, AScoreDoesNotDependOnTheOtherLanguages) {
  const Counts sample = varied(3);
  std::vector<LetterProfile> languages;
  for (int e = 0; e < 19; ++e) {
    LetterProfile lang;
    lang.sampleCount = e % 3;
    lang.counts = varied(e + 50);
    for (int b = 0; b < PROFILE_SLOTS; ++b) lang.stdDevs[b] = 1e-4f * (b % 9);
    languages.push_back(lang);
  }
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    const auto all = scoresBy(code, sample, languages);
    for (int e = 0; e < 19; ++e) {
      EXPECT_EQ(all[e], scoresBy(code, sample, {languages[e]})[0])
          << methodName(code) << ", language " << e;
    }
  }
}

TEST(MatchMethodTest, OnlyTheSixCodesAreMethods) {
  const Counts sample = sampleOf({{A, 1}});
  const std::vector<LetterProfile> languages = {language("L", 1, 1, {{A, 1}})};
  std::vector<float> scores = {7.0f};
  // 7 and 8 are the n-gram methods: menu methods, but not over the counts.
  for (int code : {0, METHOD_NGRAM_LIKELIHOOD, METHOD_WORD_NGRAM_LIKELIHOOD,
                   9, -1, 100}) {
    EXPECT_FALSE(
        matchScores(code, sample.data(), LanguageTable(languages), scores));
    EXPECT_TRUE(scores.empty());
    EXPECT_TRUE(matchSample(code, sample.data(), languages).empty());
    EXPECT_EQ(methodName(code) == nullptr,
              code != METHOD_NGRAM_LIKELIHOOD &&
                  code != METHOD_WORD_NGRAM_LIKELIHOOD);
  }
  EXPECT_TRUE(matchSample(METHOD_DIFFERENCE, sample.data(), {}).empty());
}

}  // namespace
}  // namespace letterfreq
