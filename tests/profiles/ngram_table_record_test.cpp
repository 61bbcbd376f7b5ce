#include "profiles/ngram_table_record.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace letterfreq {

bool operator==(const NgramTableItem& a, const NgramTableItem& b) {
  return a.bucket == b.bucket && a.count == b.count;
}

namespace {

using Items = std::vector<NgramTableItem>;

Items decoded(const std::vector<uint8_t>& block) {
  Items items;
  std::string why;
  EXPECT_TRUE(decodeNgramTable(block.data(), block.size(), items, why)) << why;
  return items;
}

std::string refusal(const std::vector<uint8_t>& block) {
  Items items;
  std::string why;
  EXPECT_FALSE(decodeNgramTable(block.data(), block.size(), items, why));
  return why;
}

Items randomItems(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> used(NGRAM_TABLE_MAX_ITEMS, 0);
  for (size_t i = 0; i < count;) {
    const uint32_t b = random() % NGRAM_TABLE_MAX_ITEMS;
    if (!used[b]) used[b] = 1, ++i;
  }
  Items items;
  for (uint32_t b = 0; b < NGRAM_TABLE_MAX_ITEMS; ++b) {
    if (!used[b]) continue;
    const auto count = 1 + random() % (random() % 2 ? 3 : 9000);
    items.push_back({b, static_cast<uint32_t>(count)});
  }
  return items;
}

TEST(NgramTableRecordTest, SmallBlockByteForByte) {
  // Gaps 0 and 4: r = 0 to 5 all take two bytes, so r = 0. Bits: gap 0
  // "0", count 1 "1"; gap 4 "11110", count 3 "011"; six zero bits.
  const Items items = {{0, 1}, {5, 3}};
  const std::vector<uint8_t> block = {0x02, 0x00, 0x7C, 0xC0};
  EXPECT_EQ(encodeNgramTable(items), block);
  EXPECT_EQ(decoded(block), items);
  EXPECT_EQ(encodeNgramTable({}), (std::vector<uint8_t>{0x00, 0x00}));
  EXPECT_TRUE(decoded({0x00, 0x00}).empty());
}

TEST(NgramTableRecordTest, RiceZeroAndTwentyAndLargestValuesReadBack) {
  const Items items = {{0, 1},
                       {1, NGRAM_TABLE_COUNT_LIMIT},
                       {70000, 2},
                       {NGRAM_TABLE_LAST_BUCKET, 65536}};
  for (uint8_t rice : {uint8_t{0}, uint8_t{20}}) {
    const std::vector<uint8_t> block = encodeNgramTable(items, rice);
    EXPECT_EQ(block[1], rice);
    EXPECT_EQ(decoded(block), items) << int{rice};
  }
  // Counts beyond the limit are stored as the limit.
  const Items stored = decoded(encodeNgramTable({{9, UINT32_MAX}}));
  EXPECT_EQ(stored.at(0).count, NGRAM_TABLE_COUNT_LIMIT);
}

TEST(NgramTableRecordTest, WriterTakesTheShortestRiceParameter) {
  const Items items = randomItems(NGRAM_TABLE_KEPT_ITEMS, 8);
  const std::vector<uint8_t> block = encodeNgramTable(items);
  // Item count 8192 in two bytes of LEB128.
  EXPECT_EQ(block[0], 0x80);
  EXPECT_EQ(block[1], 0x40);
  const uint8_t chosen = block[2];
  for (uint8_t r = 0; r <= NGRAM_TABLE_LARGEST_RICE; ++r) {
    const size_t size = encodeNgramTable(items, r).size();
    if (r < chosen) {
      EXPECT_GT(size, block.size()) << int{r};
    } else {
      EXPECT_GE(size, block.size()) << int{r};
    }
  }
  EXPECT_EQ(decoded(block), items);
}

TEST(NgramTableRecordTest, EverySizeAndRiceParameterReadsBack) {
  for (size_t count = 0; count < 40; count += 3) {
    const Items items = randomItems(count, static_cast<uint32_t>(count));
    for (uint8_t r = 0; r <= NGRAM_TABLE_LARGEST_RICE; ++r) {
      ASSERT_EQ(decoded(encodeNgramTable(items, r)), items)
          << count << " items, r = " << int{r};
    }
  }
}

TEST(NgramTableRecordTest, CapKeepsHighestCountsTiesToLowerBucket) {
  std::vector<uint32_t> counts(NGRAM_TABLE_MAX_ITEMS, 0);
  const std::vector<uint32_t> used = {3, 10, 20, 30, 40};
  counts[3] = 1, counts[10] = 5, counts[20] = 2, counts[30] = 5, counts[40] = 2;
  const Items kept = keptNgramTableItems(counts.data(), used, 3);
  EXPECT_EQ(kept, (Items{{10, 5}, {20, 2}, {30, 5}}));
  EXPECT_EQ(keptNgramTableItems(counts.data(), used).size(), 5u);
}

TEST(NgramTableRecordTest, DamagedBlocksAreRefusedSayingHow) {
  const Items items = {{0, 1}, {5, 3}, {900, 70000}};
  const std::vector<uint8_t> block = encodeNgramTable(items);
  // Every cut: the header, then inside an item.
  EXPECT_EQ(refusal({}), "ends inside its item count");
  EXPECT_EQ(refusal({0x83}), "ends inside its item count");
  EXPECT_EQ(refusal({0x03}), "ends before its Rice parameter");
  for (size_t length = 2; length < block.size(); ++length) {
    const std::string why =
        refusal(std::vector<uint8_t>(block.begin(), block.begin() + length));
    EXPECT_EQ(why.rfind("ends inside item ", 0), 0u) << why;
  }
  EXPECT_EQ(refusal({0x02, 0x00, 0x7C}), "ends inside item 1");
  // Trailing garbage, and bits set in the padding.
  std::vector<uint8_t> longer = block;
  longer.push_back(0);
  EXPECT_EQ(refusal(longer), "has bits after its last item");
  EXPECT_EQ(refusal({0x02, 0x00, 0x7C, 0xC1}), "has bits after its last item");
  // One item more announced than stored, and fewer.
  EXPECT_EQ(refusal({0x03, 0x00, 0x7C, 0xC0}), "ends inside item 2");
  EXPECT_EQ(refusal({0x01, 0x00, 0x7C, 0xC0}), "has bits after its last item");
  EXPECT_EQ(refusal({0x80, 0x80, 0x80, 0x01, 0x00}),
            "has an item count of more than three bytes");
  EXPECT_EQ(refusal({0x81, 0x80, 0x10, 0x00}),
            "announces 262145 items, more than 262144");
  EXPECT_EQ(refusal({0x00, 21}), "has Rice parameter 21, more than 20");
}

TEST(NgramTableRecordTest, BucketsPastTheRangeAndHugeCountsAreRefused) {
  // r = 20: a one bit before the stop bit is a gap of 2^20.
  EXPECT_EQ(refusal({0x01, 20, 0x80, 0x00, 0x02}),
            "has a bucket past 262143 at item 0");
  // The last bucket, then one more.
  EXPECT_EQ(refusal(encodeNgramTable({{NGRAM_TABLE_LAST_BUCKET, 1},
                                      {NGRAM_TABLE_LAST_BUCKET + 1, 1}},
                                     20)),
            "has a bucket past 262143 at item 1");
  // Gap "0", 31 zero bits, then 2^31 + 1 in 32 bits.
  EXPECT_EQ(refusal({0x01, 0x00, 0, 0, 0, 0, 0x80, 0, 0, 0x01}),
            "has a count past 2^31 at item 0");
  // More than 31 zero bits before a count.
  std::vector<uint8_t> zeros = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x80, 0,    0,    0,    0};
  EXPECT_EQ(refusal(zeros), "has a count past 2^31 at item 0");
}

