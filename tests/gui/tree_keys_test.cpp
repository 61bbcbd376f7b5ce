// A person reaching the trees: each takes the keyboard focus, its keys
// move, scroll and open, and a shortened row's full name pops up as a
// tooltip window when the mouse rests on it.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Tooltip.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/results_view.h"
#include "app/window.h"
#include "tests/gui/gui_support.h"
#include "widgets/tree_browser.h"

// Last: X11 defines None, which the test framework uses as a name.
#include <FL/x.H>

namespace letterfreq {
namespace {

class TreeKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
    for (int i = 0; i < 50 && !window->visible(); ++i) Fl::wait(0.02);
  }

  void press(int key) {
    Fl::e_keysym = key;
    Fl::e_state = 0;
    text_ = key < 128 ? std::string(1, static_cast<char>(key)) : "";
    Fl::e_text = text_.data();
    Fl::e_length = static_cast<int>(text_.size());
    Fl::handle(FL_KEYBOARD, window.get());
  }

  // The shown window labelled `text` (the toolkit's tooltip box is one),
  // or null.
  static Fl_Window* windowShowing(const std::string& text) {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
      const char* label = static_cast<Fl_Widget*>(w)->label();
      if (w->shown() && label && text == label) return w;
    }
    return nullptr;
  }

  testing::RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
  std::string text_;
};

// Once the tip was set only when the tree's group had not taken the move
// itself, which it always does: no tooltip ever appeared.
TEST_F(TreeKeysTest, AShortenedRowsNamePopsUpAsATooltip) {
  const std::string longName(120, 'x');
  std::vector<MatchRow> rows(2);
  rows[0].name = longName;
  rows[0].score = 0.9f;
  rows[1].name = "Latin";
  rows[1].score = 0.1f;
  showResults(*window->resultTree, rows);
  window->redraw();
  Fl::flush();
  const float delay = Fl_Tooltip::delay();
  Fl_Tooltip::delay(0.05f);
  TreeBrowser& tree = *window->resultTree;
  // Drawn as a person sees it before pointing at it.
  for (int i = 0; i < 10; ++i) Fl::wait(0.02);
  ASSERT_NE(tree.rowLayout(tree.rowAt(0)).label, longName);  // shortened
  // The pointer itself moves over the first row: the server reports the
  // motion as it would a person's.
  XWarpPointer(fl_display, None, fl_xid(window.get()), 0, 0, 0, 0,
               tree.x() + 30, tree.y() + 10);
  XFlush(fl_display);
  for (int i = 0; i < 100 && !windowShowing(longName); ++i) Fl::wait(0.02);
  const Fl_Window* tip = windowShowing(longName);
  ASSERT_NE(tip, nullptr);
  // Right under the row pointed at (the row's top is 2 pixels into the
  // tree), where the eye is.
  const int rowBottom = window->y() + tree.y() + 2 + 20;
  EXPECT_GE(tip->y(), rowBottom);
  EXPECT_LE(tip->y(), rowBottom + 10);
  EXPECT_FALSE(windowShowing("Latin"));
  XWarpPointer(fl_display, None, fl_xid(window.get()), 0, 0, 0, 0, 5, 5);
  for (int i = 0; i < 100 && windowShowing(longName); ++i) Fl::wait(0.02);
  EXPECT_FALSE(windowShowing(longName)) << "it goes when the mouse leaves";
  Fl_Tooltip::delay(delay);
}

TEST_F(TreeKeysTest, EveryTreeTakesTheFocusAndItsKeysMoveScrollAndOpen) {
  for (TreeBrowser* tree :
       {window->sampleTree, window->histTree, window->resultTree}) {
    tree->clear();
    for (int i = 0; i < 40; ++i) {
      TreeNode* branch = tree->addBranch(nullptr, "row " + std::to_string(i));
      tree->addLeaf(branch, "inside " + std::to_string(i));
      tree->open(branch, false);
    }
    window->redraw();
    Fl::flush();

    Fl::focus(window->sampleInput);
    ASSERT_TRUE(tree->take_focus());
    EXPECT_EQ(Fl::focus(), tree);
    EXPECT_EQ(tree->focusRow()->name(), "row 0");
    press(FL_Down);
    press(FL_Down);
    EXPECT_EQ(tree->focusRow()->name(), "row 2");
    press(FL_Right);  // opens the branch
    EXPECT_TRUE(tree->focusRow()->isOpen());
    press(FL_Right);  // then steps into it
    EXPECT_EQ(tree->focusRow()->name(), "inside 2");
    press(FL_Left);  // back to the parent
    press(FL_Left);  // which closes
    EXPECT_EQ(tree->focusRow()->name(), "row 2");
    EXPECT_FALSE(tree->focusRow()->isOpen());
    press(' ');
    EXPECT_TRUE(tree->focusRow()->isOpen());
    press(FL_Enter);
    EXPECT_FALSE(tree->focusRow()->isOpen());

    EXPECT_EQ(tree->scrollTop(), 0);
    press(FL_Page_Down);
    press(FL_End);
    EXPECT_EQ(tree->focusRow()->name(), "row 39");
    EXPECT_GT(tree->scrollTop(), 0);  // the row is in view
    press(FL_Home);
    EXPECT_EQ(tree->scrollTop(), 0);
    window->redraw();
    Fl::flush();  // the focus row draws
  }
  EXPECT_TRUE(dialogs.alerts.empty());
}

}  // namespace
}  // namespace letterfreq
