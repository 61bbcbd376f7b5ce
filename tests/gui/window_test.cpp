#include "app/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/callbacks.h"
#include "app/profile_view.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using testing::childRows;
using testing::openedRows;
using testing::RecordedDialogs;
using Rows = std::vector<std::string>;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window = std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT,
                                      WINDOW_TITLE);
  }

  // Types `text` into sampleInput and presses "Go".
  void go(const std::string& text) {
    window->sampleInput->value(text.c_str());
    window->goButton->do_callback();
  }

  // Picks item `index` of the method menu as the mouse does.
  void pickMethod(int index) {
    window->methodMenu->picked(window->methodMenu->menu() + index);
  }

  testing::TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

struct Placement {
  const char* member;
  Fl_Widget* widget;
  int x, y, w, h;
  const char* label;
};

TEST_F(WindowTest, ControlsArePlacedAndLabelled) {
  EXPECT_STREQ(window->label(), "Letter Frequency");
  EXPECT_EQ(window->w(), 600);
  EXPECT_EQ(window->h(), 400);
  EXPECT_TRUE(window->shown());
  const Placement table[] = {
      {"histTree", window->histTree, 350, 60, 225, 158, nullptr},
      {"sampleTree", window->sampleTree, 20, 60, 200, 330, nullptr},
      {"sampleInput", window->sampleInput, 20, 20, 115, 25, nullptr},
      {"databaseInput", window->databaseInput, 350, 20, 150, 25, nullptr},
      {"goButton", window->goButton, 138, 20, 35, 25, "Go"},
      {"openDbButton", window->openDbButton, 505, 20, 65, 25, "Open DB"},
      {"frameBox", window->frameBox, 225, 65, 110, 150, ""},
      {"addEntryButton", window->addEntryButton, 230, 70, 100, 25,
       "Add entry @->"},
      {"languageList", window->languageList, 230, 125, 100, 25, "Language:"},
      {"nameInput", window->nameInput, 230, 175, 100, 25, "Name:"},
      {"matchButton", window->matchButton, 230, 226, 70, 25, "Match"},
      // The menu shows the method chosen.
      {"methodMenu", window->methodMenu, 303, 226, 272, 25,
       "Three Std Deviations"},
      {"resultTree", window->resultTree, 230, 278, 345, 112, nullptr},
      {"chooseButton", window->chooseButton, 176, 20, 44, 25, "@fileopen"},
      {"countedLabel", window->countedLabel, 20, 45, 200, 15, nullptr},
      {"answerLine", window->answerLine, 230, 253, 345, 24, nullptr},
  };
  for (int i = 0; i < static_cast<int>(std::size(table)); ++i) {
    const Placement& p = table[i];
    SCOPED_TRACE(p.member);
    ASSERT_NE(p.widget, nullptr);
    EXPECT_EQ(p.widget->parent(), window.get());
    EXPECT_EQ(window->child(i), p.widget) << "created in table order";
    EXPECT_EQ(p.widget->x(), p.x);
    EXPECT_EQ(p.widget->y(), p.y);
    EXPECT_EQ(p.widget->w(), p.w);
    EXPECT_EQ(p.widget->h(), p.h);
    if (p.label) {
      EXPECT_STREQ(p.widget->label(), p.label);
    } else {
      EXPECT_TRUE(p.widget->label() == nullptr || !*p.widget->label());
    }
  }
  EXPECT_EQ(window->frameBox->box(), FL_BORDER_BOX);
  EXPECT_EQ(window->languageList->align(), FL_ALIGN_TOP);
  EXPECT_EQ(window->nameInput->align(), FL_ALIGN_TOP);
  EXPECT_EQ(window->resizable(), nullptr);
  EXPECT_EQ(window->sampleTree->root()->name(), "Tree!");
  EXPECT_EQ(window->histTree->root()->name(), "Hist-Tree!");
}

