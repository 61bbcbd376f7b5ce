#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/callbacks.h"
#include "app/results_view.h"
#include "app/window.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/match.h"
#include "profiles/methods.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "widgets/combo_list.h"
#include "tests/support/temp_dir.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using testing::RecordedDialogs;

constexpr int A = 'a', B = 'b', C = 'c';

LetterProfile language(const char* name, int entries,
                       std::vector<std::pair<int, int32_t>> counts) {
  LetterProfile profile;
  profile.name = name;
  profile.sampleCount = entries;
  for (auto [b, count] : counts) profile.counts[b] = count;
  profile.sortOrder();
  return profile;
}

struct Row {
  std::string name;
  double bar;
};

class MatchResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
    // As a load leaves them: Same has the sample's shape.
    setLanguages({language("Even", 1, {{A, 1}, {B, 1}}),
                  language("Other", 1, {{C, 2}}),
                  language("Same", 1, {{A, 6}, {B, 2}}),
                  language("No entries", 0, {})});
  }

  // The window's languages, as a load of them leaves them.
  void setLanguages(std::vector<LetterProfile> profiles) {
    DatabaseLoad load;
    for (LetterProfile& profile : profiles) {
      load.languages.emplace_back();
      load.languages.back().profile = std::move(profile);
    }
    window->replaceDatabaseLoad(std::move(load));
  }

  void go(const std::string& text) {
    window->sampleInput->value(dir.write("sample.txt", text).c_str());
    window->goButton->do_callback();
    ASSERT_TRUE(window->sampleLoaded);
  }

  // Picks the method of `code` in the menu as the mouse does; its item is
  // at index code - 1.
  void pickMethod(int code) {
    window->methodMenu->picked(window->methodMenu->menu() + code - 1);
    ASSERT_EQ(window->methodCode(), code);
  }

  void pressMatch() { window->matchButton->do_callback(); }

  std::vector<Row> resultRows() const {
    std::vector<Row> rows;
    const TreeNode* root = window->resultTree->root();
    for (size_t i = 0; i < root->childCount(); ++i) {
      const TreeNode* node = root->child(i);
      EXPECT_FALSE(node->isBranch());
      EXPECT_TRUE(node->labelShown());
      EXPECT_EQ(node->content().kind, RowContent::Kind::Bar);
      rows.push_back({node->name(), node->content().value});
    }
    return rows;
  }

  testing::TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(MatchResultsTest, TheMenuNamesTheMethods) {
  const Fl_Menu_Item* items = window->methodMenu->menu();
  for (int code = FIRST_METHOD_CODE; code <= LAST_MENU_METHOD_CODE; ++code) {
    EXPECT_STREQ(items[code - 1].label(), methodName(code));
  }
}

TEST_F(MatchResultsTest, EachMethodListsTheLanguagesBestFirstWithBars) {
  go("aaab");  // q(a) 0.75, q(b) 0.25
  const double share = 1.0 / 255.0;
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    SCOPED_TRACE(methodName(code));
    pickMethod(code);
    pressMatch();
    const std::vector<Row> rows = resultRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].name, "Same");
    EXPECT_EQ(rows[0].bar, 1.0);
    EXPECT_EQ(rows[1].name, "Even");
    EXPECT_EQ(rows[2].name, "Other");
    EXPECT_EQ(rows[3].name, "No entries");
    if (code == METHOD_DIFFERENCE || code == METHOD_TENDENCY_PULL) {
      EXPECT_EQ(rows[1].bar, 0.5);
      EXPECT_EQ(rows[2].bar, -1.0);  // drawn as an empty bar
      EXPECT_TRUE(std::isnan(rows[3].bar));
    } else {
      EXPECT_NEAR(rows[1].bar, 253 * share, 1e-6);  // a and b outside
      EXPECT_NEAR(rows[2].bar, 252 * share, 1e-6);  // a, b and c outside
      EXPECT_EQ(rows[3].bar, 0.0);
    }
    // What the library ranks, score for score.
    const auto expected = matchSample(code, window->sampleProfile.counts.data(),
                                      window->languageProfiles());
    for (size_t r = 0; r < rows.size(); ++r) {
      EXPECT_EQ(rows[r].name, expected[r].name);
      if (!std::isnan(expected[r].score)) {
        EXPECT_EQ(rows[r].bar, expected[r].score);
      }
    }
  }
  EXPECT_TRUE(dialogs.alerts.empty());
  window->redraw();
  Fl::flush();  // NaN and negative bars draw
}

