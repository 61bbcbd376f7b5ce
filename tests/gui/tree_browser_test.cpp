#include "widgets/tree_browser.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/gui/gui_support.h"

namespace letterfreq {
namespace {

using testing::childRows;
using testing::openedRows;
using Levels = std::vector<std::string>;

// A box that reports its own deletion.
class WatchedBox : public Fl_Box {
 public:
  WatchedBox(int* deleted, const char* label = nullptr)
      : Fl_Box(0, 0, 60, 20, label), deleted_(deleted) {}
  ~WatchedBox() override { ++*deleted_; }

 private:
  int* deleted_;
};

TEST(TreeBrowserTest, PathsSplitAtUnescapedSlashes) {
  EXPECT_EQ(TreeBrowser::splitPath("a/b"), (Levels{"a", "b"}));
  EXPECT_EQ(TreeBrowser::splitPath("\\/t"), (Levels{"/t"}));
  EXPECT_EQ(TreeBrowser::splitPath("\\/ "), (Levels{"/ "}));
  EXPECT_EQ(TreeBrowser::splitPath("' '"), (Levels{"' '"}));
  EXPECT_EQ(TreeBrowser::splitPath("a\\b"), (Levels{"ab"}));
  EXPECT_EQ(TreeBrowser::splitPath("\\\\"), (Levels{"\\"}));
  EXPECT_EQ(TreeBrowser::splitPath("/a//b/"), (Levels{"a", "b"}));
  // Nothing to name still names one node, so nothing added gets lost.
  EXPECT_EQ(TreeBrowser::splitPath(""), (Levels{""}));
  EXPECT_EQ(TreeBrowser::splitPath("\\"), (Levels{""}));
  EXPECT_EQ(TreeBrowser::splitPath("/"), (Levels{""}));
}

TEST(TreeBrowserTest, AddingByNameGivesBackTheExistingNode) {
  TreeBrowser tree(0, 0, 200, 200, "root");
  TreeNode* latin = tree.addBranch(nullptr, "Latin");
  TreeNode* greek = tree.addBranch(tree.root(), "Greek");
  EXPECT_EQ(tree.addBranch(nullptr, "Latin"), latin);
  EXPECT_NE(greek, latin);

  TreeNode* leaf = tree.addLeaf(latin, "x");
  EXPECT_EQ(tree.addLeaf(latin, "x"), leaf);
  // A branch and a leaf of one name are two nodes.
  TreeNode* branch = tree.addBranch(latin, "x");
  EXPECT_NE(branch, leaf);
  EXPECT_TRUE(branch->isBranch());
  EXPECT_FALSE(leaf->isBranch());

  // Middle levels are found or made; the new node goes last.
  TreeNode* deep = tree.addLeaf(nullptr, "Latin/y/z");
  EXPECT_EQ(deep->parent()->name(), "y");
  EXPECT_EQ(deep->parent()->parent(), latin);
  EXPECT_EQ(childRows(latin), (Levels{"x", "x", "y"}));
  EXPECT_EQ(childRows(tree.root()), (Levels{"Latin", "Greek"}));
}

TEST(TreeBrowserTest, NodesKeepTheOrderOfAdding) {
  TreeBrowser tree(0, 0, 200, 200);
  for (const char* name : {"zeta", "alpha", "mid", "Beta"}) {
    tree.addLeaf(nullptr, name);
  }
  EXPECT_EQ(childRows(tree.root()), (Levels{"zeta", "alpha", "mid", "Beta"}));
}

TEST(TreeBrowserTest, AppendBranchAlwaysMakesANewNode) {
  TreeBrowser tree(0, 0, 200, 200);
  TreeNode* first = tree.appendBranch(nullptr, "1", RowContent::bar(0.5));
  TreeNode* second = tree.appendBranch(nullptr, "1", RowContent::bar(0.25));
  ASSERT_NE(first, second);
  EXPECT_EQ(first->content().value, 0.5);
  EXPECT_EQ(second->content().value, 0.25);
  EXPECT_EQ(childRows(tree.root()), (Levels{"1 [0.5]", "1 [0.25]"}));
}

TEST(TreeBrowserTest, RowsShowLabelAndNumberOrWidget) {
  TreeBrowser tree(0, 0, 200, 200);
  tree.addLeaf(nullptr, "%:", RowContent::number(100.0 / 3));
  tree.addLeaf(nullptr, "Total:", RowContent::number(52));
  tree.addLeaf(nullptr, "big", RowContent::number(1234567));
  tree.addLeaf(nullptr, "hidden", RowContent::number(7), false);
  tree.addBranch(nullptr, "0", RowContent::of(new Fl_Box(0, 0, 90, 20, "Caesar")),
                 false);
  tree.addLeaf(nullptr, "plain");
  EXPECT_EQ(childRows(tree.root()),
            (Levels{"%: 33.3333", "Total: 52", "big 1.23457e+06", "7",
                    "Caesar", "plain"}));
  // The hidden label still names the node.
  EXPECT_EQ(tree.root()->child(4)->name(), "0");
}

TEST(TreeBrowserTest, AnExistingNodeDropsTheNewWidget) {
  int deleted = 0;
  TreeBrowser tree(0, 0, 200, 200);
  TreeNode* node = tree.addLeaf(nullptr, "a", RowContent::of(new WatchedBox(&deleted)));
  Fl_Widget* kept = node->content().widget;
  EXPECT_EQ(tree.addLeaf(nullptr, "a", RowContent::of(new WatchedBox(&deleted))),
            node);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(node->content().widget, kept);
}

TEST(TreeBrowserTest, PopulateHookRunsOnceWhenFirstOpened) {
  TreeBrowser tree(0, 0, 200, 200);
  tree.showRoot(false);
  TreeNode* branch = tree.addBranch(nullptr, "lazy");
  tree.addLeaf(nullptr, "after");
  int runs = 0;
  tree.populateOnOpen(branch, [&runs](TreeBrowser& t, TreeNode* node) {
    ++runs;
    t.addLeaf(node, "one");
    t.addLeaf(node, "two");
  });
  EXPECT_FALSE(branch->isOpen());
  EXPECT_TRUE(branch->waitsToPopulate());
  EXPECT_EQ(branch->childCount(), 0u);
  EXPECT_EQ(tree.rowCount(), 2u);
  EXPECT_EQ(runs, 0);

  tree.open(branch);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(branch->isOpen());
  EXPECT_FALSE(branch->waitsToPopulate());
  ASSERT_EQ(tree.rowCount(), 4u);
  EXPECT_EQ(tree.rowAt(1)->name(), "one");
  EXPECT_EQ(tree.rowAt(3)->name(), "after");

  tree.open(branch, false);
  EXPECT_EQ(tree.rowCount(), 2u);
  tree.open(branch);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(branch->childCount(), 2u);
}

TEST(TreeBrowserTest, EmptyBranchStaysABranch) {
  TreeBrowser tree(0, 0, 200, 200);
  tree.showRoot(false);
  TreeNode* more = tree.addBranch(nullptr, "More...");
  tree.populateOnOpen(more, [](TreeBrowser&, TreeNode*) {});
  tree.open(more);
  EXPECT_TRUE(more->isBranch());
  EXPECT_TRUE(more->isOpen());
  EXPECT_EQ(more->childCount(), 0u);
  EXPECT_EQ(tree.rowCount(), 1u);
}

TEST(TreeBrowserTest, RowsUnderClosedBranchesAreNotListed) {
  TreeBrowser tree(0, 0, 200, 200, "root");
  TreeNode* a = tree.addBranch(nullptr, "a");
  tree.addLeaf(a, "a1");
  tree.addLeaf(nullptr, "b");
  EXPECT_EQ(tree.rowCount(), 4u);  // the root is shown until hidden
  tree.showRoot(false);
  EXPECT_EQ(tree.rowCount(), 3u);
  tree.open(a, false);
  EXPECT_EQ(tree.rowCount(), 2u);
  EXPECT_EQ(tree.rowAt(1)->name(), "b");
  EXPECT_EQ(tree.rowAt(2), nullptr);
}

TEST(TreeBrowserTest, ClearDeletesNodesAndTheirWidgets) {
  int deleted = 0;
  TreeBrowser tree(0, 0, 200, 200, "Tree!");
  TreeNode* branch = tree.addBranch(nullptr, "x", RowContent::of(new WatchedBox(&deleted)));
  for (int i = 0; i < 100; ++i) {
    tree.addLeaf(branch, std::to_string(i), RowContent::of(new WatchedBox(&deleted)));
  }
  tree.clear();
  EXPECT_EQ(deleted, 101);
  EXPECT_EQ(tree.root()->childCount(), 0u);
  EXPECT_EQ(tree.root()->name(), "Tree!");
  EXPECT_EQ(tree.rowCount(), 1u);  // the root alone
  tree.addLeaf(nullptr, "again");
  EXPECT_EQ(childRows(tree.root()), (Levels{"again"}));
}

TEST(TreeBrowserTest, DeepPathsAreClearedWithoutRecursion) {
  TreeBrowser tree(0, 0, 200, 200);
  std::string path;
  for (int i = 0; i < 200000; ++i) path += "a/";
  TreeNode* leaf = tree.addLeaf(nullptr, path + "end");
  EXPECT_EQ(leaf->depth(), 200001u);
  EXPECT_EQ(tree.rowCount(), 200002u);  // with the root
  tree.clear();
  EXPECT_EQ(tree.root()->childCount(), 0u);
}

TEST(TreeBrowserTest, OpenedRowsReadBackWhatAUserSees) {
  TreeBrowser tree(0, 0, 200, 200);
  TreeNode* e = tree.appendBranch(nullptr, "e", RowContent::bar(0.75));
  tree.populateOnOpen(e, [](TreeBrowser& t, TreeNode* node) {
    t.addLeaf(node, "ASCII:", RowContent::number(101));
  });
  EXPECT_EQ(openedRows(tree), (Levels{"e [0.75]", "  ASCII: 101"}));
}

// Drawing and clicking need a display.
class TreeBrowserOnScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window_ = std::make_unique<Fl_Double_Window>(300, 200, "tree test");
    tree_ = new TreeBrowser(10, 10, 200, 180);
    tree_->showRoot(false);
    window_->end();
    window_->show();
    window_->wait_for_expose();
  }

