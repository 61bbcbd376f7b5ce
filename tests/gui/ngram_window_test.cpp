// The window and n-gram lists: "Match" by "N-gram Likelihood" on databases
// with and without them, and "Add entry" writing a list exactly when the
// open database has them.
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/window.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/ngram_match.h"
#include "profiles/schema.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

using testing::RecordedDialogs;

const char* const TEXTS[][2] = {
    {"English", "the cat sat on the mat and the dog lay by the door"},
    {"German", "der hund und die katze schlafen auf dem sofa"},
    {"Finnish", "kissa istuu matolla ja koira makaa oven vieressa"},
};

struct Row {
  std::string name;
  double bar;
};

class NgramWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  }

  std::string makeDatabase(bool withLists) {
    const std::string db = dir.file(withLists ? "ngrams.db" : "plain.db");
    for (const auto& [language, text] : TEXTS) {
      RecordFile file(db);
      LetterProfile profile;
      NgramCounter ngrams;
      const std::string sample =
          dir.write(std::string(language) + ".txt", text);
      CountingPass pass(ngrams);
      EXPECT_TRUE(loadSample(sample, profile, nullptr, pass));
      profile.sortOrder();
      storeEntry(file, {language, "", sample}, profile,
                 ngramBlocks(ngrams.counts()), ngramsAsked(withLists));
    }
    return db;
  }

  void openDb(const std::string& path) {
    window->databaseInput->value(path.c_str());
    window->openDbButton->do_callback();
    ASSERT_TRUE(window->databaseLoaded);
  }

  void go(const std::string& text) {
    window->sampleInput->value(dir.write("sample.txt", text).c_str());
    window->goButton->do_callback();
    ASSERT_TRUE(window->sampleLoaded);
  }

  void matchByNgrams() {
    window->methodMenu->picked(window->methodMenu->menu() + 6);
    ASSERT_EQ(window->methodCode(), METHOD_NGRAM_LIKELIHOOD);
    window->matchButton->do_callback();
  }

  std::vector<Row> resultRows() const {
    std::vector<Row> rows;
    const TreeNode* root = window->resultTree->root();
    for (size_t i = 0; i < root->childCount(); ++i) {
      rows.push_back({root->child(i)->name(), root->child(i)->content().value});
    }
    return rows;
  }

  testing::TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(NgramWindowTest, MatchRanksByNgramsAsTheLibraryDoes) {
  openDb(makeDatabase(true));
  go("die katze und der hund");
  matchByNgrams();
  const std::vector<Row> rows = resultRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "German");
  const std::vector<MatchRow> expected =
      matchSampleByNgrams(ngramModel(window->databaseLoad.features),
                          window->sampleFeatures.of(NGRAM_FEATURES).counts,
                          window->languageProfiles());
  double sum = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].name, expected[r].name);
    EXPECT_EQ(rows[r].bar, expected[r].score);
    sum += rows[r].bar;
  }
  EXPECT_NEAR(sum, 1.0, 1e-5);
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(NgramWindowTest, WithoutNgramDataEveryLanguageHasAnEmptyBar) {
  openDb(makeDatabase(false));
  go("the cat");
  matchByNgrams();
  const std::vector<Row> rows = resultRows();
  ASSERT_EQ(rows.size(), 3u);
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(rows[r].name, TEXTS[r][0]);  // database order
    EXPECT_TRUE(std::isnan(rows[r].bar));
  }
  EXPECT_TRUE(dialogs.alerts.empty());
}

// The menu offers what the open database can answer: "N-gram Likelihood"
// is greyed out where no entry has a list, and its tooltip says why.
TEST_F(NgramWindowTest, TheMenuGreysOutMethodsWithoutTheirData) {
  const Fl_Menu_Item& ngramItem = window->methodMenu->menu()[6];
  const std::string why =
      "Not offered: N-gram Likelihood (Database holds no n-gram data.)";
  EXPECT_TRUE(ngramItem.active());  // nothing loaded: nothing to tell
  openDb(makeDatabase(false));
  EXPECT_FALSE(ngramItem.active());
  EXPECT_TRUE(window->methodMenu->menu()[0].active());
  const std::string tooltip = window->methodMenu->tooltip();
  EXPECT_NE(tooltip.find(why), std::string::npos) << tooltip;
  openDb(makeDatabase(true));
  EXPECT_TRUE(ngramItem.active());
  // Lists but no N-gram Tables: only the eighth method is greyed out.
  const std::string withLists = window->methodMenu->tooltip();
  EXPECT_EQ(withLists.find(why), std::string::npos) << withLists;
  EXPECT_NE(withLists.find("Not offered: Word and N-gram Likelihood ("),
            std::string::npos)
      << withLists;
  EXPECT_FALSE(window->methodMenu->menu()[7].active());
  EXPECT_EQ(window->methodCode(), METHOD_NGRAM_LIKELIHOOD);
}

TEST_F(NgramWindowTest, AddEntryWritesAListOnlyWhereTheDatabaseHasThem) {
  for (bool withLists : {false, true}) {
    SCOPED_TRACE(withLists ? "with lists" : "without lists");
    const std::string db = makeDatabase(withLists);
    openDb(db);
    go("the cat and the dog");
    const size_t before = RecordFile(db).query_link(0, KIND_NGRAM_LIST).size();
    window->languageList->input()->value("Latin");
    window->nameInput->value("new");
    window->addEntryButton->do_callback();
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(RecordFile(db).query_link(0, KIND_NGRAM_LIST).size(),
              before + (withLists ? 1 : 0));
    // The reload after the addition scores the new language too.
    EXPECT_EQ(ngramModel(window->databaseLoad.features).hasData(3), withLists);
  }
}

}  // namespace
}  // namespace letterfreq
