#include "app/profile_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/code_page.h"
#include "tests/gui/gui_support.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using testing::childRows;
using testing::openedRows;
using Rows = std::vector<std::string>;

LetterProfile profileOf(std::initializer_list<std::pair<int, int32_t>> counts) {
  LetterProfile profile;
  for (const auto& [letter, count] : counts) profile.counts[letter] = count;
  profile.sortOrder();
  return profile;
}

// A profile listing `n` byte values ('A', 'B', ...) with falling counts.
LetterProfile profileOfSize(int n) {
  LetterProfile profile;
  for (int i = 0; i < n; ++i) profile.counts['A' + i] = 100 - i;
  profile.sortOrder();
  return profile;
}

class ProfileViewTest : public ::testing::Test {
 protected:
  TreeBrowser tree{0, 0, 200, 300, "Tree!"};
};

TEST_F(ProfileViewTest, ShowsSummaryThenOneBranchPerByteValue) {
  LetterProfile profile = profileOf({{'e', 3}, {'a', 1}});
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
  // Byte-value branches start closed with their bar ...
  EXPECT_EQ(childRows(tree.root()),
            (Rows{"Total characters: 4", "Characters used: 2", "e [0.75]",
                  "a [0.25]"}));
  EXPECT_FALSE(tree.root()->child(2)->isOpen());
  // ... and show exactly these rows when opened.
  EXPECT_EQ(openedRows(tree),
            (Rows{"Total characters: 4", "Characters used: 2", "e [0.75]",
                  "  ASCII: 101", "  Total: 3", "  %: 75", "a [0.25]",
                  "  ASCII: 97", "  Total: 1", "  %: 25"}));
  EXPECT_EQ(profile.totalCount, 4);
  EXPECT_EQ(profile.usedCount, 2);
}

TEST_F(ProfileViewTest, PercentagesPrintLikeThePercentGFormat) {
  LetterProfile profile = profileOf({{'x', 1}, {'y', 2}});
  showProfile(tree, nullptr, profile, 0, 0);
  EXPECT_EQ(openedRows(tree),
            (Rows{"y [0.666667]", "  ASCII: 121", "  Total: 2",
                  "  %: 66.6667", "x [0.333333]", "  ASCII: 120",
                  "  Total: 1", "  %: 33.3333"}));
}

TEST_F(ProfileViewTest, TotalsAreScaledBySize) {
  struct Case {
    int32_t total;
    std::string row;
  };
  for (const Case& c : {Case{102400, "Total characters: 102400"},
                        Case{102401, "Total characters (K): 100"},
                        Case{104857600, "Total characters (K): 102400"},
                        Case{104857601, "Total characters (M): 100"},
                        Case{209715199, "Total characters (M): 199"}}) {
    tree.clear();
    LetterProfile profile = profileOf({{'a', c.total}});
    showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
    EXPECT_EQ(TreeBrowser::rowText(tree.root()->child(0)), c.row);
  }
}

TEST_F(ProfileViewTest, AnEmptyProfileShowsOnlyTheSummary) {
  LetterProfile profile;
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
  EXPECT_EQ(openedRows(tree),
            (Rows{"Total characters: 0", "Characters used: 0"}));
  tree.clear();
  showProfile(tree, nullptr, profile, 10, 0);
  EXPECT_EQ(openedRows(tree), (Rows{}));
}

TEST_F(ProfileViewTest, TotalsAlreadySetAreKept) {
  LetterProfile profile = profileOf({{'a', 5}});
  profile.totalCount = 20;  // as a caller that totals itself leaves it
  profile.usedCount = 1;
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
  EXPECT_EQ(childRows(tree.root())[0], "Total characters: 20");
  EXPECT_EQ(childRows(tree.root())[2], "a [0.25]");
}

TEST_F(ProfileViewTest, RowLimitPutsTheRestUnderMore) {
  LetterProfile twelve = profileOfSize(12);
  TreeNode* entry = tree.addBranch(nullptr, "0");
  showProfile(tree, entry, twelve, 10, 0);
  ASSERT_EQ(entry->childCount(), 11u);
  TreeNode* more = entry->child(10);
  EXPECT_EQ(more->name(), MORE_LABEL);
  EXPECT_TRUE(more->isBranch());
  EXPECT_EQ(more->content().kind, RowContent::Kind::Plain);
  EXPECT_EQ(TreeBrowser::rowText(entry->child(9)), "J");
  const int32_t total = 1134;  // 100 + 99 + ... + 89
  ASSERT_EQ(twelve.totalCount, total);
  tree.open(more);
  EXPECT_EQ(childRows(more),
            (Rows{"K [" + TreeBrowser::formatNumber(90.0f / total) + "]",
                  "L [" + TreeBrowser::formatNumber(89.0f / total) + "]"}));
  // The rows of a byte value under "More..." are those of any other.
  EXPECT_EQ(openedRows(tree, more->child(1)),
            (Rows{"ASCII: 76", "Total: 89",
                  "%: " + TreeBrowser::formatNumber(89 * 100.0 / total)}));
}

