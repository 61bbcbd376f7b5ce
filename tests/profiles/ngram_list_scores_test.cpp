// Scoring one sample straight from the n-gram lists (before the weights
// are made) against the sums over the model's rows once they are made.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "profiles/match.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_model.h"
#include "profiles/ngram_record.h"

namespace letterfreq {
namespace {

using Lists = std::vector<std::vector<std::vector<uint8_t>>>;

void putItem(std::vector<uint8_t>& data, uint32_t bucket, uint32_t count) {
  data.push_back(static_cast<uint8_t>(bucket & 0xFF));
  data.push_back(static_cast<uint8_t>(bucket >> 8));
  data.push_back(static_cast<uint8_t>(count & 0xFF));
  data.push_back(static_cast<uint8_t>(count >> 8));
}

// Lists as a load may find them: several per language or none, buckets
// out of range, a cut last item, repeated buckets, counts up to the limit.
Lists randomLists(std::mt19937& random, size_t languages) {
  Lists lists(languages);
  for (auto& language : lists) {
    const uint32_t count = random() % 4;
    for (uint32_t l = 0; l < count; ++l) {
      std::vector<uint8_t> data;
      const uint32_t items = random() % 300;
      const bool hot = random() % 2 == 0;  // a few buckets again and again
      for (uint32_t i = 0; i < items; ++i) {
        const uint32_t bucket =
            random() % 50 == 0 ? 0xFFFF - random() % 1000
                               : random() % (hot ? 64 : NGRAM_BUCKETS);
        putItem(data, bucket,
                random() % 10 == 0 ? NGRAM_COUNT_LIMIT : random() % 500);
      }
      data.resize(data.size() + random() % 4, 0x7F);
      language.push_back(std::move(data));
    }
  }
  return lists;
}

NgramModel laterModel(const Lists& lists, const std::vector<bool>& withData) {
  NgramModel model(static_cast<int>(lists.size()));
  model.setLanguagesLater(
      withData, [&lists](int language, const NgramModel::ListAdder& add) {
        for (const auto& data : lists[static_cast<size_t>(language)]) {
          add(data.data(), data.size());
        }
      });
  return model;
}

std::vector<uint32_t> randomSample(std::mt19937& random) {
  std::vector<uint32_t> sample(NGRAM_BUCKETS, 0);
  if (random() % 10 == 0) {  // a long sample: every bucket touched
    for (uint32_t& count : sample) count = 1 + random() % 3;
  }
  const uint32_t buckets = random() % 3 == 0 ? 0 : random() % 2000;
  for (uint32_t k = 0; k < buckets; ++k) {
    sample[random() % (random() % 2 ? 64 : NGRAM_BUCKETS)] +=
        random() % 20 == 0 ? 100000 : 1 + random() % 3;
  }
  return sample;
}

// The plain sums over the rows of the made weights.
std::vector<int64_t> rowSums(const NgramModel& model,
                             const std::vector<uint32_t>& sample) {
  std::vector<int64_t> sums(static_cast<size_t>(model.languageCount()), 0);
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    for (size_t e = 0; e < sums.size(); ++e) {
      sums[e] -= int64_t{sample[static_cast<size_t>(b)]} *
                 model.negatedRow(b)[e];
    }
  }
  return sums;
}

TEST(NgramListScoresTest, ScoresFromTheListsAreTheRowSumsExactly) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 60; ++round) {
    const size_t languages = 1 + random() % 20;
    const Lists lists = randomLists(random, languages);
    std::vector<bool> withData(languages);
    for (size_t e = 0; e < languages; ++e) withData[e] = random() % 5 != 0;
    withData[random() % languages] = true;
    const NgramModel model = laterModel(lists, withData);
    const NgramModel made = laterModel(lists, withData);
    made.makeWeights();
    for (int s = 0; s < 4; ++s) {
      const std::vector<uint32_t> sample = randomSample(random);
      std::vector<int64_t> scores;
      ASSERT_TRUE(model.scoreFromLists(sample.data(), scores));
      ASSERT_EQ(scores, rowSums(made, sample)) << round << " " << s;
      // The rankings and bars follow bit for bit.
      Ranking fromLists, fromRows;
      rankSampleByNgrams(model, nullptr, sample.data(), languages, 0,
                         fromLists);
      rankSampleByNgrams(made, nullptr, sample.data(), languages, 0, fromRows);
      ASSERT_EQ(fromLists.languages, fromRows.languages);
      ASSERT_EQ(0, std::memcmp(fromLists.scores.data(), fromRows.scores.data(),
                               fromRows.scores.size() * sizeof(float)));
      ASSERT_TRUE(model.weightsPending());  // no table was made
    }
  }
}

TEST(NgramListScoresTest, OnlyAModelWithEveryWeightPendingScoresFromLists) {
  std::vector<uint8_t> data;
  putItem(data, 4, 10);
  putItem(data, 5, 90);
  std::vector<uint32_t> sample(NGRAM_BUCKETS, 0);
  sample[4] = 2;
  std::vector<int64_t> scores = {7};

  NgramModel now(1);  // made at once: score from its rows
  NgramLanguageCounts counts;
  counts.addRecord(data.data(), data.size());
  now.setLanguage(0, counts);
  EXPECT_FALSE(now.scoreFromLists(sample.data(), scores));
  EXPECT_EQ(scores, std::vector<int64_t>{7});

  bool fail = true;
  NgramModel later(2);
  later.setLanguagesLater({false, true}, [&](int, const NgramModel::ListAdder& add) {
    if (fail) throw std::runtime_error("unreadable");
    add(data.data(), data.size());
  });
  EXPECT_THROW(later.scoreFromLists(sample.data(), scores), std::runtime_error);
  fail = false;
  ASSERT_TRUE(later.scoreFromLists(sample.data(), scores));
  EXPECT_EQ(scores, (std::vector<int64_t>{2 * NGRAM_NO_DATA_WEIGHT,
                                          2 * ngramWeight(10, 100)}));
  later.makeWeights();
  EXPECT_FALSE(later.scoreFromLists(sample.data(), scores));
}

}  // namespace
}  // namespace letterfreq
