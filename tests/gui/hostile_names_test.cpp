// Names of any length and any bytes in the window: the database opens,
// the list, the trees and the meter show them bounded and literally, a
// match lists them, and an entry added under a name picked from the list
// joins that language instead of making a new one.
#include <gtest/gtest.h>

#include "widgets/combo_list.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/window.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

const std::vector<std::string>& hostileNames() {
  static const std::vector<std::string> names = {
      std::string(1100, 'k'),
      std::string(200000, 'm'),
      "Serbo/Croatian",
      "A&B",
      "_under",
      "back\\slash",
      "tab\there",
      "new\nline",
      "bad \xFF\xC3( utf-8",
      "at @-> sign",
  };
  return names;
}

class HostileNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    sample = dir.write("sample.txt", "aab");
    database = dir.file("hostile.db");
    RecordFile file(database);
    LetterProfile entry;
    std::string failure;
    ASSERT_TRUE(loadSample(sample, entry, &failure));
    entry.sortOrder();
    for (const std::string& name : hostileNames()) {
      storeEntry(file, {name, "e", sample}, entry);
    }
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
    window->databaseInput->value(database.c_str());
    window->openDbButton->do_callback();
    window->sampleInput->value(sample.c_str());
    window->goButton->do_callback();
  }

  void drawAll() {
    window->redraw();
    Fl::flush();
  }

  testing::TempDir dir;
  testing::RecordedDialogs dialogs;
  std::string sample, database;
  std::unique_ptr<Window> window;
};

TEST_F(HostileNamesTest, TheFileOpensAndListsEveryNameAsStored) {
  ASSERT_TRUE(window->databaseLoaded);
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_EQ(window->languageList->names(), hostileNames());
  const TreeNode* root = window->histTree->root();
  ASSERT_EQ(root->childCount(), hostileNames().size() + 1);  // and "Totals"
  for (size_t i = 0; i < hostileNames().size(); ++i) {
    EXPECT_EQ(root->child(i)->name(), hostileNames()[i]);
    // Each item is one flat, bounded label: no toolkit buffer can overflow.
    const char* label = window->languageList->itemLabel(static_cast<int>(i));
    ASSERT_NE(label, nullptr);
    EXPECT_LT(std::strlen(label), 1024u / 2);
    EXPECT_FALSE(window->languageList->menubutton()->menu()[i].submenu());
  }
  EXPECT_EQ(window->languageList->menubutton()->size(),
            static_cast<int>(hostileNames().size()) + 1);
  // Every tree, with every branch open, draws.
  testing::openedRows(*window->histTree);
  drawAll();
}

TEST_F(HostileNamesTest, RowsShowControlBytesEscapedAndLongNamesShortened) {
  TreeBrowser& tree = *window->histTree;
  const TreeNode* root = tree.root();
  EXPECT_EQ(tree.rowLayout(root->child(6)).label, "tab\\there");
  EXPECT_EQ(tree.rowLayout(root->child(7)).label, "new\\nline");
  const std::string shortened = tree.rowLayout(root->child(1)).label;
  EXPECT_EQ(shortened, std::string(SHOWN_TEXT_LIMIT, 'm') + ELLIPSIS);
  EXPECT_LE(tree.rowTooltip(root->child(1)).size(), TOOLTIP_TEXT_LIMIT + 3);
  EXPECT_EQ(shownText("x\x1B" "y"), "x\\x1By");
}

TEST_F(HostileNamesTest, AMatchListsEveryName) {
  window->matchButton->do_callback();
  const TreeNode* root = window->resultTree->root();
  ASSERT_EQ(root->childCount(), hostileNames().size());
  std::vector<std::string> listed;
  for (size_t i = 0; i < root->childCount(); ++i) {
    listed.push_back(root->child(i)->name());
  }
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected = hostileNames();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  drawAll();
}

TEST_F(HostileNamesTest, AnEntryAddedUnderAPickedNameJoinsItsLanguage) {
  const size_t languages = window->languageProfiles().size();
  for (int i = 0; i < static_cast<int>(hostileNames().size()); ++i) {
    SCOPED_TRACE(i);
    const Fl_Menu_Item* item = window->languageList->menubutton()->menu() + i;
    window->languageList->menubutton()->picked(item);  // as the mouse picks
    EXPECT_EQ(std::string(window->languageList->value()), hostileNames()[i]);
    window->nameInput->value("again");
    window->addEntryButton->do_callback();
    EXPECT_TRUE(dialogs.alerts.empty());
    ASSERT_EQ(window->languageProfiles().size(), languages);
    EXPECT_EQ(window->languageProfiles()[i].sampleCount, 2);
  }
  drawAll();
}

}  // namespace
}  // namespace letterfreq
