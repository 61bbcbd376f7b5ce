#include "sample/ngram_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/sample/plain_ngram_counter.h"

namespace letterfreq {
namespace {

// The non-zero buckets of a counter after feeding `text` and finishing.
std::map<int, uint32_t> bucketsOf(const std::string& text) {
  NgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  counter.finish();
  std::map<int, uint32_t> used;
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    if (counter.counts()[b] != 0) used[b] = counter.counts()[b];
  }
  return used;
}

TEST(NgramCounterTest, HashAndBucketOfAb) {
  const uint8_t ab[] = {'a', 'b'};
  EXPECT_EQ(fnv1a32(ab, 2), 0x4D2505CAu);
  EXPECT_EQ(ngramBucket(0x4D2505CAu),
            ((0x4D2505CAu >> 14) ^ 0x4D2505CAu) & 16383u);
  EXPECT_EQ(ngramBucket(0x4D2505CAu), 12638u);
  EXPECT_EQ(fnv1a32(nullptr, 0), FNV1A_BASIS);
}

TEST(NgramCounterTest, AbIsPaddedToSixFeatures) {
  // « ab »: « a», «ab», «b », « ab», «ab », « ab ».
  std::map<int, uint32_t> expected = {{3887, 1}, {12638, 1}, {14767, 1},
                                      {5332, 1}, {8831, 1},  {3457, 1}};
  EXPECT_EQ(bucketsOf("ab"), expected);
  // A stream that already starts or ends with a space is not padded there.
  EXPECT_EQ(bucketsOf(" ab"), expected);
  EXPECT_EQ(bucketsOf("ab "), expected);
  EXPECT_EQ(bucketsOf(" ab "), expected);
}

TEST(NgramCounterTest, SingleByteGivesThreeFeatures) {
  // « x», « x », «x ».
  std::map<int, uint32_t> expected = {{3857, 1}, {11079, 1}, {13166, 1}};
  EXPECT_EQ(bucketsOf("x"), expected);
}

TEST(NgramCounterTest, EmptyAndSpaceOnlyStreamsHaveNoFeatures) {
  EXPECT_TRUE(bucketsOf("").empty());
  EXPECT_TRUE(bucketsOf(" ").empty());
  NgramCounter counter;
  counter.finish();
  EXPECT_EQ(counter.paddedLength(), 0u);
}

TEST(NgramCounterTest, FeatureCountFollowsPaddedLength) {
  // m padded bytes give (m-1) + (m-2) + (m-3) features.
  std::string text = "the quick brown fox";
  NgramCounter counter;
  for (char c : text) counter.add(static_cast<uint8_t>(c));
  counter.finish();
  uint64_t m = text.size() + 2;
  EXPECT_EQ(counter.paddedLength(), m);
  uint64_t total = 0;
  for (int b = 0; b < NGRAM_BUCKETS; ++b) total += counter.counts()[b];
  EXPECT_EQ(total, (m - 1) + (m - 2) + (m - 3));
}

TEST(NgramCounterTest, PiecesRepeatsAndResetGiveTheSameCounts) {
  const std::string text("aaaa bbbb\n\tzz\0y", 15);  // with a byte 0
  NgramCounter whole;
  whole.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  whole.finish();
  whole.finish();  // a second finish adds nothing

  NgramCounter pieces;
  pieces.add(reinterpret_cast<const uint8_t*>("junk"), 4);
  pieces.reset();
  for (char c : text) pieces.add(static_cast<uint8_t>(c));
  pieces.finish();
  EXPECT_EQ(std::memcmp(whole.counts(), pieces.counts(),
                        sizeof(uint32_t) * NGRAM_BUCKETS),
            0);
  // « aaaa» holds the 2-gram «aa» three times.
  const uint8_t aa[] = {'a', 'a'};
  EXPECT_GE(whole.counts()[ngramBucket(fnv1a32(aa, 2))], 3u);
}

// Streams of every length around the counter's thresholds and the lanes'
// blocks, spaces and byte values of all kinds, fed in runs cut anywhere to
// one counter that is reset between them (a batch of samples), against the
// plain counts; the short ones list each bucket they touched once.
TEST(NgramCounterTest, MatchesThePlainCountsOnRandomStreamsInRuns) {
  std::mt19937 random(16);
  NgramCounter counter;
  for (int round = 0; round < 400; ++round) {
    const size_t length = round % 5 == 0 ? 1500 + random() % 1200
                                         : random() % (round % 3 ? 40 : 300);
    std::vector<uint8_t> stream(length);
    for (uint8_t& byte : stream) {
      byte = random() % 3 == 0 ? NGRAM_PAD : static_cast<uint8_t>(random());
    }
    std::vector<size_t> runs;
    for (size_t at = 0; at < length; at += runs.back()) {
      runs.push_back(
          std::min<size_t>(1 + random() % (round % 2 ? 40 : 700), length - at));
    }
    const std::vector<uint32_t> expected = plain::ngramCounts(stream);
    counter.reset();
    size_t at = 0;
    for (size_t run : runs) {
      counter.add(stream.data() + at, run);
      at += run;
    }
    counter.finish();
    ASSERT_EQ(std::vector<uint32_t>(counter.counts(),
                                    counter.counts() + NGRAM_BUCKETS),
              expected)
        << "round " << round << ", " << length << " bytes";
    // Short streams list each bucket they touched once.
    const TouchedBuckets touched = counter.touchedBuckets();
    ASSERT_EQ(touched.buckets != nullptr, counter.paddedLength() <= 2048);
    if (touched.buckets == nullptr) continue;
    std::vector<uint32_t> listed(NGRAM_BUCKETS, 0);
    for (size_t i = 0; i < touched.count; ++i) {
      listed[touched.buckets[i]] += expected[touched.buckets[i]];
    }
    ASSERT_EQ(listed, expected) << "round " << round;
  }
}

}  // namespace
}  // namespace letterfreq