TEST_F(MatchResultsTest, WithoutASampleEveryLanguageIsListedWithAnEmptyBar) {
  pickMethod(METHOD_DIFFERENCE);
  pressMatch();
  const std::vector<Row> rows = resultRows();
  ASSERT_EQ(rows.size(), 4u);
  const char* names[] = {"Even", "Other", "Same", "No entries"};
  for (size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].name, names[r]);
    EXPECT_TRUE(std::isnan(rows[r].bar));
  }
  EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(MatchResultsTest, AMatchReplacesTheRowsOfTheLast) {
  go("aaab");
  pressMatch();
  pressMatch();
  EXPECT_EQ(resultRows().size(), 4u);
  setLanguages({});  // no database: the tree is cleared, and it says why
  pressMatch();
  EXPECT_EQ(window->resultTree->root()->childCount(), 0u);
  EXPECT_EQ(dialogs.alerts, std::vector<std::string>{NEED_DATABASE_TO_MATCH});
}

TEST_F(MatchResultsTest, EveryLanguageIsARowOfItsOwnNamedAsStored) {
  go("aaab");
  setLanguages({language("Latin", 1, {{A, 1}}), language("Latin", 1, {{A, 1}}),
                language("a/b", 1, {{B, 1}}),
                language("back\\slash", 1, {{C, 1}})});
  pickMethod(METHOD_TENDENCY_PULL);
  pressMatch();
  const std::vector<Row> rows = resultRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "Latin");
  EXPECT_EQ(rows[1].name, "Latin");
  EXPECT_EQ(rows[2].name, "a/b");
  EXPECT_EQ(rows[3].name, "back\\slash");
}

TEST_F(MatchResultsTest, OpenGoAndMatchRankTheStoredLanguages) {
  const std::string db = dir.file("ling2.db");
  {
    RecordFile file(db);
    for (auto [name, text] : {std::pair{"Latin", "aaab"}, {"Other", "cc"}}) {
      LetterProfile entry;
      std::string failure;
      const std::string source = dir.write(std::string(name) + ".txt", text);
      ASSERT_TRUE(loadSample(source, entry, &failure));
      entry.sortOrder();
      storeEntry(file, {name, "", source}, entry);
    }
  }
  window->databaseInput->value(db.c_str());
  window->openDbButton->do_callback();
  ASSERT_TRUE(window->databaseLoaded);
  go("aaab");
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    SCOPED_TRACE(methodName(code));
    pickMethod(code);
    pressMatch();
    const std::vector<Row> rows = resultRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "Latin");
    EXPECT_EQ(rows[0].bar, 1.0);  // made from the sample itself
    EXPECT_EQ(rows[1].name, "Other");
  }
  // An added entry reloads the database: the next match lists its
  // language too, and ranks it first by the sample's byte counts (this
  // database keeps no n-grams).
  go("zzzz");
  window->languageList->input()->value("Zed");
  window->addEntryButton->do_callback();
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    SCOPED_TRACE(methodName(code));
    pickMethod(code);
    pressMatch();
    const std::vector<Row> rows = resultRows();
    ASSERT_EQ(rows.size(), 3u);
    if (code != METHOD_NGRAM_LIKELIHOOD) {
      EXPECT_EQ(rows[0].name, "Zed");
    }
  }
  EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(MatchResultsTest, ShowResultsKeepsTheOrderGiven) {
  std::vector<MatchRow> rows(300);
  for (int r = 0; r < 300; ++r) {
    rows[r].name = "L" + std::to_string(r);
    rows[r].score = 1.0f - r / 300.0f;
  }
  showResults(*window->resultTree, rows);
  const std::vector<Row> shown = resultRows();
  ASSERT_EQ(shown.size(), 300u);
  EXPECT_EQ(shown[299].name, "L299");
  EXPECT_EQ(shown[299].bar, rows[299].score);
}

}  // namespace
}  // namespace letterfreq
