#include "app/letter_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace letterfreq {
namespace {

TEST(LetterProfileTest, ConstructionIsTheEmptyProfile) {
  LetterProfile profile;
  profile.sortOrder();
  profile.computeTotals();
  EXPECT_EQ(profile.totalCount, 0);
  EXPECT_EQ(profile.usedCount, 0);
  for (uint8_t b : profile.order) EXPECT_EQ(b, 0);
  EXPECT_TRUE(profile.name.empty());
  EXPECT_EQ(profile.sampleCount, 0);
}

TEST(LetterProfileTest, OrderIsByFallingCountTiesToLowerByte) {
  LetterProfile profile;
  profile.counts[97] = 5;
  profile.counts[98] = 5;
  profile.counts[32] = 9;
  profile.counts[7] = -3;  // negative counts are never listed
  profile.sortOrder();
  EXPECT_EQ(profile.order[0], 32);
  EXPECT_EQ(profile.order[1], 97);
  EXPECT_EQ(profile.order[2], 98);
  EXPECT_EQ(profile.order[3], 0);
  profile.computeTotals();
  EXPECT_EQ(profile.totalCount, 19);
  EXPECT_EQ(profile.usedCount, 3);
}

TEST(LetterProfileTest, AllValuesListedLeavesTheLastSlotZero) {
  LetterProfile profile;
  for (int b = 1; b < 255; ++b) profile.counts[b] = b;
  profile.sortOrder();
  EXPECT_EQ(profile.order[0], 254);
  EXPECT_EQ(profile.order[253], 1);
  EXPECT_EQ(profile.order[254], 0);
  profile.computeTotals();
  EXPECT_EQ(profile.usedCount, 254);
}

TEST(LetterProfileTest, CountedByteZeroEndsTheListWhereItIsRanked) {
  LetterProfile profile;
  profile.counts[0] = 5;
  profile.counts[65] = 9;
  profile.counts[66] = 1;
  profile.sortOrder();
  profile.computeTotals();
  EXPECT_EQ(profile.order[0], 65);
  EXPECT_EQ(profile.order[1], 0);
  EXPECT_EQ(profile.usedCount, 1);
  EXPECT_EQ(profile.totalCount, 9);
}

TEST(LetterProfileTest, TotalSaturatesInsteadOfWrapping) {
  LetterProfile profile;
  profile.counts['a'] = std::numeric_limits<int32_t>::max();
  profile.counts['b'] = 10;
  profile.sortOrder();
  profile.computeTotals();
  EXPECT_EQ(profile.totalCount, std::numeric_limits<int32_t>::max());
}

TEST(LetterProfileTest, StandardDeviations) {
  LetterProfile profile;
  profile.counts['a'] = 4;
  profile.counts['b'] = 4;
  profile.sums['a'] = 0.4f;
  profile.sumSquares['a'] = 0.1f;  // frequencies 0.1 and 0.3
  profile.sums['b'] = 1.0f;
  profile.sumSquares['b'] = 0.5f;  // 0.5 and 0.5: no spread
  profile.sampleCount = 2;
  profile.sortOrder();
  profile.computeStdDevs();
  EXPECT_NEAR(profile.stdDevs['a'], 0.1414f, 1e-4);
  EXPECT_EQ(profile.stdDevs['b'], 0.0f);

  profile.stdDevs['a'] = 0;
  profile.sampleCount = 1;  // one sample has no deviation
  profile.computeStdDevs();
  EXPECT_EQ(profile.stdDevs['a'], 0.0f);
}

TEST(LetterProfileTest, StandardDeviationDividesByTheIntegerNMinusOne) {
  // Above 2^24 samples, float(n) - 1 and float(n - 1) differ.
  LetterProfile profile;
  profile.counts['a'] = 1;
  profile.sums['a'] = 4.0f;
  profile.sumSquares['a'] = 0.9f * 4.0f;
  profile.sampleCount = 16777217;
  profile.sortOrder();
  profile.computeStdDevs();
  const float n = 16777217.0f;  // rounds to 2^24
  const float expected = std::sqrt((profile.sumSquares['a'] - 16.0f / n) /
                                   static_cast<float>(16777216));
  EXPECT_EQ(profile.stdDevs['a'], expected);
}

TEST(LetterProfileTest, RankByValue) {
  const float a[] = {0.2f, 0.7f, 0.0f, 0.7f};
  int32_t out[4];
  rankByValue(a, out, 4);
  EXPECT_EQ(std::vector<int32_t>(out, out + 4),
            (std::vector<int32_t>{1, 3, 0, 2}));

  const float b[] = {-0.5f, 0.3f, -0.1f};
  rankByValue(b, out, 3);
  EXPECT_EQ(std::vector<int32_t>(out, out + 3),
            (std::vector<int32_t>{1, 2, 0}));
}

TEST(LetterProfileTest, RankByValueTakesAnyNumberAndPutsNanLast) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> values(1000);
  for (int i = 0; i < 1000; ++i) values[i] = static_cast<float>(i % 7);
  values[3] = nan;
  values[500] = nan;
  std::vector<int32_t> out(1000, -1);
  rankByValue(values.data(), out.data(), 1000);
  EXPECT_EQ(out[998], 3);
  EXPECT_EQ(out[999], 500);
  std::vector<int> seen(1000, 0);
  for (int32_t p : out) ++seen.at(p);
  for (int s : seen) EXPECT_EQ(s, 1);
  for (int i = 1; i < 998; ++i) {
    EXPECT_GE(values[out[i - 1]], values[out[i]]);
    if (values[out[i - 1]] == values[out[i]]) {
      EXPECT_LT(out[i - 1], out[i]);
    }
  }
}

TEST(LetterProfileTest, RangesOverlap) {
  EXPECT_TRUE(rangesOverlap(1.0f, 0.5f, 1.4f, 0.0f));
  EXPECT_FALSE(rangesOverlap(1.0f, 0.5f, 1.6f, 0.0f));
  EXPECT_TRUE(rangesOverlap(1.0f, 0.5f, 1.6f, 0.2f));
  EXPECT_TRUE(rangesOverlap(1.0f, -0.5f, 1.4f, 0.0f));
  EXPECT_FALSE(rangesOverlap(std::nanf(""), 0.5f, 1.0f, 0.0f));
}

// The profiles inside larger records are read where they lie: the list
// sees a change made after it was made, and skips the other members.
TEST(LetterProfileTest, ProfileListReadsMembersInPlace) {
  struct Owner {
    int before = 7;
    LetterProfile profile;
    std::vector<int> after{1, 2, 3};
  };
  std::vector<Owner> owners(3);
  for (size_t i = 0; i < owners.size(); ++i) {
    owners[i].profile.name = "p" + std::to_string(i);
  }
  const ProfileList list(owners, &Owner::profile);
  owners[2].profile.counts[65] = 9;
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(&list[1], &owners[1].profile);
  EXPECT_EQ(list[2].counts[65], 9);
  std::string names;
  for (const LetterProfile& profile : list) names += profile.name;
  EXPECT_EQ(names, "p0p1p2");
  EXPECT_TRUE(ProfileList(std::vector<Owner>(), &Owner::profile).empty());

  const std::vector<LetterProfile> plain(2);
  const ProfileList whole = plain;
  EXPECT_EQ(&whole[1], &plain[1]);
}

}  // namespace
}  // namespace letterfreq
