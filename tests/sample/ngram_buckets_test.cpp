// The windows' buckets found in SIMD lanes against each window hashed from
// its bytes with fnv1a32: streams cut into runs of whole blocks, chained
// through the carried hashes as a counter chains them, over bytes of every
// value. A stream's first positions have windows of fewer bytes (the
// hashes start at the basis), as a counter's first steps have.
#include "sample/ngram_buckets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

using ngram_buckets::BLOCK;
using ngram_buckets::WindowHashes;

// The bucket of the window of up to `size` bytes ending at stream[end].
uint16_t windowBucket(const std::vector<uint8_t>& stream, size_t end,
                      size_t size) {
  const size_t length = std::min(size, end + 1);
  return static_cast<uint16_t>(
      ngramBucket(fnv1a32(stream.data() + end + 1 - length, length)));
}

TEST(NgramBucketsTest, LanesFindTheBucketOfEveryWindow) {
  if (!ngram_buckets::available()) GTEST_SKIP() << "no AVX2 here";
  std::mt19937 random(1616);
  for (int round = 0; round < 300; ++round) {
    const size_t blocks = round % 10 == 0 ? 40 + random() % 40 : random() % 5;
    std::vector<uint8_t> stream(blocks * BLOCK);
    for (uint8_t& byte : stream) {
      byte = random() % 4 == 0 ? NGRAM_PAD : static_cast<uint8_t>(random());
    }
    // Beyond the last block the array stays as it was.
    std::vector<uint16_t> buckets(blocks * 3 * BLOCK + 1, 0xABCD);
    WindowHashes hashes{FNV1A_BASIS, FNV1A_BASIS, FNV1A_BASIS};
    for (size_t at = 0; at < blocks;) {
      const size_t run = std::min<size_t>(1 + random() % 4, blocks - at);
      ngram_buckets::find(stream.data() + at * BLOCK, run, hashes,
                          buckets.data() + at * 3 * BLOCK);
      at += run;
    }
    for (size_t i = 0; i < stream.size(); ++i) {
      const uint16_t* block = buckets.data() + i / BLOCK * 3 * BLOCK;
      for (size_t n = 2; n <= 4; ++n) {
        ASSERT_EQ(block[(n - 2) * BLOCK + i % BLOCK],
                  windowBucket(stream, i, n))
            << "round " << round << ", position " << i << ", " << n << "-gram";
      }
    }
    ASSERT_EQ(buckets.back(), 0xABCD) << "round " << round;
    if (stream.empty()) continue;
    const size_t last = stream.size() - 1;
    const auto hashOf = [&](size_t size) {
      const size_t length = std::min(size, last + 1);
      return fnv1a32(stream.data() + last + 1 - length, length);
    };
    ASSERT_EQ(hashes.one, hashOf(1)) << "round " << round;
    ASSERT_EQ(hashes.two, hashOf(2)) << "round " << round;
    ASSERT_EQ(hashes.three, hashOf(3)) << "round " << round;
  }
}

}  // namespace
}  // namespace letterfreq
