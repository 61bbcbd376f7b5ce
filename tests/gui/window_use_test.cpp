// The window in use beyond its opening state: enlarging it, the keyboard
// (focus after a load, Escape), tooltips, and the alerts that name the
// file and the cause.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/file_cause.h"
#include "app/window.h"
#include "sample/socket.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

struct Box {
  int x, y, w, h;
  bool operator==(const Box& o) const {
    return x == o.x && y == o.y && w == o.w && h == o.h;
  }
};

Box boxOf(const Fl_Widget* widget) {
  return {widget->x(), widget->y(), widget->w(), widget->h()};
}

class WindowUseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  }

  testing::TempDir dir;
  testing::RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(WindowUseTest, EnlargingWidensEveryTreeAndKeepsFieldsAboveTrees) {
  const Box sample = boxOf(window->sampleTree);
  const Box result = boxOf(window->resultTree);
  const Box hist = boxOf(window->histTree);
  const Box frame = boxOf(window->frameBox);

  window->resize(window->x(), window->y(), 900, 700);
  EXPECT_EQ(window->w(), 900);
  EXPECT_EQ(window->h(), 700);
  // A third of the width to the sample's column, the rest to the right.
  EXPECT_EQ(window->sampleTree->w(), sample.w + 100);
  EXPECT_EQ(window->histTree->w(), hist.w + 200);
  EXPECT_EQ(window->resultTree->w(), result.w + 200);
  EXPECT_EQ(window->sampleTree->h(), sample.h + 300);
  EXPECT_EQ(window->histTree->h() + window->resultTree->h(),
            hist.h + result.h + 300);
  // Each field over its tree, its right edge at the tree's.
  const std::pair<Fl_Widget*, Fl_Widget*> fieldAndTree[] = {
      {window->sampleInput, window->sampleTree},
      {window->databaseInput, window->histTree},
      {window->answerLine, window->resultTree}};
  for (const auto& [field, tree] : fieldAndTree) {
    EXPECT_EQ(field->x(), tree->x());
    EXPECT_LE(field->y() + field->h(), tree->y());
  }
  EXPECT_EQ(window->openDbButton->x() + window->openDbButton->w(),
            window->histTree->x() + window->histTree->w() - 5);
  EXPECT_EQ(window->chooseButton->x() + window->chooseButton->w(),
            window->sampleTree->x() + window->sampleTree->w());
  // The middle controls move along, keeping their size, between the trees.
  EXPECT_EQ(window->frameBox->x(), frame.x + 100);
  EXPECT_EQ(window->frameBox->w(), frame.w);
  EXPECT_LT(window->sampleTree->x() + window->sampleTree->w(),
            window->frameBox->x());
  EXPECT_LT(window->frameBox->x() + window->frameBox->w(),
            window->histTree->x());
  EXPECT_LE(window->resultTree->y() + window->resultTree->h(), window->h());
  EXPECT_LE(window->histTree->x() + window->histTree->w(), window->w());
}

TEST_F(WindowUseTest, EscapeDoesNotCloseTheWindowButTheCloseBoxDoes) {
  ASSERT_TRUE(window->shown());
  Fl::e_number = FL_SHORTCUT;
  Fl::e_keysym = FL_Escape;
  window->do_callback();
  EXPECT_TRUE(window->shown());
  Fl::e_number = FL_CLOSE;
  Fl::e_keysym = 0;
  window->do_callback();
  EXPECT_FALSE(window->shown());
}

TEST_F(WindowUseTest, FocusReturnsWhereItWasWhenALoadEnds) {
  window->databaseInput->value(dir.write("new.db", "").c_str());
  for (Fl_Widget* focused : {static_cast<Fl_Widget*>(window->databaseInput),
                             static_cast<Fl_Widget*>(window->nameInput)}) {
    Fl::focus(focused);
    window->openDbButton->do_callback();
    ASSERT_TRUE(window->databaseLoaded);
    EXPECT_EQ(Fl::focus(), focused);
  }
}

