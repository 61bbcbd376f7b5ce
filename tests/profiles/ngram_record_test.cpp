#include "profiles/ngram_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

// The items of a data block as a list.
std::vector<NgramItem> decodeNgramRecord(const uint8_t* data, size_t length) {
  std::vector<NgramItem> items;
  forEachNgramItem(data, length,
                   [&items](const NgramItem& item) { items.push_back(item); });
  return items;
}

std::vector<uint32_t> emptyCounts() {
  return std::vector<uint32_t>(NGRAM_BUCKETS, 0);
}

TEST(NgramRecordTest, ItemsAreLittleEndianInRisingBucketOrder) {
  std::vector<uint32_t> counts = emptyCounts();
  counts[16383] = 1;
  counts[5] = 3;
  counts[258] = 65535;
  counts[1] = 70000;  // saturates at 65535
  std::vector<uint8_t> expected = {
      0x01, 0x00, 0xFF, 0xFF,  // bucket 1, count 65535 (was 70000)
      0x05, 0x00, 0x03, 0x00,  // bucket 5, count 3
      0x02, 0x01, 0xFF, 0xFF,  // bucket 258, count 65535
      0xFF, 0x3F, 0x01, 0x00,  // bucket 16383, count 1
  };
  EXPECT_EQ(encodeNgramRecord(counts.data()), expected);
}

TEST(NgramRecordTest, EmptySampleGivesEmptyBlock) {
  std::vector<uint32_t> counts = emptyCounts();
  EXPECT_TRUE(encodeNgramRecord(counts.data()).empty());
}

TEST(NgramRecordTest, KeepsTheTop2048TiesToTheLowerBucket) {
  // 2051 used buckets: 2049 of count 1 (buckets 100..2148), one of count 2
  // at the top and one of count 5 in the middle. The two highest stay, and
  // of the ties the 2046 lowest buckets: 100..2145.
  std::vector<uint32_t> counts = emptyCounts();
  for (int b = 100; b <= 2148; ++b) counts[b] = 1;
  counts[16000] = 2;
  counts[50] = 5;
  std::vector<uint8_t> data = encodeNgramRecord(counts.data());
  ASSERT_EQ(data.size(), 2048u * 4u);
  std::vector<NgramItem> items = decodeNgramRecord(data.data(), data.size());
  ASSERT_EQ(items.size(), 2048u);
  EXPECT_EQ(items[0].bucket, 50);
  EXPECT_EQ(items[0].count, 5);
  EXPECT_EQ(items[1].bucket, 100);
  EXPECT_EQ(items[2046].bucket, 2145);
  EXPECT_EQ(items[2047].bucket, 16000);
  EXPECT_EQ(items[2047].count, 2);
  for (size_t i = 1; i < items.size(); ++i) {
    EXPECT_LT(items[i - 1].bucket, items[i].bucket);
  }
}

TEST(NgramRecordTest, ExactlyTheLimitKeepsEveryBucket) {
  std::vector<uint32_t> counts = emptyCounts();
  for (int b = 0; b < NGRAM_RECORD_ITEMS; ++b) counts[b * 8] = 1;
  std::vector<uint8_t> data = encodeNgramRecord(counts.data());
  std::vector<NgramItem> items = decodeNgramRecord(data.data(), data.size());
  ASSERT_EQ(items.size(), 2048u);
  EXPECT_EQ(items.back().bucket, 2047 * 8);
}

TEST(NgramRecordTest, DecodingIgnoresTrailingBytesAndBadBuckets) {
  std::vector<uint8_t> data = {
      0x07, 0x00, 0x02, 0x00,  // bucket 7, count 2
      0x00, 0x40, 0x09, 0x00,  // bucket 16384: out of range, left out
      0xFF, 0xFF, 0x01, 0x00,  // bucket 65535: out of range, left out
      0x03, 0x00, 0x01, 0x00,  // bucket 3 after 7: kept as it stands
      0x01, 0x00, 0x05,        // a partial item
  };
  for (size_t length = 0; length <= data.size(); ++length) {
    std::vector<NgramItem> items = decodeNgramRecord(data.data(), length);
    size_t expected = length >= 16 ? 2 : (length >= 4 ? 1 : 0);
    ASSERT_EQ(items.size(), expected) << "length " << length;
  }
  std::vector<NgramItem> items = decodeNgramRecord(data.data(), data.size());
  EXPECT_EQ(items[0].bucket, 7);
  EXPECT_EQ(items[0].count, 2);
  EXPECT_EQ(items[1].bucket, 3);
  EXPECT_TRUE(decodeNgramRecord(nullptr, 0).empty());
}

}  // namespace
}  // namespace letterfreq
