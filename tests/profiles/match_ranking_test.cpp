// The rankings a batch prints (rankScores, rankSampleByNgrams) against the
// plain ones they replace: the stable sort of rankByValue and the full
// n-gram match, over random scores and models, every cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "profiles/match.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

// Same float, bit for bit (NaN == NaN of the same bits).
void expectSameBits(float a, float b, const std::string& where) {
  uint32_t x, y;
  std::memcpy(&x, &a, 4);
  std::memcpy(&y, &b, 4);
  EXPECT_EQ(x, y) << where << ": " << a << " vs " << b;
}

// Scores with many ties, both zeros, NaNs of both signs and infinities.
std::vector<float> randomScores(std::mt19937& random, size_t n) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> special = {0.0f, -0.0f, nan, -nan, inf, -inf, 1.0f};
  std::vector<float> scores(n);
  for (float& score : scores) {
    const uint32_t pick = random() % 10;
    if (pick < 3) {
      score = special[random() % special.size()];
    } else if (pick < 6) {
      score = static_cast<float>(random() % 5) / 4.0f;  // ties
    } else {
      score = std::uniform_real_distribution<float>(-2.0f, 1.0f)(random);
    }
  }
  return scores;
}

TEST(MatchRankingTest, EveryCutIsThePrefixOfTheStableRanking) {
  std::mt19937 random(16);
  Ranking ranking;  // reused, as a batch does
  for (int round = 0; round < 400; ++round) {
    // Counted up to 128 languages, sorted by radix beyond.
    const size_t n = random() % 300;
    const std::vector<float> scores = randomScores(random, n);
    std::vector<int32_t> plain(n);
    rankByValue(scores.data(), plain.data(), static_cast<int>(n));
    for (size_t limit :
         {size_t{0}, size_t{1}, size_t{2}, size_t{5}, n, n + 3}) {
      rankScores(scores, limit, ranking);
      const size_t expected = limit == 0 ? n : std::min(limit, n);
      ASSERT_EQ(ranking.languages.size(), expected);
      ASSERT_EQ(ranking.scores.size(), expected);
      for (size_t r = 0; r < expected; ++r) {
        ASSERT_EQ(ranking.languages[r], plain[r]) << "round " << round;
        expectSameBits(ranking.scores[r], scores[plain[r]], "score");
      }
    }
  }
}

// A model whose languages are random texts over a few letters, so that
// they are close or far apart; an empty text is a language without data.
// In one model of four, a language has a total of about 2 * 10^13, whose
// lowest weights lie either side of -32767, the lowest the lanes take, or
// the largest total of all.
NgramModel randomModel(std::mt19937& random, int languages) {
  NgramModel model(languages);
  NgramLanguageCounts counts;
  const int huge = random() % 4 == 0 ? static_cast<int>(random()) % languages
                                     : -1;
  for (int e = 0; e < languages; ++e) {
    counts.clear();
    if (e == huge) {
      const uint64_t total =
          random() % 4 == 0 ? UINT64_MAX
                            : uint64_t{20000000000000} +
                                  uint64_t{random()} * 600;
      counts.addCount(static_cast<int>(random() % NGRAM_BUCKETS), total / 3);
      counts.addCount(static_cast<int>(random() % 64), total - total / 3);
    } else if (random() % 5 != 0) {
      NgramCounter counter;
      const size_t length = 20 + random() % 400;
      const char letters = static_cast<char>(2 + random() % 20);
      for (size_t i = 0; i < length; ++i) {
        counter.add(static_cast<uint8_t>('a' + random() % letters));
      }
      counter.finish();
      const std::vector<uint8_t> data = encodeNgramRecord(counter.counts());
      counts.addRecord(data.data(), data.size());
    }
    model.setLanguage(e, counts);
  }
  return model;
}

std::vector<uint32_t> randomSample(std::mt19937& random) {
  std::vector<uint32_t> sample(NGRAM_BUCKETS, 0);
  const size_t features = random() % 3000;  // 0: an empty sample
  for (size_t i = 0; i < features; ++i) {
    ++sample[random() % (random() % 4 == 0 ? 64 : NGRAM_BUCKETS)];
  }
  // Now and then counts beyond 16 bits, and beyond 32-bit partial sums.
  if (random() % 3 == 0) sample[random() % NGRAM_BUCKETS] = 40000;
  if (random() % 3 == 0) sample[random() % NGRAM_BUCKETS] = 70000;
  if (random() % 5 == 0) sample[random() % NGRAM_BUCKETS] = 3000000000u;
  return sample;
}