TEST_F(WindowTest, StartsWithDefaultsAndEmptyState) {
  EXPECT_STREQ(window->sampleInput->value(), "sample.txt");
  EXPECT_STREQ(window->databaseInput->value(), "ling2.db");
  EXPECT_STREQ(window->nameInput->value(), "");
  EXPECT_FALSE(window->sampleLoaded);
  EXPECT_FALSE(window->databaseLoaded);
  EXPECT_TRUE(window->languageProfiles().empty());
  EXPECT_EQ(window->database, nullptr);
  EXPECT_EQ(window->sampleProfile.totalCount, 0);
  for (TreeBrowser* tree :
       {window->sampleTree, window->histTree, window->resultTree}) {
    EXPECT_FALSE(tree->rootShown());
  }
  EXPECT_EQ(window->histTree->rowCount(), 1u);
  EXPECT_EQ(TreeBrowser::rowText(window->histTree->rowAt(0)),
            "(Ready to load an analysis database.)");
  EXPECT_FALSE(window->histTree->rowAt(0)->isBranch());
  EXPECT_EQ(window->sampleTree->rowCount(), 0u);
  EXPECT_EQ(window->resultTree->rowCount(), 0u);
  EXPECT_EQ(window->methodCode(), 4);
}

TEST_F(WindowTest, CallbacksAreWiredWithTheWindow) {
  struct Wiring {
    Fl_Widget* widget;
    Fl_Callback* callback;
  };
  for (const Wiring& w : {Wiring{window->sampleInput, goCallback},
                          Wiring{window->goButton, goCallback},
                          Wiring{window->databaseInput, openDbCallback},
                          Wiring{window->openDbButton, openDbCallback},
                          Wiring{window->addEntryButton, addEntryCallback},
                          Wiring{window->nameInput, addEntryCallback},
                          Wiring{window->matchButton, matchCallback}}) {
    EXPECT_EQ(w.widget->callback(), w.callback);
    EXPECT_EQ(w.widget->user_data(), window.get());
  }
  // Enter acts also on unchanged text; typing alone does nothing.
  for (Fl_Input* input :
       {window->sampleInput, window->databaseInput, window->nameInput}) {
    EXPECT_EQ(input->when(), FL_WHEN_ENTER_KEY_ALWAYS);
  }
}

TEST_F(WindowTest, MethodMenuHasEightRadioItemsWithCodes) {
  const char* labels[] = {"Difference",          "One Std Deviation",
                          "Two Std Deviations",  "Three Std Deviations",
                          "Four Std Deviations", "Tendency Pull",
                          "N-gram Likelihood",   "Word and N-gram Likelihood"};
  const Fl_Menu_Item* items = window->methodMenu->menu();
  ASSERT_EQ(window->methodMenu->size(), 9);  // eight and the end marker
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(labels[i]);
    EXPECT_STREQ(items[i].label(), labels[i]);
    EXPECT_EQ(items[i].user_data(), reinterpret_cast<void*>(intptr_t{i + 1}));
    EXPECT_EQ(items[i].callback(), methodCallback);
    EXPECT_EQ(items[i].shortcut(), 0);
    EXPECT_TRUE(items[i].radio());
    EXPECT_EQ(items[i].value() != 0, i == 3);
  }
  EXPECT_EQ(window->methodMenu->when(), FL_WHEN_RELEASE_ALWAYS);
}

TEST_F(WindowTest, PickingAMethodMakesItsCodeCurrent) {
  for (int i = 0; i < 8; ++i) {
    pickMethod(i);
    EXPECT_EQ(window->methodCode(), i + 1);
    const Fl_Menu_Item* items = window->methodMenu->menu();
    for (int j = 0; j < 8; ++j) {
      EXPECT_EQ(items[j].value() != 0, j == i) << "radio mark on the pick";
    }
  }
  pickMethod(3);
  EXPECT_EQ(window->methodCode(), 4);
  pickMethod(3);  // the item already on
  EXPECT_EQ(window->methodCode(), 4);
  pickMethod(0);
  pickMethod(0);
  EXPECT_EQ(window->methodCode(), 1);
}

TEST_F(WindowTest, GoShowsTheSampleInTheTree) {
  const std::string path = dir.write("latin.txt", "eaee");
  go(path);
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_TRUE(window->sampleLoaded);
  EXPECT_EQ(window->sampleProfile.counts['e'], 3);
  EXPECT_EQ(window->sampleProfile.order[0], 'e');
  EXPECT_EQ(childRows(window->sampleTree->root()),
            (Rows{"Total characters: 4", "Characters used: 2", "e [0.75]",
                  "a [0.25]"}));
  EXPECT_EQ(openedRows(*window->sampleTree),
            (Rows{"Total characters: 4", "Characters used: 2", "e [0.75]",
                  "  ASCII: 101", "  Total: 3", "  %: 75", "a [0.25]",
                  "  ASCII: 97", "  Total: 1", "  %: 25"}));
  // The database tree is not touched.
  EXPECT_EQ(window->histTree->rowCount(), 1u);
}

