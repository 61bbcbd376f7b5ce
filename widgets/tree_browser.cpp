#include "widgets/tree_browser.h"

#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "widgets/progress_bar.h"
#include "widgets/tree_metrics.h"

namespace letterfreq {

using namespace tree_metrics;

TreeNode::TreeNode(TreeNode* parent, std::string name, bool branch)
    : name_(std::move(name)),
      parent_(parent),
      depth_(parent ? parent->depth_ + 1 : 0),
      branch_(branch),
      open_(branch) {}

TreeBrowser::TreeBrowser(int x, int y, int w, int h, const char* rootLabel)
    : Fl_Group(x, y, w, h),
      root_(new TreeNode(nullptr, rootLabel ? rootLabel : "", true)),
      textSize_(FL_NORMAL_SIZE) {
  box(FL_DOWN_BOX);
  color(FL_BACKGROUND2_COLOR);
  holder_ = new Fl_Group(x, y, 0, 0);
  holder_->end();
  vertical_ = new Fl_Scrollbar(x, y, Fl::scrollbar_size(), h);
  vertical_->linesize(ROW_HEIGHT);
  vertical_->callback(scrolled, this);
  vertical_->clear_visible();
  vertical_->clear_visible_focus();  // the keys scroll the tree itself
  horizontal_ = new Fl_Scrollbar(x, y, w, Fl::scrollbar_size());
  horizontal_->type(FL_HORIZONTAL);
  horizontal_->linesize(INDENT);
  horizontal_->callback(scrolled, this);
  horizontal_->clear_visible();
  horizontal_->clear_visible_focus();
  end();
  // The bar painter belongs to no group: it only ever draws for the rows.
  Fl_Group* current = Fl_Group::current();
  Fl_Group::current(nullptr);
  barPainter_.reset(new ProgressBar(0, 0, BAR_WIDTH, BAR_HEIGHT));
  Fl_Group::current(current);
}

TreeBrowser::~TreeBrowser() {
  std::vector<std::unique_ptr<TreeNode>> nodes;
  nodes.push_back(std::move(root_));
  destroyNodes(std::move(nodes));
  // The row widgets go with holder_, a child of this group.
}

void TreeBrowser::destroyNodes(std::vector<std::unique_ptr<TreeNode>> nodes) {
  // From a list, not by recursion: a path of very many levels must not
  // exhaust the stack.
  while (!nodes.empty()) {
    std::unique_ptr<TreeNode> node = std::move(nodes.back());
    nodes.pop_back();
    for (auto& child : node->children_) nodes.push_back(std::move(child));
    node->children_.clear();
  }
}

std::vector<std::string> TreeBrowser::splitPath(const std::string& path) {
  std::vector<std::string> levels;
  std::string level;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\') {
      if (i + 1 < path.size()) level += path[++i];
    } else if (c == '/') {
      if (!level.empty()) levels.push_back(std::move(level));
      level.clear();
    } else {
      level += c;
    }
  }
  if (!level.empty()) levels.push_back(std::move(level));
  // A path of no name at all still names one (nameless) node: nothing that
  // a caller adds may get lost.
  if (levels.empty()) levels.emplace_back();
  return levels;
}

TreeNode* TreeBrowser::addBranch(TreeNode* parent, const std::string& path,
                                 RowContent content, bool showLabel) {
  return addNode(parent, path, content, showLabel, true, false);
}

TreeNode* TreeBrowser::addLeaf(TreeNode* parent, const std::string& path,
                               RowContent content, bool showLabel) {
  return addNode(parent, path, content, showLabel, false, false);
}

TreeNode* TreeBrowser::appendBranch(TreeNode* parent, const std::string& path,
                                    RowContent content, bool showLabel) {
  return addNode(parent, path, content, showLabel, true, true);
}

TreeNode* TreeBrowser::appendLeaf(TreeNode* parent, const std::string& path,
                                  RowContent content, bool showLabel) {
  return addNode(parent, path, content, showLabel, false, true);
}

TreeNode* TreeBrowser::addNode(TreeNode* parent, const std::string& path,
                               RowContent content, bool showLabel,
                               bool branch, bool alwaysNew) {
  TreeNode* at = parent ? parent : root_.get();
  std::vector<std::string> levels = splitPath(path);
  for (size_t i = 0; i < levels.size(); ++i) {
    const bool last = i + 1 == levels.size();
    const bool wantBranch = !last || branch;
    TreeNode* found = nullptr;
    if (!(last && alwaysNew)) {
      for (const auto& child : at->children_) {
        if (child->branch_ == wantBranch && child->name_ == levels[i]) {
          found = child.get();
          break;
        }
      }
    }
    if (found && last) {
      delete content.widget;  // the tree owns it, but it has no row
      return found;
    }
    at = found ? found : newChild(at, std::move(levels[i]), wantBranch);
  }
  attach(at, content, showLabel);
  changed();
  return at;
}

