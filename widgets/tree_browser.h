// TreeBrowser: the tree of rows that shows profiles, the database and the
// match results. Its nodes are plain objects of the tree, not widgets: a
// row draws its label and, after it, a number or a share bar itself, so a
// tree of a million rows costs memory for the nodes only. Rows that need a
// real widget may still carry one; the tree owns it from then on and
// deletes it when it is cleared.
//
// Nodes keep the order in which they were added, cannot be selected and
// have no icons; a branch always shows its [+]/[-] box, even when empty.
// The tree takes the keyboard focus: the keys move a focus row, scroll and
// open or close branches.
// A branch may be given a populate hook: its rows are then made only when
// it is first opened (by the user or by open()), so large trees stay cheap.
//
// Names are paths: an unescaped '/' separates two levels, a backslash makes
// the next character literal and is not shown ("\\/t" is the one node "/t",
// "\\\\" is a node named by one backslash), empty levels are skipped.
// Adding by name gives back an existing node of that name and kind under
// the same parent; appendBranch() always makes a new one.
//
// Names are drawn in their shown form (widgets/shown_text.h): control
// bytes escaped, long names cut with "…"; a row whose name is shown
// shortened has the full name as its tooltip. The bars of sibling rows
// start at one x, so that their lengths compare, and a bar's text (a
// score) is drawn after it. A tree of leaves only, with its root hidden,
// is drawn as a flat list without connectors.
#pragma once

#include <FL/Fl_Group.H>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class Fl_Scrollbar;

namespace letterfreq {

class ProgressBar;
class TreeBrowser;
class TreeNode;

// What a row shows after its label, or in its place when the label is
// hidden.
struct RowContent {
  enum class Kind : uint8_t { Plain, Number, Bar, Widget };
  Kind kind = Kind::Plain;
  double value = 0;             // Number: printed like "%g"; Bar: 0 to 1
  Fl_Widget* widget = nullptr;  // Widget: owned by the tree once added
  std::shared_ptr<const std::string> text;  // Bar: drawn after the bar

  static RowContent number(double value) {
    return RowContent{Kind::Number, value, nullptr, nullptr};
  }
  static RowContent bar(double share) {
    return RowContent{Kind::Bar, share, nullptr, nullptr};
  }
  static RowContent bar(double share, std::string text) {
    return RowContent{Kind::Bar, share, nullptr,
                      std::make_shared<const std::string>(std::move(text))};
  }
  static RowContent of(Fl_Widget* widget) {
    return RowContent{Kind::Widget, 0, widget, nullptr};
  }
};

// Where the parts of a row are drawn, in pixels from the tree's unscrolled
// left edge.
struct RowLayout {
  int labelX = 0;
  std::string label;  // as drawn: the shown name, fitted to its column
  int contentX = 0;   // the number, the bar or the widget
  int barWidth = 0;
  int textX = 0;      // a bar's text
};

// Makes the rows of a branch when it is first opened.
using PopulateHook = std::function<void(TreeBrowser&, TreeNode*)>;

class TreeNode {
 public:
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  // The node's name as shown, the path's escapes removed.
  const std::string& name() const { return name_; }
  bool isBranch() const { return branch_; }
  bool isOpen() const { return open_; }
  bool labelShown() const { return showLabel_; }
  // True while the rows of a closed branch are still to be made.
  bool waitsToPopulate() const { return populate_ != nullptr; }
  const RowContent& content() const { return content_; }
  TreeNode* parent() const { return parent_; }
  size_t childCount() const { return children_.size(); }
  TreeNode* child(size_t index) const { return children_[index].get(); }
  size_t depth() const { return depth_; }  // the root is 0

 private:
  friend class TreeBrowser;
  TreeNode(TreeNode* parent, std::string name, bool branch);

  std::string name_;
  TreeNode* parent_;
  std::vector<std::unique_ptr<TreeNode>> children_;
  std::unique_ptr<PopulateHook> populate_;
  RowContent content_;
  uint32_t depth_;
  bool branch_;
  bool open_;
  bool showLabel_ = true;
};

class TreeBrowser : public Fl_Group {
 public:
  // The root is named `rootLabel`; it is shown as a row until
  // showRoot(false).
  TreeBrowser(int x, int y, int w, int h, const char* rootLabel = nullptr);
  ~TreeBrowser() override;

  TreeNode* root() const { return root_.get(); }
  // The row the keyboard acts on (the first row until a key or click
  // moves it); null when the tree shows no row.
  TreeNode* focusRow();