TEST_F(WindowTest, EachGoReplacesTheTree) {
  go(dir.write("one.txt", "ab"));
  go(dir.write("two.txt", "zzz"));
  EXPECT_EQ(childRows(window->sampleTree->root()),
            (Rows{"Total characters: 3", "Characters used: 1", "z [1]"}));
  EXPECT_EQ(window->sampleProfile.counts['a'], 0);
}

TEST_F(WindowTest, EnterInTheSampleInputActsAsGo) {
  window->sampleInput->value(dir.write("enter.txt", "xy").c_str());
  window->sampleInput->do_callback();
  EXPECT_EQ(window->sampleTree->root()->childCount(), 4u);
}

TEST_F(WindowTest, EnterActsOnUnchangedText) {
  window->sampleInput->value(dir.write("same.txt", "q").c_str());
  window->sampleInput->clear_changed();
  Fl::focus(window->sampleInput);
  Fl::e_keysym = FL_Enter;
  Fl::e_state = 0;
  Fl::e_text = const_cast<char*>("\r");
  Fl::e_length = 1;
  window->sampleInput->handle(FL_KEYBOARD);
  EXPECT_TRUE(window->sampleLoaded);
  EXPECT_EQ(window->sampleTree->root()->childCount(), 3u);
}

TEST_F(WindowTest, FailedLoadKeepsTheShownSample) {
  go(dir.write("good.txt", "eaee"));
  const Rows before = childRows(window->sampleTree->root());
  const LetterProfile shown = window->sampleProfile;

  go(dir.file("missing.txt"));
  // What happened, what to do, and which sample stays in use.
  EXPECT_EQ(
      dialogs.alerts,
      (Rows{"File couldn't be opened!\n" + dir.file("missing.txt") +
            ": No such file or directory\n"
            "Check the name, or pick the file with the button beside "
            "\"Go\".\nThe sample in use is still " +
            dir.file("good.txt") + ": \"Add entry\" and \"Match\" use it."}));
  EXPECT_EQ(window->sampleSource, dir.file("good.txt"));
  EXPECT_EQ(window->countedLabel->label(), "Counted: " + dir.file("good.txt"));
  EXPECT_EQ(childRows(window->sampleTree->root()), before);
  EXPECT_TRUE(window->sampleLoaded);
  // The profile stays the one the tree shows, for adding and matching.
  EXPECT_EQ(window->sampleProfile.counts, shown.counts);
  EXPECT_EQ(window->sampleProfile.totalCount, 4);
}

TEST_F(WindowTest, FailedFirstLoadLeavesNothingLoaded) {
  go(dir.file("missing.txt"));
  ASSERT_EQ(dialogs.alerts.size(), 1u);
  EXPECT_EQ(dialogs.alerts[0].rfind(std::string(FILE_OPEN_FAILED) + "\n", 0),
            0u);
  EXPECT_FALSE(window->sampleLoaded);
  EXPECT_EQ(window->sampleTree->rowCount(), 0u);
}

TEST_F(WindowTest, SampleWithEveryByteShowsEveryRow) {
  std::string bytes;
  for (int b = 1; b <= 255; ++b) bytes += static_cast<char>(b);
  go(dir.write("all.bin", bytes));
  ASSERT_TRUE(dialogs.alerts.empty());
  TreeNode* root = window->sampleTree->root();
  const int used = window->sampleProfile.usedCount;
  ASSERT_GT(used, 200);
  ASSERT_EQ(root->childCount(), 2u + used);
  for (size_t i = 2; i < root->childCount(); ++i) {
    EXPECT_FALSE(root->child(i)->name().empty());
    EXPECT_EQ(root->child(i)->content().kind, RowContent::Kind::Bar);
  }
}

TEST_F(WindowTest, DrawsWithALoadedSample) {
  go(dir.write("draw.txt", "Hello, world!\tTabs / slashes \\ and \xE9\xB1"));
  for (size_t i = 0; i < window->sampleTree->root()->childCount(); ++i) {
    window->sampleTree->open(window->sampleTree->root()->child(i));
  }
  window->redraw();
  Fl::flush();
  EXPECT_TRUE(window->shown());
}

}  // namespace
}  // namespace letterfreq