TreeNode* TreeBrowser::newChild(TreeNode* parent, std::string name,
                                bool branch) {
  if (!parent->branch_) {  // a leaf that gets rows becomes a branch
    parent->branch_ = true;
    parent->open_ = true;
  }
  parent->children_.emplace_back(new TreeNode(parent, std::move(name), branch));
  return parent->children_.back().get();
}

void TreeBrowser::attach(TreeNode* node, RowContent content, bool showLabel) {
  node->content_ = content;
  node->showLabel_ = showLabel;
  if (content.kind == RowContent::Kind::Widget && content.widget) {
    holder_->add(content.widget);
    content.widget->clear_visible();  // shown while its row is on screen
  }
}

void TreeBrowser::populateOnOpen(TreeNode* branch, PopulateHook hook) {
  if (!branch || !branch->branch_) return;
  branch->populate_ = std::make_unique<PopulateHook>(std::move(hook));
  branch->open_ = false;
  changed();
}

void TreeBrowser::open(TreeNode* branch, bool open) {
  if (!branch || !branch->branch_) return;
  if (open && branch->populate_) {
    std::unique_ptr<PopulateHook> hook = std::move(branch->populate_);
    (*hook)(*this, branch);
  }
  branch->open_ = open;
  changed();
}

void TreeBrowser::clear() {
  // One bulk delete: removing row widgets one by one costs a search each.
  holder_->clear();
  placedWidgets_.clear();
  std::vector<std::unique_ptr<TreeNode>> nodes = std::move(root_->children_);
  root_->children_.clear();
  destroyNodes(std::move(nodes));
  contentWidth_ = 0;
  focusNode_ = nullptr;
  scrollTop_ = 0;
  scrollLeft_ = 0;
  changed();
}

TreeNode* TreeBrowser::focusRow() {
  ensureRows();
  return rows_.empty() ? nullptr : rows_[focusIndex()];
}

void TreeBrowser::showRoot(bool shown) {
  rootShown_ = shown;
  changed();
}

void TreeBrowser::changed() {
  rowsDirty_ = true;
  if (!barColumns_.empty()) barColumns_.clear();
  redraw();
}

void TreeBrowser::textSize(int size) {
  textSize_ = size;
  changed();
}

void TreeBrowser::scrollbarSize(int size) {
  scrollbarSize_ = size;
  changed();
}

void TreeBrowser::scrollTo(TreeNode* node) {
  if (!node) return;
  for (TreeNode* up = node->parent_; up; up = up->parent_) {
    if (!up->open_) open(up);
  }
  ensureRows();
  layout();
  const auto at = std::find(rows_.begin(), rows_.end(), node);
  if (at == rows_.end()) return;
  const long long top = static_cast<long long>(at - rows_.begin()) * ROW_HEIGHT;
  // The row in the middle of the view when the rows around it allow.
  scrollTop_ = static_cast<int>(
      std::min<long long>(std::max<long long>(0, top - dataH_ / 2), 1 << 30));
  layout();  // holds scrollTop_ to the rows there are
  redraw();
}

std::string TreeBrowser::formatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string TreeBrowser::rowText(const TreeNode* node) {
  std::string text = node->labelShown() ? node->name() : std::string();
  std::string after;
  const RowContent& content = node->content();
  if (content.kind == RowContent::Kind::Number) {
    after = formatNumber(content.value);
  } else if (content.kind == RowContent::Kind::Bar && content.text) {
    after = *content.text;
  } else if (content.kind == RowContent::Kind::Widget && content.widget &&
             content.widget->label()) {
    after = content.widget->label();
  }
  if (!text.empty() && !after.empty()) text += ' ';
  return text + after;
}

void TreeBrowser::ensureRows() {
  if (!rowsDirty_) return;
  rows_.clear();
  std::vector<TreeNode*> pending;  // depth first, without recursion
  auto pushChildren = [&pending](TreeNode* node) {
    for (size_t i = node->children_.size(); i-- > 0;) {
      pending.push_back(node->children_[i].get());
    }
  };
  if (rootShown_) {
    pending.push_back(root_.get());
  } else {
    pushChildren(root_.get());
  }
  flat_ = !rootShown_;
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    rows_.push_back(node);
    if (node->branch_) flat_ = false;
    if (node->branch_ && node->open_) pushChildren(node);
  }
  rowsDirty_ = false;
}

size_t TreeBrowser::rowCount() {
  ensureRows();
  return rows_.size();
}

TreeNode* TreeBrowser::rowAt(size_t index) {
  ensureRows();
  return index < rows_.size() ? rows_[index] : nullptr;
}

}  // namespace letterfreq