  void draw() {
    tree_->redraw();
    Fl::flush();
  }

  // Presses the mouse at (x, y) inside the tree.
  void click(int x, int y) {
    Fl::e_x = tree_->x() + x;
    Fl::e_y = tree_->y() + y;
    Fl::e_keysym = FL_Button + 1;
    tree_->handle(FL_PUSH);
  }

  std::unique_ptr<Fl_Double_Window> window_;
  TreeBrowser* tree_ = nullptr;
};

TEST_F(TreeBrowserOnScreenTest, RowWidgetsAreShownOnlyWhileOnScreen) {
  int deleted = 0;
  std::vector<Fl_Widget*> boxes;
  for (int i = 0; i < 40; ++i) {
    auto* box = new WatchedBox(&deleted, "entry");
    boxes.push_back(box);
    tree_->addLeaf(nullptr, std::to_string(i), RowContent::of(box), false);
  }
  draw();
  EXPECT_TRUE(boxes[0]->visible());
  EXPECT_FALSE(boxes[39]->visible());
  EXPECT_EQ(boxes[0]->y(), tree_->y() + Fl::box_dy(tree_->box()));
  EXPECT_EQ(boxes[1]->y(), boxes[0]->y() + 20);
  tree_->clear();
  draw();
  EXPECT_EQ(deleted, 40);
}