TEST(NgramRankingTest, EveryCutIsThePrefixOfThePlainMatch) {
  std::mt19937 random(7);
  Ranking ranking;
  for (int round = 0; round < 60; ++round) {
    const int languages = 1 + static_cast<int>(random() % 40);
    const NgramModel model = randomModel(random, languages);
    const std::vector<uint32_t> sample = randomSample(random);
    const NgramMatch plain = matchNgrams(model, sample.data());
    const NgramLanes lanes(model);
    // As many languages as the model, fewer, and more (unscored, last).
    for (size_t count :
         {size_t(languages), size_t(languages / 2), size_t(languages + 3)}) {
      std::vector<int32_t> order;
      std::vector<float> bars;
      for (int32_t e : plain.ranking) {
        if (static_cast<size_t>(e) >= count) continue;
        order.push_back(e);
        bars.push_back(plain.bars[static_cast<size_t>(e)]);
      }
      for (size_t e = static_cast<size_t>(languages); e < count; ++e) {
        order.push_back(static_cast<int32_t>(e));
        bars.push_back(std::numeric_limits<float>::quiet_NaN());
      }
      for (size_t limit : {size_t{0}, size_t{1}, size_t{3}, count}) {
        // The plain scores and the lanes' (every fifth model has none).
        rankSampleByNgrams(model, limit % 2 ? &lanes : nullptr, sample.data(),
                           count, limit, ranking);
        const size_t expected =
            limit == 0 ? order.size() : std::min(limit, order.size());
        ASSERT_EQ(ranking.languages.size(), expected);
        for (size_t r = 0; r < expected; ++r) {
          ASSERT_EQ(ranking.languages[r], order[r]) << "round " << round;
          expectSameBits(ranking.scores[r], bars[r],
                         "round " + std::to_string(round));
        }
      }
    }
  }
}

TEST(NgramRankingTest, LanesScoreAsThePlainSums) {
  std::mt19937 random(11);
  std::vector<uint16_t> touched;
  std::vector<int64_t> scores;
  for (int round = 0; round < 40; ++round) {
    // Up to more languages than one column of partial sums holds.
    const int languages = 1 + static_cast<int>(random() % 300);
    const NgramModel model = randomModel(random, languages);
    std::vector<uint32_t> sample = randomSample(random);
    // Many buckets with counts that force flushes of the partial sums.
    for (int k = 0; k < 50; ++k) sample[random() % NGRAM_BUCKETS] += 30000;
    const NgramMatch plain = matchNgrams(model, sample.data());
    std::vector<uint16_t> buckets;
    for (int b = 0; b < NGRAM_BUCKETS; ++b) {
      if (sample[b] != 0) buckets.push_back(static_cast<uint16_t>(b));
    }
    std::shuffle(buckets.begin(), buckets.end(), random);
    const TouchedBuckets listed{buckets.data(), nullptr, buckets.size()};
    const NgramLanes lanes(model);
    ASSERT_EQ(lanes.usable(), model.carriesData() &&
                                  model.largestWeightMagnitude() <= 32767);
    if (!lanes.usable()) continue;
    // Touched buckets found by the lanes, and handed over in any order.
    for (const TouchedBuckets known : {TouchedBuckets{}, listed}) {
      lanes.score(sample.data(), touched, scores, known);
      ASSERT_EQ(scores.size(), static_cast<size_t>(languages));
      for (int e = 0; e < languages; ++e) {
        if (!model.hasData(e)) continue;
        ASSERT_EQ(scores[e], plain.scores[e]) << "round " << round;
      }
    }
  }
}

TEST(NgramRankingTest, FarBehindTermsAreExactlyZero) {
  // What lets the ranking skip exp() for languages this far behind.
  EXPECT_EQ(std::exp(-746.0), 0.0);
  EXPECT_EQ(std::exp(-746000.0 / 1000.0), 0.0);
  EXPECT_GT(std::exp(-745.0), 0.0);
}

}  // namespace
}  // namespace letterfreq