TEST_F(ProfileViewTest, RowLimitReachedExactlyGivesAnEmptyMore) {
  LetterProfile ten = profileOfSize(10);
  showProfile(tree, nullptr, ten, 10, SHOW_SUMMARY);
  ASSERT_EQ(tree.root()->childCount(), 13u);
  TreeNode* more = tree.root()->child(12);
  EXPECT_EQ(more->name(), MORE_LABEL);
  EXPECT_TRUE(more->isBranch());
  tree.open(more);
  EXPECT_EQ(more->childCount(), 0u);
}

TEST_F(ProfileViewTest, FewerValuesThanTheLimitGiveNoMore) {
  LetterProfile five = profileOfSize(5);
  showProfile(tree, nullptr, five, 10, 0);
  EXPECT_EQ(tree.root()->childCount(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_NE(tree.root()->child(i)->name(), MORE_LABEL);
  }
}

TEST_F(ProfileViewTest, DeviationRowOnlyForNonZeroDeviations) {
  LetterProfile profile = profileOf({{'a', 6}, {'b', 3}, {'c', 1}});
  profile.stdDevs['a'] = 0.0123f;
  profile.stdDevs['b'] = 0;
  profile.stdDevs['c'] = std::numeric_limits<float>::quiet_NaN();
  // sampleCount 0: the deviations set above are kept.
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY | SHOW_DEVIATIONS);
  const std::string plusMinus = "\xC2\xB1";  // drawn as "±"
  Rows rows = openedRows(tree);
  EXPECT_EQ(rows, (Rows{"Total characters: 10", "Characters used: 3",
                        "a [0.6]", "  ASCII: 97", "  Total: 6", "  %: 60",
                        "  " + plusMinus + " 1.23", "b [0.3]", "  ASCII: 98",
                        "  Total: 3", "  %: 30", "c [0.1]", "  ASCII: 99",
                        "  Total: 1", "  %: 10",
                        "  " + plusMinus + " " +
                            TreeBrowser::formatNumber(
                                std::numeric_limits<float>::quiet_NaN())}));
}

TEST_F(ProfileViewTest, DeviationsAreComputedForLanguages) {
  // Two samples of relative frequency 0.1 and 0.3 for 'a'.
  LetterProfile language = profileOf({{'a', 4}, {'b', 6}});
  language.sums['a'] = 0.4f;
  language.sumSquares['a'] = 0.1f;
  language.sampleCount = 2;
  showProfile(tree, nullptr, language, 10, SHOW_SUMMARY | SHOW_DEVIATIONS);
  EXPECT_NEAR(language.stdDevs['a'], 0.1414f, 1e-4);
  TreeNode* a = tree.root()->child(3);
  tree.open(a);
  ASSERT_EQ(a->childCount(), 4u);
  EXPECT_NEAR(a->child(3)->content().value, 14.14, 0.01);
  // Without the flag nothing is computed and no deviation is shown.
  tree.clear();
  LetterProfile plain = profileOf({{'a', 4}});
  plain.sums['a'] = 0.4f;
  plain.sumSquares['a'] = 0.1f;
  plain.sampleCount = 2;
  showProfile(tree, nullptr, plain, 0, SHOW_SUMMARY);
  EXPECT_EQ(plain.stdDevs['a'], 0.0f);
  tree.open(tree.root()->child(2));
  EXPECT_EQ(tree.root()->child(2)->childCount(), 3u);
}

TEST(LetterLabelTest, LabelsAreByteExact) {
  EXPECT_EQ(letterLabel(9), "\\/t");
  EXPECT_EQ(letterLabel(10), "\\/n");
  EXPECT_EQ(letterLabel(13), "\\/r");
  EXPECT_EQ(letterLabel(32), "' '");
  EXPECT_EQ(letterLabel(47), "\\/ ");
  EXPECT_EQ(letterLabel(0), "0");
  EXPECT_EQ(letterLabel(1), "1");
  EXPECT_EQ(letterLabel(27), "27");
  EXPECT_EQ(letterLabel(31), "31");
  EXPECT_EQ(letterLabel('e'), "e");
  EXPECT_EQ(letterLabel('\\'), "\\");
  EXPECT_EQ(letterLabel(0xB1), "\xB1");
  EXPECT_EQ(letterLabel(255), "\xFF");
  for (int letter = 33; letter <= 255; ++letter) {
    if (letter == '/') continue;
    EXPECT_EQ(letterLabel(static_cast<uint8_t>(letter)),
              std::string(1, static_cast<char>(letter)));
  }
}