TEST_F(TreeBrowserOnScreenTest, ClickOnABranchOpensAndClosesIt) {
  TreeNode* branch = tree_->appendBranch(nullptr, "e", RowContent::bar(0.5));
  int runs = 0;
  tree_->populateOnOpen(branch, [&runs](TreeBrowser& t, TreeNode* node) {
    ++runs;
    t.addLeaf(node, "ASCII:", RowContent::number(101));
  });
  tree_->addLeaf(nullptr, "Total:", RowContent::number(3));
  draw();
  click(10, 10);  // on the [+] box of the first row
  EXPECT_TRUE(branch->isOpen());
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(tree_->rowCount(), 3u);
  draw();
  click(40, 10);  // on its label
  EXPECT_FALSE(branch->isOpen());
  click(40, 30);  // a leaf: nothing happens
  EXPECT_EQ(tree_->rowCount(), 2u);
}

TEST_F(TreeBrowserOnScreenTest, ManyRowsDrawWithScrollbars) {
  for (int i = 0; i < 1000; ++i) {
    tree_->addLeaf(nullptr, "a rather long row label number " + std::to_string(i),
                   RowContent::number(i));
  }
  draw();
  draw();  // the second draw knows the widest row
  EXPECT_EQ(tree_->rowCount(), 1000u);
  int scrollbars = 0;
  for (int i = 0; i < tree_->children(); ++i) {
    if (tree_->child(i)->visible() &&
        dynamic_cast<Fl_Group*>(tree_->child(i)) == nullptr) {
      ++scrollbars;
    }
  }
  EXPECT_EQ(scrollbars, 2);
}

}  // namespace
}  // namespace letterfreq