TEST_F(WindowUseTest, UnlabelledControlsHaveTooltips) {
  EXPECT_STREQ(window->sampleInput->tooltip(),
               "Sample: a file, or an http:// or https:// address");
  EXPECT_STREQ(window->databaseInput->tooltip(), "Database file");
  EXPECT_STREQ(window->methodMenu->tooltip(), "Three Std Deviations");
  window->methodMenu->picked(window->methodMenu->menu() + 6);
  EXPECT_STREQ(window->methodMenu->tooltip(), "N-gram Likelihood");
  window->methodMenu->picked(window->methodMenu->menu() + 0);
  EXPECT_STREQ(window->methodMenu->tooltip(), "Difference");
}

TEST_F(WindowUseTest, AnAddedEntryIsShownScrolledIntoView) {
  const std::string sample = dir.write("sample.txt", "aab");
  window->sampleInput->value(sample.c_str());
  window->goButton->do_callback();
  window->databaseInput->value(dir.write("ling2.db", "").c_str());
  window->openDbButton->do_callback();
  for (int i = 0; i < 30; ++i) {
    window->languageList->input()->value(i < 15 ? "Latin" : "Greek");
    window->nameInput->value(("entry " + std::to_string(i)).c_str());
    window->addEntryButton->do_callback();
  }
  ASSERT_TRUE(dialogs.alerts.empty());
  TreeBrowser& tree = *window->histTree;
  TreeNode* entries = tree.root()->child(1)->child(0);  // Greek's
  ASSERT_TRUE(entries->isOpen());
  TreeNode* newest = entries->child(entries->childCount() - 1);
  EXPECT_EQ(TreeBrowser::rowText(newest), "entry 29");
  size_t index = 0;
  while (tree.rowAt(index) != newest) ++index;
  const int top = static_cast<int>(index) * 20 - tree.scrollTop();
  EXPECT_GE(top, 0);
  EXPECT_LE(top + 20, tree.h());
}

TEST_F(WindowUseTest, AFailedAddressTellsWhyOnTheSecondLine) {
  int closedPort = 0;
  {
    SocketServer server(0, 1, blocking, true);
    closedPort = server.localPort();
  }  // nothing listens there any more
  const std::string prefix = "http://127.0.0.1:";
  const std::string refused = prefix + std::to_string(closedPort) + "/";
  const std::string split = prefix + std::to_string(closedPort) + "/a\r\nX: y";
  for (const std::string& address : {refused, split}) {
    window->sampleInput->value(address.c_str());
    window->goButton->do_callback();
  }
  const std::string advice = "\nCheck the address and the connection.";
  EXPECT_EQ(dialogs.alerts,
            (std::vector<std::string>{
                "URL couldn't be opened!\nconnect: Connection refused" + advice,
                "URL couldn't be opened!\nthe address holds the control byte "
                "13 at position " +
                    std::to_string(split.find('\r') + 1) + advice}));
  EXPECT_FALSE(window->sampleLoaded);
}

TEST(FileCauseTest, TheSecondLineNamesTheFileAndTheReason) {
  testing::TempDir dir;
  const std::string missing = dir.file("x.txt");
  EXPECT_EQ(withFileCause("File couldn't be opened!", missing, FileUse::Read),
            "File couldn't be opened!\n" + missing +
                ": No such file or directory");
  EXPECT_EQ(withFileCause("!damaged", dir.path(), FileUse::ReadWrite),
            "!damaged\n" + dir.path() + ": Is a directory");
  // The engine's reason is the one it met, not one looked up later.
  EXPECT_EQ(withFileCause("!nofileopen: Permission denied", dir.path(),
                          FileUse::ReadWrite),
            "!nofileopen: Permission denied\n" + dir.path());
  // A file the system would open: the fault is in its contents.
  const std::string good = dir.write("good.db", "x");
  EXPECT_EQ(withFileCause("!damaged", good, FileUse::ReadWrite),
            "!damaged\n" + good);
  // A text that names the file already, and addresses, stay as they are.
  EXPECT_EQ(withFileCause("!cannot read " + good, good, FileUse::Read),
            "!cannot read " + good);
  EXPECT_EQ(withFileCause("URL couldn't be opened!", "http://x/",
                          FileUse::Read),
            "URL couldn't be opened!");
}

}  // namespace
}  // namespace letterfreq