TEST(NgramTableRecordTest, EveryFlippedByteIsReadOrRefusedWithoutHarm) {
  const std::vector<uint8_t> block = encodeNgramTable(randomItems(300, 3));
  for (size_t at = 0; at < block.size(); ++at) {
    for (uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
      std::vector<uint8_t> damaged = block;
      damaged[at] ^= flip;
      Items items;
      std::string why;
      if (decodeNgramTable(damaged.data(), damaged.size(), items, why)) {
        for (size_t i = 1; i < items.size(); ++i) {
          ASSERT_LT(items[i - 1].bucket, items[i].bucket);
        }
      } else {
        ASSERT_FALSE(why.empty());
      }
    }
  }
}

// The quick reader against the item-by-item one: the same answer, items
// and reason for sound blocks of every Rice parameter and for damaged ones
// (cut, flipped, grown), counts up to the largest included.
TEST(NgramTableRecordTest, QuickReaderAgreesWithThePlainOne) {
  std::mt19937 random(11);
  for (uint32_t seed = 0; seed < 40; ++seed) {
    Items items = randomItems(1 + random() % 3000, seed);
    if (seed % 4 == 0) items.back().count = NGRAM_TABLE_COUNT_LIMIT;
    const auto rice = static_cast<uint8_t>(seed % 21);
    const std::vector<uint8_t> block = encodeNgramTable(items, rice);
    std::vector<std::vector<uint8_t>> blocks = {block};
    for (int k = 0; k < 30; ++k) {
      std::vector<uint8_t> damaged = block;
      damaged[random() % damaged.size()] ^= static_cast<uint8_t>(random());
      if (k % 3 == 0) damaged.resize(random() % damaged.size());
      if (k % 5 == 0) damaged.push_back(static_cast<uint8_t>(random()));
      blocks.push_back(damaged);
    }
    for (const std::vector<uint8_t>& one : blocks) {
      Items quick, plain;
      std::string quickWhy, plainWhy;
      const bool quickRead =
          decodeNgramTable(one.data(), one.size(), quick, quickWhy);
      const bool plainRead =
          plainDecodeNgramTable(one.data(), one.size(), plain, plainWhy);
      ASSERT_EQ(quickRead, plainRead) << seed;
      ASSERT_EQ(quickWhy, plainWhy) << seed;
      if (plainRead) {
        ASSERT_EQ(quick, plain) << seed;
      }
    }
    EXPECT_EQ(decoded(block), items);
  }
}

}  // namespace
}  // namespace letterfreq
