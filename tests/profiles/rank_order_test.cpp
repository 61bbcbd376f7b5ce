// The counted order of short rankings, in every lane set, against a stable
// sort of the same keys.
#include "profiles/rank_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace letterfreq {
namespace {

using rank_order::LaneSet;

// Keys with many ties, the extremes and both sides of 2^31 (where a signed
// comparison would turn the order), and any others.
std::vector<uint32_t> randomKeys(std::mt19937& random, size_t n) {
  const std::vector<uint32_t> special = {0u,          1u,          0x7FFFFFFFu,
                                         0x80000000u, 0x80000001u, UINT32_MAX};
  std::vector<uint32_t> keys(n);
  for (uint32_t& key : keys) {
    const uint32_t pick = random() % 3;
    if (pick == 0) {
      key = special[random() % special.size()];
    } else if (pick == 1) {
      key = 0x7FFFFFFCu + random() % 8;
    } else {
      key = static_cast<uint32_t>(random());
    }
  }
  return keys;
}

TEST(RankOrderTest, CountedOrderIsTheStableSortInEveryLaneSet) {
  std::mt19937 random(21);
  for (int round = 0; round < 3000; ++round) {
    const size_t n = random() % (rank_order::MOST_COUNTED + 1);
    const std::vector<uint32_t> keys = randomKeys(random, n);
    std::vector<uint32_t> expected(n);
    std::iota(expected.begin(), expected.end(), 0u);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    // The AVX-512 lanes fall back to the basic ones where the processor
    // lacks them.
    for (const LaneSet lanes : {LaneSet::BASIC, LaneSet::WIDEST}) {
      std::vector<uint32_t> order(n);
      rank_order::countedOrder(keys.data(), n, order.data(), lanes);
      ASSERT_EQ(order, expected)
          << "round " << round << ", lanes " << static_cast<int>(lanes);
    }
  }
}

TEST(RankOrderTest, TheWidestLanesAreChosenWhereTheProcessorHasThem) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
  EXPECT_EQ(rank_order::bestLaneSet() == LaneSet::WIDEST,
            __builtin_cpu_supports("avx512f") != 0);
#else
  EXPECT_EQ(rank_order::bestLaneSet(), LaneSet::BASIC);
#endif
}

}  // namespace
}  // namespace letterfreq
