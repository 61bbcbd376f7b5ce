#include "profiles/word_ngram_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "profiles/word_ngram_match.h"
#include "sample/word_ngram_counter.h"

namespace letterfreq {
namespace {

using Items = std::vector<NgramTableItem>;

using Languages = std::vector<std::vector<Items>>;

// Languages given as their entries' items: the flags of those with
// entries, and their tables.
std::vector<uint8_t> withDataOf(const Languages& languages) {
  std::vector<uint8_t> flags;
  for (const auto& entries : languages) flags.push_back(!entries.empty());
  return flags;
}

TablesOf tablesOf(const Languages& languages) {
  return [&languages](int language, const TableAdder& add) {
    for (const Items& entry : languages[static_cast<size_t>(language)]) {
      add(entry);
    }
  };
}

// A model of such languages; an empty list of entries: no model.
WordNgramModel modelOf(const Languages& languages) {
  return buildWordNgramModel(withDataOf(languages), tablesOf(languages));
}

TEST(WordNgramModelTest, WeightsFollowTheFormula) {
  // Bucket 7 in both languages, 9 and 100 in one each.
  const WordNgramModel model =
      modelOf({{{{7, 3}, {9, 1}}, {{7, 2}}}, {{{7, 1}, {100, 40}}}, {}});
  ASSERT_EQ(model.languageCount(), 3);
  EXPECT_TRUE(model.hasData(0));
  EXPECT_TRUE(model.hasData(1));
  EXPECT_FALSE(model.hasData(2));
  const double k = 0.125, v = 262144;
  EXPECT_EQ(model.unseenWeight(0),
            std::llround(1000 * (std::log(k) - std::log(6 + k * v))));
  EXPECT_EQ(model.unseenWeight(1), -12478);  // T = 41
  auto gain = [k](double c, double languages) {
    return std::llround(1000 * (1 + 3 / languages) *
                        (std::log(c + k) - std::log(k)));
  };
  EXPECT_EQ(model.weight(7, 0) - model.unseenWeight(0), gain(5, 2));
  EXPECT_EQ(model.weight(9, 0) - model.unseenWeight(0), gain(1, 1));
  EXPECT_EQ(model.weight(9, 0) - model.unseenWeight(0), 8789);
  EXPECT_EQ(model.weight(100, 1) - model.unseenWeight(1), gain(40, 1));
  EXPECT_EQ(model.weight(100, 0), model.unseenWeight(0));
  EXPECT_EQ(model.pairCount(), 4u);
  // Gains of counts past the table of logarithms, and of the largest sums.
  EXPECT_EQ(wordNgramGain(100000, 3), gain(100000, 3));
  EXPECT_EQ(wordNgramGain(UINT64_MAX, 1), gain(18446744073709551615.0, 1));
}

TEST(WordNgramModelTest, ScoresEqualTheDenseDefinition) {
  const std::string text = "the quick brown fox jumps over the lazy dog twice";
  WordNgramCounter sample;
  sample.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  sample.finish();
  const std::vector<uint32_t> used = sample.usedBuckets();
  // Random buckets and some of the sample's, so that languages share
  // some of its buckets and lack others.
  std::mt19937 random(7);
  std::vector<std::vector<Items>> languages(5);
  for (size_t e = 0; e < 4; ++e) {
    for (int entry = 0; entry < 3; ++entry) {
      std::vector<uint8_t> taken(WORD_NGRAM_BUCKETS, 0);
      for (uint32_t b = random() % 50; b < WORD_NGRAM_BUCKETS;
           b += 1 + random() % 4000) {
        taken[b] = 1;
      }
      for (uint32_t b : used) taken[b] |= random() % 3 == 0;
      Items items;
      for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
        if (taken[b]) {
          items.push_back({b, static_cast<uint32_t>(1 + random() % 30)});
        }
      }
      languages[e].push_back(items);
    }
  }
  // A sum whose gain is past 16 bits, in one of the sample's buckets.
  for (NgramTableItem& item : languages[1][0]) {
    if (std::binary_search(used.begin(), used.end(), item.bucket)) {
      item.count = NGRAM_TABLE_COUNT_LIMIT;
    }
  }
  const WordNgramModel model = modelOf(languages);
  const LikelihoodRanking match = matchWordNgrams(model, sample);
  // One sample scored straight from the tables: the same scores.
  std::vector<int64_t> once;
  scoreWordNgramsOnce(withDataOf(languages), tablesOf(languages),
                      sample.counts(), sample.usedBuckets(), sample.features(),
                      once);
  EXPECT_EQ(once, match.scores);
  for (int e = 0; e < 4; ++e) {
    int64_t dense = 0;
    for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
      dense += int64_t{sample.counts()[b]} * model.weight(b, e);
    }
    EXPECT_EQ(match.scores[static_cast<size_t>(e)], dense) << e;
  }
  // The language without a model comes last, without a bar.
  EXPECT_EQ(match.ranking.back(), 4);
  EXPECT_TRUE(std::isnan(match.bars[4]));
  double sum = 0;
  for (int e = 0; e < 4; ++e) sum += match.bars[static_cast<size_t>(e)];
  EXPECT_NEAR(sum, 1.0, 1e-6);
}

TEST(WordNgramModelTest, TiesGoToTheEarlierLanguage) {
  const Items same = {{3, 2}, {90000, 5}};
  const WordNgramModel model = modelOf({{}, {same}, {same}});
  WordNgramCounter sample;
  sample.add(reinterpret_cast<const uint8_t*>("abc"), 3);
  sample.finish();
  const LikelihoodRanking match = matchWordNgrams(model, sample);
  EXPECT_EQ(match.ranking, (std::vector<int32_t>{1, 2, 0}));
  EXPECT_FLOAT_EQ(match.bars[1], 0.5f);
  // A database without tables: every language listed, none with a bar.
  const LikelihoodRanking none = matchWordNgrams(modelOf({{}, {}}), sample);
  EXPECT_EQ(none.ranking, (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(std::isnan(none.bars[0]));
}

TEST(WordNgramModelTest, RankingRowsCutAndExtendTheLanguages) {
  // Scores of three languages, the middle one without a model, in a load
  // of four.
  Ranking out;
  rankLikelihoods({-5000, 0, -4000}, {1, 0, 1}, 4, 0, out);
  EXPECT_EQ(out.languages, (std::vector<int32_t>{2, 0, 1, 3}));
  EXPECT_NEAR(out.scores[0], 1 / (1 + std::exp(-1.0)), 1e-6);
  EXPECT_TRUE(std::isnan(out.scores[2]));
  EXPECT_TRUE(std::isnan(out.scores[3]));
  rankLikelihoods({-5000, 0, -4000}, {1, 0, 1}, 2, 0, out);
  EXPECT_EQ(out.languages, (std::vector<int32_t>{0, 1}));
  rankLikelihoods({-5000, 0, -4000}, {1, 0, 1}, 4, 1, out);
  EXPECT_EQ(out.languages, (std::vector<int32_t>{2}));
}

}  // namespace
}  // namespace letterfreq
