// The window in use beyond its opening state: enlarging it, the keyboard
// (focus after a load, Escape), tooltips, and the alerts that name the
// file and the cause.
#include "app/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/file_cause.h"
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

  std::vector<Fl_Widget*> controls() const {
    return {window->sampleInput,  window->goButton,     window->databaseInput,
            window->openDbButton, window->frameBox,     window->addEntryButton,
            window->languageList, window->nameInput,    window->matchButton,
            window->methodMenu};
  }

  testing::TempDir dir;
  testing::RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(WindowUseTest, EnlargingGrowsTheTreesAndLeavesTheControls) {
  std::vector<Box> before;
  for (Fl_Widget* control : controls()) before.push_back(boxOf(control));
  const Box sample = boxOf(window->sampleTree);
  const Box result = boxOf(window->resultTree);
  const Box hist = boxOf(window->histTree);

  window->resize(window->x(), window->y(), 900, 700);
  EXPECT_EQ(window->w(), 900);
  EXPECT_EQ(window->h(), 700);
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_TRUE(boxOf(controls()[i]) == before[i]) << i;
  }
  EXPECT_EQ(window->sampleTree->h(), sample.h + 300);
  EXPECT_EQ(window->resultTree->h(), result.h + 300);
  EXPECT_EQ(window->histTree->h(), hist.h + 300);
  EXPECT_EQ(window->resultTree->w(), result.w + 200);  // the result tree most
  EXPECT_EQ(window->histTree->w(), hist.w + 100);
  // Side by side still, inside the window.
  EXPECT_LT(window->resultTree->x() + window->resultTree->w(),
            window->histTree->x());
  EXPECT_LE(window->histTree->x() + window->histTree->w(), window->w());

  // Back to the opening size: every tree where the window made it.
  window->resize(window->x(), window->y(), 600, 400);
  EXPECT_TRUE(boxOf(window->sampleTree) == sample);
  EXPECT_TRUE(boxOf(window->resultTree) == result);
  EXPECT_TRUE(boxOf(window->histTree) == hist);
  window->resize(window->x(), window->y(), 300, 200);  // never smaller
  EXPECT_EQ(window->w(), 600);
  EXPECT_EQ(window->h(), 400);
  EXPECT_TRUE(boxOf(window->resultTree) == result);
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
  window->databaseInput->value(dir.file("new.db").c_str());
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
  window->databaseInput->value(dir.file("ling2.db").c_str());
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
  EXPECT_EQ(dialogs.alerts,
            (std::vector<std::string>{
                "URL couldn't be opened!\nconnect: Connection refused",
                "URL couldn't be opened!\nthe address holds the control byte "
                "13 at position " +
                    std::to_string(split.find('\r') + 1)}));
  EXPECT_FALSE(window->sampleLoaded);
}

TEST(FileCauseTest, TheSecondLineNamesTheFileAndTheReason) {
  testing::TempDir dir;
  const std::string missing = dir.file("x.txt");
  EXPECT_EQ(withFileCause("File couldn't be opened!", missing, FileUse::Read),
            "File couldn't be opened!\n" + missing +
                ": No such file or directory");
  EXPECT_EQ(withFileCause("!nofileopen", dir.path(), FileUse::ReadWrite),
            "!nofileopen\n" + dir.path() + ": Is a directory");
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
