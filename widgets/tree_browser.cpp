#include "widgets/tree_browser.h"

#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "widgets/progress_bar.h"

namespace letterfreq {
namespace {

constexpr int ROW_HEIGHT = 20;
constexpr int INDENT = 16;      // width of one level's connector column
constexpr int MARGIN = 4;       // left of the first column
constexpr int GAP = 4;          // between a label and what follows it
constexpr int EXPANDER = 9;     // the [+]/[-] box
constexpr int VALUE_WIDTH = 25; // the white box behind a number
constexpr int BAR_WIDTH = 75;
constexpr int BAR_HEIGHT = 15;
constexpr Fl_Font TEXT_FONT = FL_HELVETICA;

bool hasLaterSibling(const TreeNode* node) {
  const TreeNode* parent = node->parent();
  return parent && parent->child(parent->childCount() - 1) != node;
}

// Centre of the connector column of a row level, from the left edge.
int columnCentre(size_t level) {
  return MARGIN + static_cast<int>(level) * INDENT + INDENT / 2;
}

}  // namespace

TreeNode::TreeNode(TreeNode* parent, std::string name, bool branch)
    : name_(std::move(name)),
      parent_(parent),
      depth_(parent ? parent->depth_ + 1 : 0),
      branch_(branch),
      open_(branch) {}

TreeBrowser::TreeBrowser(int x, int y, int w, int h, const char* rootLabel)
    : Fl_Group(x, y, w, h),
      root_(new TreeNode(nullptr, rootLabel ? rootLabel : "", true)) {
  box(FL_DOWN_BOX);
  color(FL_BACKGROUND2_COLOR);
  holder_ = new Fl_Group(x, y, 0, 0);
  holder_->end();
  vertical_ = new Fl_Scrollbar(x, y, Fl::scrollbar_size(), h);
  vertical_->linesize(ROW_HEIGHT);
  vertical_->callback(scrolled, this);
  vertical_->clear_visible();
  horizontal_ = new Fl_Scrollbar(x, y, w, Fl::scrollbar_size());
  horizontal_->type(FL_HORIZONTAL);
  horizontal_->linesize(INDENT);
  horizontal_->callback(scrolled, this);
  horizontal_->clear_visible();
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
  scrollTop_ = 0;
  scrollLeft_ = 0;
  changed();
}

void TreeBrowser::showRoot(bool shown) {
  rootShown_ = shown;
  changed();
}

void TreeBrowser::changed() {
  rowsDirty_ = true;
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
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    rows_.push_back(node);
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

size_t TreeBrowser::rowLevel(const TreeNode* node) const {
  return rootShown_ ? node->depth_ : node->depth_ - 1;
}

int TreeBrowser::labelX(const TreeNode* node) const {
  return columnCentre(rowLevel(node)) + INDENT / 2 + 3;
}

bool TreeBrowser::layout() {
  const int bx = x() + Fl::box_dx(box());
  const int by = y() + Fl::box_dy(box());
  const int bw = w() - Fl::box_dw(box());
  const int bh = h() - Fl::box_dh(box());
  const int bar = Fl::scrollbar_size();
  const long long tall = static_cast<long long>(rows_.size()) * ROW_HEIGHT;
  const int contentHeight = static_cast<int>(std::min<long long>(tall, 1 << 30));
  bool needV = contentHeight > bh;
  const bool needH = contentWidth_ > bw - (needV ? bar : 0);
  if (needH && !needV) needV = contentHeight > bh - bar;
  const bool changedBars = needV != (vertical_->visible() != 0) ||
                           needH != (horizontal_->visible() != 0);
  dataX_ = bx;
  dataY_ = by;
  dataW_ = bw - (needV ? bar : 0);
  dataH_ = bh - (needH ? bar : 0);
  scrollTop_ = std::max(0, std::min(scrollTop_, contentHeight - dataH_));
  scrollLeft_ = std::max(0, std::min(scrollLeft_, contentWidth_ - dataW_));
  if (needV) {
    vertical_->Fl_Widget::resize(bx + dataW_, by, bar, dataH_);
    vertical_->value(scrollTop_, dataH_, 0, contentHeight);
    vertical_->set_visible();
  } else {
    vertical_->clear_visible();
  }
  if (needH) {
    horizontal_->Fl_Widget::resize(bx, by + dataH_, dataW_, bar);
    horizontal_->value(scrollLeft_, dataW_, 0, contentWidth_);
    horizontal_->set_visible();
  } else {
    horizontal_->clear_visible();
  }
  // Fl_Widget::resize: the group's own resize would move the row widgets.
  holder_->Fl_Widget::resize(dataX_, dataY_, dataW_, dataH_);
  return changedBars;
}

void TreeBrowser::draw() {
  ensureRows();
  for (int pass = 0; pass < 2; ++pass) {
    layout();
    draw_box();
    for (Fl_Widget* widget : placedWidgets_) widget->clear_visible();
    placedWidgets_.clear();
    const int widthBefore = contentWidth_;
    fl_push_clip(dataX_, dataY_, dataW_, dataH_);
    size_t index = static_cast<size_t>(scrollTop_ / ROW_HEIGHT);
    int top = dataY_ - scrollTop_ % ROW_HEIGHT;
    for (; index < rows_.size() && top < dataY_ + dataH_; ++index) {
      drawRow(rows_[index], top);
      top += ROW_HEIGHT;
    }
    draw_child(*holder_);
    fl_pop_clip();
    // A row wider than any before may call for the horizontal scrollbar,
    // which narrows the rows' room: then draw once more.
    if (contentWidth_ == widthBefore || !layout()) break;
  }
  if (vertical_->visible()) draw_child(*vertical_);
  if (horizontal_->visible()) draw_child(*horizontal_);
  if (vertical_->visible() && horizontal_->visible()) {
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(dataX_ + dataW_, dataY_ + dataH_, Fl::scrollbar_size(),
             Fl::scrollbar_size());
  }
}

void TreeBrowser::drawRow(const TreeNode* node, int top) {
  const int left = dataX_ - scrollLeft_;
  const size_t level = rowLevel(node);
  const int centre = left + columnCentre(level);
  const int middle = top + ROW_HEIGHT / 2;

  // Connectors: the lines of the ancestors that have rows further down,
  // then this row's own line from its sibling above.
  fl_color(FL_DARK3);
  fl_line_style(FL_DOT);
  const TreeNode* ancestor = node->parent_;
  for (size_t k = level; k-- > 0 && ancestor; ancestor = ancestor->parent_) {
    if (hasLaterSibling(ancestor)) {
      const int cx = left + columnCentre(k);
      fl_line(cx, top, cx, top + ROW_HEIGHT - 1);
    }
  }
  if (node != root_.get()) {
    fl_line(centre, top, centre,
            hasLaterSibling(node) ? top + ROW_HEIGHT - 1 : middle);
  }
  fl_line(centre, middle, left + labelX(node) - 2, middle);
  fl_line_style(0);

  if (node->branch_) {
    const int bx = centre - EXPANDER / 2;
    const int by = middle - EXPANDER / 2;
    fl_color(FL_BACKGROUND2_COLOR);
    fl_rectf(bx, by, EXPANDER, EXPANDER);
    fl_color(FL_DARK3);
    fl_rect(bx, by, EXPANDER, EXPANDER);
    fl_color(FL_FOREGROUND_COLOR);
    fl_xyline(centre - 2, middle, centre + 2);
    if (!node->open_) fl_yxline(centre, middle - 2, middle + 2);
  }

  fl_font(TEXT_FONT, FL_NORMAL_SIZE);
  const int baseline = middle + fl_height() / 2 - fl_descent();
  int x = left + labelX(node);
  if (node->showLabel_) {
    fl_color(FL_FOREGROUND_COLOR);
    // The plain form: no '@' symbols, no '&' shortcuts.
    fl_draw(node->name_.data(), static_cast<int>(node->name_.size()), x,
            baseline);
    x += static_cast<int>(
             fl_width(node->name_.data(), static_cast<int>(node->name_.size()))) +
         GAP;
  }

  const RowContent& content = node->content_;
  switch (content.kind) {
    case RowContent::Kind::Plain:
      break;
    case RowContent::Kind::Number: {
      const std::string number = formatNumber(content.value);
      fl_color(FL_WHITE);
      fl_rectf(x, top, VALUE_WIDTH, ROW_HEIGHT);
      fl_color(FL_FOREGROUND_COLOR);
      fl_draw(number.data(), static_cast<int>(number.size()), x, baseline);
      x += std::max(VALUE_WIDTH, static_cast<int>(fl_width(
                                     number.data(),
                                     static_cast<int>(number.size()))));
      break;
    }
    case RowContent::Kind::Bar:
      barPainter_->paintAt(x, middle - BAR_HEIGHT / 2, BAR_WIDTH, BAR_HEIGHT,
                           content.value);
      x += BAR_WIDTH;
      break;
    case RowContent::Kind::Widget:
      if (content.widget) {
        content.widget->resize(x, top, content.widget->w(), ROW_HEIGHT);
        content.widget->set_visible();
        placedWidgets_.push_back(content.widget);
        x += content.widget->w();
      }
      break;
  }
  contentWidth_ = std::max(contentWidth_, x - left + GAP);
}

int TreeBrowser::handle(int event) {
  if (Fl_Group::handle(event)) return 1;  // scrollbars and row widgets
  switch (event) {
    case FL_PUSH: {
      if (!Fl::event_inside(dataX_, dataY_, dataW_, dataH_)) return 0;
      ensureRows();
      const size_t index =
          static_cast<size_t>((Fl::event_y() - dataY_ + scrollTop_) / ROW_HEIGHT);
      if (index >= rows_.size()) return 1;
      TreeNode* node = rows_[index];
      // A click on a branch's box, label or row opens or closes it.
      const int left = dataX_ - scrollLeft_;
      if (node->branch_ &&
          Fl::event_x() >= left + columnCentre(rowLevel(node)) - INDENT / 2) {
        open(node, !node->open_);
      }
      return 1;
    }
    case FL_MOUSEWHEEL:
      if (!vertical_->visible()) return 0;
      scrollTop_ += Fl::event_dy() * ROW_HEIGHT * 3;  // clamped in layout()
      redraw();
      return 1;
    default:
      return 0;
  }
}

void TreeBrowser::resize(int x, int y, int w, int h) {
  // The rows are placed at every draw; only the box changes here.
  Fl_Widget::resize(x, y, w, h);
  changed();
}

void TreeBrowser::scrolled(Fl_Widget*, void* data) {
  auto* tree = static_cast<TreeBrowser*>(data);
  tree->scrollTop_ = tree->vertical_->value();
  tree->scrollLeft_ = tree->horizontal_->value();
  tree->redraw();
}

}  // namespace letterfreq