  // Adds a branch (a leaf) under `parent` (null: the root) and gives back
  // its node. When the node exists already, it is given back unchanged and
  // a widget in `content` is deleted.
  TreeNode* addBranch(TreeNode* parent, const std::string& path,
                      RowContent content = {}, bool showLabel = true);
  TreeNode* addLeaf(TreeNode* parent, const std::string& path,
                    RowContent content = {}, bool showLabel = true);
  // Like addBranch (addLeaf), but the last level is always a new node, even
  // when a sibling has the same name.
  TreeNode* appendBranch(TreeNode* parent, const std::string& path,
                         RowContent content = {}, bool showLabel = true);
  TreeNode* appendLeaf(TreeNode* parent, const std::string& path,
                       RowContent content = {}, bool showLabel = true);

  // Closes `branch`; `hook` makes its rows when it is next opened.
  void populateOnOpen(TreeNode* branch, PopulateHook hook);
  // Opens (running a waiting populate hook first) or closes a branch.
  void open(TreeNode* branch, bool open = true);

  // Opens every branch above `node` and scrolls so that its row is seen.
  void scrollTo(TreeNode* node);
  int scrollTop() const { return scrollTop_; }

  // Removes every node under the root, with the widgets of their rows.
  void clear();
  void showRoot(bool shown);
  bool rootShown() const { return rootShown_; }

  // Reading back what a user sees. rowText() is the row's text: its label
  // when shown, then its number as printed, its bar's text or its
  // widget's label.
  static std::string rowText(const TreeNode* node);
  static std::string formatNumber(double value);
  size_t rowCount();  // rows reachable by scrolling (under open branches)
  TreeNode* rowAt(size_t index);
  // How `node`'s row is drawn at the tree's present size (needs a display:
  // it measures text).
  RowLayout rowLayout(const TreeNode* node);
  // The row's tooltip: its full name when the row shows it shortened.
  std::string rowTooltip(const TreeNode* node);

  // The size of the rows' text; FL_NORMAL_SIZE unless set.
  void textSize(int size);
  int textSize() const { return textSize_; }
  // The width of the scrollbars; the toolkit's size unless set.
  void scrollbarSize(int size);

  // The levels a path names (exposed for tests).
  static std::vector<std::string> splitPath(const std::string& path);

  int handle(int event) override;
  void resize(int x, int y, int w, int h) override;

 protected:
  void draw() override;

 private:
  TreeNode* addNode(TreeNode* parent, const std::string& path,
                    RowContent content, bool showLabel, bool branch,
                    bool alwaysNew);
  TreeNode* newChild(TreeNode* parent, std::string name, bool branch);
  void attach(TreeNode* node, RowContent content, bool showLabel);
  void changed();
  void ensureRows();
  size_t rowLevel(const TreeNode* node) const;
  bool layout();  // true when the scrollbars changed
  void drawRow(const TreeNode* node, int top);
  void drawConnectors(const TreeNode* node, int left, int top);
  void drawContent(const TreeNode* node, const RowLayout& at, int left,
                   int top);
  int labelX(const TreeNode* node) const;  // from the unscrolled left edge
  int columnCentre(const TreeNode* node) const;
  struct BarColumn {
    int nameWidth, barX, barWidth;
  };
  const BarColumn& barColumn(const TreeNode* parent);
  void showTooltip();
  // The keyboard (widgets/tree_browser_keys.cpp).
  bool handleKey();
  size_t focusIndex();  // the focus row's index, 0 when it is not shown
  void moveFocus(size_t index);
  void drawFocus();
  static void scrolled(Fl_Widget*, void* tree);
  static void destroyNodes(std::vector<std::unique_ptr<TreeNode>> nodes);

  std::unique_ptr<TreeNode> root_;
  bool rootShown_ = true;
  std::vector<TreeNode*> rows_;  // the nodes under open branches, in order
  bool rowsDirty_ = true;
  bool flat_ = false;  // leaves only under a hidden root: no connectors
  int textSize_;
  int scrollbarSize_ = 0;  // 0: the toolkit's
  std::unordered_map<const TreeNode*, BarColumn> barColumns_;  // by parent
  std::string tooltips_[2];  // what the toolkit's tooltip points to
  int shownTooltip_ = 0;
  Fl_Scrollbar* vertical_;
  Fl_Scrollbar* horizontal_;
  Fl_Group* holder_;  // parent of the row widgets
  std::unique_ptr<ProgressBar> barPainter_;  // paints every share bar
  std::vector<Fl_Widget*> placedWidgets_;    // row widgets on screen
  TreeNode* focusNode_ = nullptr;  // the keyboard's row; null: the first
  int scrollTop_ = 0;
  int scrollLeft_ = 0;
  int contentWidth_ = 0;  // widest row drawn since the last clear
  int dataX_ = 0, dataY_ = 0, dataW_ = 0, dataH_ = 0;
};

}  // namespace letterfreq
