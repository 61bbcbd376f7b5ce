// The result rows as a user reads them: each score printed beside its bar,
// the bars of one ranking at one x, long names shortened with their full
// name as the tooltip.
#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/results_view.h"
#include "app/score_text.h"
#include "app/window.h"
#include "tests/gui/gui_support.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using Texts = std::vector<std::string>;

TEST(ScoreTextTest, ThreeDigitsUnlessNeighboursWouldReadAlike) {
  EXPECT_EQ(scoreTexts({0.949019611, 0.933333337, 0.5}, ScoreStyle::Plain),
            (Texts{"0.949", "0.933", "0.5"}));
  // 0.9491 and 0.9493 differ: both get the digits that tell them apart;
  // equal scores stay short.
  EXPECT_EQ(scoreTexts({0.9491, 0.9493, 0.9493, 0.2}, ScoreStyle::Plain),
            (Texts{"0.9491", "0.9493", "0.9493", "0.2"}));
  EXPECT_EQ(scoreTexts({-1, std::nan(""), 1}, ScoreStyle::Plain),
            (Texts{"-1", "nan", "1"}));
}

TEST(ScoreTextTest, NeverLongerThanTheCliPrintsIt) {
  const float a = 0.949019611f;
  const float b = std::nextafter(a, 0.0f);
  const Texts texts = scoreTexts({a, b}, ScoreStyle::Plain);
  // Neighbouring floats: as many digits as tell them apart, at most 9.
  EXPECT_EQ(texts[0], "0.94901961");
  EXPECT_EQ(texts[1], "0.94901955");
}

TEST(ScoreTextTest, SharesArePercentages) {
  EXPECT_EQ(scoreTexts({0.873, 0.127, 0.0}, ScoreStyle::Percent),
            (Texts{"87.3%", "12.7%", "0%"}));
}

class ReadableResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  }

  void show(const std::vector<std::pair<std::string, float>>& ranking,
            ScoreStyle style = ScoreStyle::Plain) {
    std::vector<MatchRow> rows;
    for (const auto& [name, score] : ranking) {
      MatchRow row;
      row.name = name;
      row.score = score;
      rows.push_back(row);
    }
    showResults(*window->resultTree, rows, style);
    window->redraw();
    Fl::flush();
  }

  TreeNode* row(size_t i) { return window->resultTree->root()->child(i); }

  testing::RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(ReadableResultsTest, RowsShowTheirScoreBesideBarsThatStartAtOneX) {
  show({{"English", 0.949019611f},
        {"Spanish", 0.933333337f},
        {"Latin", 0.67f},
        {"Norwegian", 0.64f}});
  TreeBrowser& tree = *window->resultTree;
  EXPECT_EQ(TreeBrowser::rowText(row(0)), "English 0.949");
  EXPECT_EQ(TreeBrowser::rowText(row(3)), "Norwegian 0.64");
  EXPECT_EQ(row(0)->name(), "English");  // the label stays the name
  const RowLayout first = tree.rowLayout(row(0));
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const RowLayout at = tree.rowLayout(row(i));
    EXPECT_EQ(at.contentX, first.contentX);
    EXPECT_EQ(at.barWidth, first.barWidth);
    EXPECT_GT(at.contentX, at.labelX);
    // The score is drawn after the bar, inside the tree.
    EXPECT_GT(at.textX, at.contentX + at.barWidth);
    EXPECT_LE(at.textX + 20, tree.w());
  }
  // At the window's size the best rows need no sideways scrolling: the
  // widest row drawn fits the tree.
  EXPECT_EQ(tree.rowLayout(row(0)).label, "English");
}

TEST_F(ReadableResultsTest, NgramSharesShowAsPercentages) {
  show({{"English", 0.873f}, {"Spanish", 0.127f}}, ScoreStyle::Percent);
  EXPECT_EQ(TreeBrowser::rowText(row(0)), "English 87.3%");
  EXPECT_EQ(TreeBrowser::rowText(row(1)), "Spanish 12.7%");
}

TEST_F(ReadableResultsTest, ALongNameIsShortenedAndItsTooltipIsTheName) {
  const std::string longName =
      "Norwegian Bokm\xC3\xA5l of the far north, as written on the islands "
      "off the coast";
  show({{longName, 0.9f}, {"Latin", 0.8f}});
  TreeBrowser& tree = *window->resultTree;
  const RowLayout at = tree.rowLayout(row(0));
  ASSERT_GT(at.label.size(), 3u);
  EXPECT_EQ(at.label.substr(at.label.size() - 3), ELLIPSIS);
  EXPECT_EQ(longName.compare(0, at.label.size() - 3, at.label, 0,
                             at.label.size() - 3),
            0);
  EXPECT_EQ(tree.rowTooltip(row(0)), longName);
  EXPECT_EQ(tree.rowTooltip(row(1)), "");  // shown whole: no tooltip
  EXPECT_EQ(row(0)->name(), longName);
}

TEST_F(ReadableResultsTest, AWiderTreeShowsWholeNamesAndFullBars) {
  const std::string longName = "Norwegian Bokm\xC3\xA5l of the far north";
  show({{longName, 0.9f}, {"Latin", 0.8f}});
  TreeBrowser& tree = *window->resultTree;
  tree.resize(tree.x(), tree.y(), 400, tree.h());
  window->redraw();
  Fl::flush();
  const RowLayout at = tree.rowLayout(row(0));
  EXPECT_EQ(at.label, longName);
  EXPECT_EQ(at.barWidth, 75);
  EXPECT_EQ(tree.rowLayout(row(1)).contentX, at.contentX);
}

}  // namespace
}  // namespace letterfreq
