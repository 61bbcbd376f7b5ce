#include "profiles/ngram_model.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "profiles/ngram_record.h"

namespace letterfreq {
namespace {

std::vector<uint8_t> block(std::initializer_list<NgramItem> items) {
  std::vector<uint8_t> data;
  for (const NgramItem& item : items) {
    data.push_back(static_cast<uint8_t>(item.bucket & 0xFF));
    data.push_back(static_cast<uint8_t>(item.bucket >> 8));
    data.push_back(static_cast<uint8_t>(item.count & 0xFF));
    data.push_back(static_cast<uint8_t>(item.count >> 8));
  }
  return data;
}

TEST(NgramModelTest, WeightsRoundTheSmoothedLogShare) {
  EXPECT_EQ(ngramWeight(0, 0), NGRAM_NO_DATA_WEIGHT);  // ln(1/16384)
  EXPECT_EQ(ngramWeight(10, 100), -5357);              // -5357.28
  EXPECT_EQ(ngramWeight(100, 100), -3066);             // -3065.87
  EXPECT_EQ(ngramWeight(0, 100), -9752);               // -9751.73
  // No weight is above 0 nor below -NGRAM_LARGEST_MAGNITUDE, which a
  // count of 0 in the largest total reaches: each is kept negated in 16
  // bits.
  EXPECT_EQ(ngramWeight(0, UINT64_MAX), -NGRAM_LARGEST_MAGNITUDE);
  EXPECT_EQ(ngramMagnitude(0, UINT64_MAX), NGRAM_LARGEST_MAGNITUDE);
  EXPECT_EQ(ngramWeight(UINT64_MAX, UINT64_MAX), 0);
  EXPECT_EQ(ngramMagnitude(UINT64_MAX, UINT64_MAX), 0);
  EXPECT_EQ(ngramMagnitude(10, 100), 5357);
}

// Totals no test file could reach, summed as a huge database's lists
// would be: the weights reach the lowest there can be, and stay exact.
TEST(NgramModelTest, HugeTotalsKeepTheirWeightsExactly) {
  NgramLanguageCounts counts;
  counts.addCount(3, UINT64_MAX - 7);
  counts.addCount(4, 7);
  counts.addCount(5, 1);  // past 2^64 - 1: not added
  counts.addCount(NGRAM_BUCKETS, 1);  // outside: not added
  EXPECT_EQ(counts.total(), UINT64_MAX);
  EXPECT_EQ(counts.count(5), 0u);
  NgramModel model(2);
  model.setLanguage(1, counts);
  EXPECT_EQ(model.weight(3, 1), ngramWeight(UINT64_MAX - 7, UINT64_MAX));
  EXPECT_EQ(model.weight(4, 1), ngramWeight(7, UINT64_MAX));
  EXPECT_EQ(model.weight(5, 1), -NGRAM_LARGEST_MAGNITUDE);
  EXPECT_EQ(model.weight(5, 0), NGRAM_NO_DATA_WEIGHT);
  EXPECT_EQ(model.largestWeightMagnitude(), NGRAM_LARGEST_MAGNITUDE);
}

TEST(NgramModelTest, LanguageCountsSumEntriesAndSkipDamage) {
  NgramLanguageCounts counts;
  EXPECT_FALSE(counts.hasData());
  std::vector<uint8_t> first = block({{7, 2}, {9, 65535}});
  std::vector<uint8_t> second = block({{7, 3}, {20000, 4}});  // 20000: bad
  second.push_back(0xAB);                                     // a trailing byte
  counts.addRecord(first.data(), first.size());
  counts.addRecord(second.data(), second.size());
  EXPECT_TRUE(counts.hasData());
  EXPECT_EQ(counts.count(7), 5u);
  EXPECT_EQ(counts.count(9), 65535u);
  EXPECT_EQ(counts.total(), 65540u);

  counts.clear();
  EXPECT_FALSE(counts.hasData());
  EXPECT_EQ(counts.total(), 0u);
  EXPECT_EQ(counts.count(7), 0u);
  // An empty record is still n-gram data: the entry had a record.
  counts.addRecord(nullptr, 0);
  EXPECT_TRUE(counts.hasData());
}

// Sums past 32 bits, over many entries or in one long damaged block, are
// kept whole.
TEST(NgramModelTest, LanguageCountsDoNotWrapPast32Bits) {
  NgramLanguageCounts counts;
  const std::vector<uint8_t> full = block({{7, 65535}, {8, 1}});
  for (int k = 0; k < 70000; ++k) counts.addRecord(full.data(), full.size());
  EXPECT_EQ(counts.count(7), uint64_t{70000} * 65535);
  EXPECT_EQ(counts.count(8), 70000u);
  EXPECT_EQ(counts.total(), uint64_t{70000} * 65536);

  counts.clear();
  EXPECT_EQ(counts.count(7), 0u);
  std::vector<uint8_t> longBlock;
  for (int k = 0; k < 100000; ++k) {
    const std::vector<uint8_t> item = block({{3, 65535}});
    longBlock.insert(longBlock.end(), item.begin(), item.end());
  }
  counts.addRecord(longBlock.data(), longBlock.size());
  counts.addRecord(longBlock.data(), longBlock.size());
  EXPECT_EQ(counts.count(3), uint64_t{200000} * 65535);
  EXPECT_EQ(counts.total(), uint64_t{200000} * 65535);
}

TEST(NgramModelTest, WeightsPerLanguageAndNoDataLanguages) {
  NgramModel model(3);
  EXPECT_FALSE(model.carriesData());
  NgramLanguageCounts counts;
  std::vector<uint8_t> data = block({{4, 10}, {5, 90}});
  counts.addRecord(data.data(), data.size());
  model.setLanguage(1, counts);
  model.setLanguage(7, counts);  // outside: ignored
  counts.clear();
  model.setLanguage(2, counts);  // no data: stays without

  EXPECT_TRUE(model.carriesData());
  EXPECT_FALSE(model.hasData(0));
  EXPECT_TRUE(model.hasData(1));
  EXPECT_FALSE(model.hasData(2));
  EXPECT_EQ(model.weight(4, 1), ngramWeight(10, 100));
  EXPECT_EQ(model.weight(5, 1), ngramWeight(90, 100));
  EXPECT_EQ(model.weight(6, 1), ngramWeight(0, 100));
  EXPECT_EQ(model.weight(4, 0), NGRAM_NO_DATA_WEIGHT);
  // The row of a bucket holds every language side by side.
  EXPECT_EQ(-int32_t{model.negatedRow(5)[1]}, ngramWeight(90, 100));
  EXPECT_EQ(-int32_t{model.negatedRow(5)[0]}, NGRAM_NO_DATA_WEIGHT);
  EXPECT_EQ(-int32_t{model.negatedRow(5)[2]}, NGRAM_NO_DATA_WEIGHT);
}

// A load leaves the weights for later: they are made on the first need,
// once, from the source, exactly as they are made at once.
TEST(NgramModelTest, WeightsLeftForLaterAreMadeOnFirstNeed) {
  const std::vector<uint8_t> data = block({{4, 10}, {5, 90}});
  NgramLanguageCounts counts;
  counts.addRecord(data.data(), data.size());
  NgramModel now(3);
  now.setLanguage(1, counts);

  int calls = 0;
  NgramModel later(3);
  later.setLanguagesLater(
      {false, true, true, true},  // the fourth is beyond the model
      [&](int language, const NgramModel::ListAdder& add) {
        ++calls;
        if (language == 1) add(data.data(), data.size());
      });
  EXPECT_TRUE(later.weightsPending());
  EXPECT_TRUE(later.carriesData());
  EXPECT_FALSE(later.hasData(0));
  EXPECT_TRUE(later.hasData(1));
  EXPECT_TRUE(later.hasData(2));  // its source will add nothing
  EXPECT_EQ(calls, 0);

  const NgramModel copy = later;  // makes its own weights
  EXPECT_EQ(later.weight(4, 1), ngramWeight(10, 100));
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(later.weightsPending());
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    ASSERT_EQ(later.negatedRow(b)[0], now.negatedRow(b)[0]) << b;
    ASSERT_EQ(later.negatedRow(b)[1], now.negatedRow(b)[1]) << b;
    ASSERT_EQ(-int32_t{later.negatedRow(b)[2]}, ngramWeight(0, 0)) << b;
    ASSERT_EQ(later.negatedRow(b)[3], 0) << b;  // the row's padding
  }
  EXPECT_EQ(later.largestWeightMagnitude(), now.largestWeightMagnitude());
  EXPECT_EQ(copy.weight(5, 1), ngramWeight(90, 100));
  EXPECT_EQ(calls, 4);
}

TEST(NgramModelTest, AFailingSourceLeavesTheWeightsToBeMade) {
  const std::vector<uint8_t> data = block({{4, 10}, {5, 90}});
  bool fail = true;
  NgramModel model(1);
  model.setLanguagesLater({true}, [&](int, const NgramModel::ListAdder& add) {
    if (fail) throw std::runtime_error("unreadable");
    add(data.data(), data.size());
  });
  EXPECT_THROW(model.makeWeights(), std::runtime_error);
  EXPECT_TRUE(model.weightsPending());
  fail = false;
  EXPECT_EQ(model.weight(4, 0), ngramWeight(10, 100));

  NgramModel none(2);  // no language flagged: no data, nothing to make
  none.setLanguagesLater({false, false}, nullptr);
  EXPECT_FALSE(none.carriesData());
  EXPECT_FALSE(none.weightsPending());
}

}  // namespace
}  // namespace letterfreq