TEST(LetterLabelTest, LetterStatCarriesItsLabel) {
  LetterStat stat(9, 3, 10, 0.5f);
  EXPECT_EQ(stat.letter, 9);
  EXPECT_EQ(stat.count, 3);
  EXPECT_EQ(stat.total, 10);
  EXPECT_EQ(stat.deviation, 0.5f);
  EXPECT_EQ(stat.label, "\\/t");
}

TEST_F(ProfileViewTest, SpecialBytesGetTheirShownNames) {
  LetterProfile profile =
      profileOf({{'\t', 9}, {' ', 8}, {'/', 7}, {27, 6}, {'\\', 5}});
  showProfile(tree, nullptr, profile, 0, 0);
  EXPECT_EQ(childRows(tree.root()),
            (Rows{"/t [0.257143]", "' ' [0.228571]", "/  [0.2]",
                  "27 [0.171429]", "\\ [0.142857]"}));
  tree.open(tree.root()->child(4));
  EXPECT_EQ(TreeBrowser::rowText(tree.root()->child(4)->child(0)),
            "ASCII: 92");
}

TEST_F(ProfileViewTest, ControlBytesAndDigitsKeepRowsOfTheirOwn) {
  LetterProfile profile;
  for (int b = 1; b <= 8; ++b) {
    profile.counts[b] = 10 + b;   // the control byte
    profile.counts['0' + b] = b;  // the digit of the same label
  }
  profile.sortOrder();
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
  ASSERT_EQ(tree.root()->childCount(), 2u + 16u);
  std::multiset<std::string> names;
  std::set<int> codes;
  for (size_t i = 2; i < tree.root()->childCount(); ++i) {
    TreeNode* branch = tree.root()->child(i);
    EXPECT_EQ(branch->content().kind, RowContent::Kind::Bar);
    tree.open(branch);
    ASSERT_EQ(branch->childCount(), 3u);
    names.insert(branch->name());
    codes.insert(static_cast<int>(branch->child(0)->content().value));
    const double count = branch->child(1)->content().value;
    EXPECT_FLOAT_EQ(branch->content().value,
                    static_cast<float>(count) / profile.totalCount);
  }
  EXPECT_EQ(codes.size(), 16u);
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(names.count(std::to_string(b)), 2u);
}

TEST_F(ProfileViewTest, EveryByteValueGetsExactlyOneRow) {
  LetterProfile profile;
  for (int b = 1; b <= 254; ++b) profile.counts[b] = 1000 - b;
  profile.sortOrder();
  showProfile(tree, nullptr, profile, 0, SHOW_SUMMARY);
  ASSERT_EQ(tree.root()->childCount(), 2u + 254u);
  EXPECT_EQ(TreeBrowser::rowText(tree.root()->child(1)),
            "Characters used: 254");
  for (int b = 1; b <= 254; ++b) {
    TreeNode* branch = tree.root()->child(1 + b);
    tree.open(branch);
    ASSERT_EQ(branch->childCount(), 3u);
    EXPECT_EQ(branch->child(0)->content().value, b);
    EXPECT_FALSE(branch->name().empty()) << "byte " << b;
  }
}

TEST_F(ProfileViewTest, HighBytesShowAsWindows1252Characters) {
  LetterProfile profile = profileOf({{0xE9, 4}, {0x80, 3}, {0xB1, 2}, {0x93, 1}});
  showProfile(tree, nullptr, profile, 0, 0);
  EXPECT_EQ(tree.root()->child(0)->name(), "\xC3\xA9");      // é
  EXPECT_EQ(tree.root()->child(1)->name(), "\xE2\x82\xAC");  // €
  EXPECT_EQ(tree.root()->child(2)->name(), "\xC2\xB1");      // ±
  EXPECT_EQ(tree.root()->child(3)->name(), "\xE2\x80\x9C");  // “
}

TEST(CodePageTest, ConvertsWindows1252ToUtf8) {
  EXPECT_EQ(windows1252ToUtf8("abc/\\ "), "abc/\\ ");
  EXPECT_EQ(windows1252ToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");
  EXPECT_EQ(windows1252ToUtf8("\x9F"), "\xC5\xB8");  // Ÿ
  EXPECT_EQ(windows1252ToUtf8("\x81"), "\xC2\x81");  // unassigned
  EXPECT_EQ(windows1252ToUtf8(std::string("\0", 1)), std::string("\0", 1));
  // Every byte gives one character, and no converted text holds a '/' or
  // a backslash that the byte did not stand for.
  for (int b = 128; b <= 255; ++b) {
    const std::string text = windows1252ToUtf8(std::string(1, static_cast<char>(b)));
    EXPECT_GE(text.size(), 2u);
    EXPECT_EQ(text.find_first_of("/\\"), std::string::npos);
  }
}

}  // namespace
}  // namespace letterfreq
