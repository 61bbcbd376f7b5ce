// TreeBrowser's drawing and events: the geometry of the rows and
// scrollbars, the rows themselves, clicks, the wheel and tooltips.
#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>

#include "widgets/progress_bar.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"
#include "widgets/tree_metrics.h"

namespace letterfreq {

using namespace tree_metrics;

namespace {

bool hasLaterSibling(const TreeNode* node) {
  const TreeNode* parent = node->parent();
  return parent && parent->child(parent->childCount() - 1) != node;
}

int textWidth(const std::string& text) {
  return static_cast<int>(
      std::ceil(fl_width(text.data(), static_cast<int>(text.size()))));
}

}  // namespace

size_t TreeBrowser::rowLevel(const TreeNode* node) const {
  return rootShown_ ? node->depth_ : node->depth_ - 1;
}

// Centre of the connector column of the row's level, from the left edge.
int TreeBrowser::columnCentre(const TreeNode* node) const {
  return MARGIN + static_cast<int>(rowLevel(node)) * INDENT + INDENT / 2;
}

int TreeBrowser::labelX(const TreeNode* node) const {
  return flat_ ? FLAT_MARGIN : columnCentre(node) + INDENT / 2 + 3;
}

bool TreeBrowser::layout() {
  const int bx = x() + Fl::box_dx(box());
  const int by = y() + Fl::box_dy(box());
  const int bw = w() - Fl::box_dw(box());
  const int bh = h() - Fl::box_dh(box());
  const int bar = scrollbarSize_ ? scrollbarSize_ : Fl::scrollbar_size();
  const long long tall = static_cast<long long>(rows_.size()) * ROW_HEIGHT;
  const int contentHeight = static_cast<int>(std::min<long long>(tall, 1 << 30));
  bool needV = contentHeight > bh;
  const bool needH = contentWidth_ > bw - (needV ? bar : 0);
  if (needH && !needV) needV = contentHeight > bh - bar;
  const bool changedBars = needV != (vertical_->visible() != 0) ||
                           needH != (horizontal_->visible() != 0);
  const int dataWidth = bw - (needV ? bar : 0);
  if (dataWidth != dataW_ && !barColumns_.empty()) barColumns_.clear();
  dataX_ = bx;
  dataY_ = by;
  dataW_ = dataWidth;
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

// The bars under one parent share their x and width: after the widest
// name, as far as the room allows, and before the widest text. In a narrow
// tree the names give way first (shortened), then the bars.
const TreeBrowser::BarColumn& TreeBrowser::barColumn(const TreeNode* parent) {
  const auto found = barColumns_.find(parent);
  if (found != barColumns_.end()) return found->second;
  fl_font(TEXT_FONT, textSize_);
  int nameWidth = 0, afterWidth = 0, left = -1;
  for (const auto& child : parent->children_) {
    const RowContent& content = child->content_;
    if (content.kind != RowContent::Kind::Bar) continue;
    if (left < 0) left = labelX(child.get());
    if (child->showLabel_) {
      nameWidth = std::max(nameWidth, textWidth(shownText(child->name_)));
    }
    if (content.text) afterWidth = std::max(afterWidth, textWidth(*content.text));
  }
  const int room = dataW_ - left - END_MARGIN;
  const int textPart = afterWidth ? BAR_GAP + afterWidth : 0;
  const int namePart = nameWidth ? nameWidth + BAR_GAP : 0;
  BarColumn column{};
  column.barWidth =
      std::max(MIN_BAR_WIDTH, std::min(BAR_WIDTH, room - namePart - textPart));
  column.nameWidth = std::min(
      nameWidth,
      std::max(MIN_NAME_WIDTH, room - textPart - column.barWidth - BAR_GAP));
  column.barX = left + (nameWidth ? column.nameWidth + BAR_GAP : 0);
  return barColumns_.emplace(parent, column).first->second;
}

RowLayout TreeBrowser::rowLayout(const TreeNode* node) {
  ensureRows();
  if (dataW_ == 0) layout();  // not drawn yet
  fl_font(TEXT_FONT, textSize_);
  RowLayout at;
  at.labelX = labelX(node);
  const std::string shown =
      node->showLabel_ ? shownText(node->name_) : std::string();
  if (node->content_.kind == RowContent::Kind::Bar && node->parent_) {
    const BarColumn& column = barColumn(node->parent_);
    at.label = fitToWidth(shown, column.nameWidth);
    at.contentX = column.barX;
    at.barWidth = column.barWidth;
    at.textX = column.barX + column.barWidth + BAR_GAP;
    fl_font(TEXT_FONT, textSize_);  // barColumn may have measured
    return at;
  }
  at.label = shown;
  at.contentX = at.labelX + (node->showLabel_ ? textWidth(shown) + GAP : 0);
  return at;
}

std::string TreeBrowser::rowTooltip(const TreeNode* node) {
  if (!node->showLabel_ || rowLayout(node).label == node->name_) return {};
  return shownText(node->name_, TOOLTIP_TEXT_LIMIT);
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
    drawFocus();
    // A row wider than any before may call for the horizontal scrollbar,
    // which narrows the rows' room: then draw once more.
    if (contentWidth_ == widthBefore || !layout()) break;
  }
  if (vertical_->visible()) draw_child(*vertical_);
  if (horizontal_->visible()) draw_child(*horizontal_);
  if (vertical_->visible() && horizontal_->visible()) {
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(dataX_ + dataW_, dataY_ + dataH_, vertical_->w(),
             horizontal_->h());
  }
}

// The lines of the ancestors that have rows further down, this row's own
// line from its sibling above, and a branch's [+]/[-] box.
void TreeBrowser::drawConnectors(const TreeNode* node, int left, int top) {
  const size_t level = rowLevel(node);
  const int centre = left + columnCentre(node);
  const int middle = top + ROW_HEIGHT / 2;
  fl_color(FL_DARK3);
  fl_line_style(FL_DOT);
  const TreeNode* ancestor = node->parent_;
  for (size_t k = level; k-- > 0 && ancestor; ancestor = ancestor->parent_) {
    if (hasLaterSibling(ancestor)) {
      const int cx = left + MARGIN + static_cast<int>(k) * INDENT + INDENT / 2;
      fl_line(cx, top, cx, top + ROW_HEIGHT - 1);
    }
  }
  if (node != root_.get()) {
    fl_line(centre, top, centre,
            hasLaterSibling(node) ? top + ROW_HEIGHT - 1 : middle);
  }
  fl_line(centre, middle, left + labelX(node) - 2, middle);
  fl_line_style(0);
  if (!node->branch_) return;
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

void TreeBrowser::drawRow(const TreeNode* node, int top) {
  const int left = dataX_ - scrollLeft_;
  if (!flat_) drawConnectors(node, left, top);
  const RowLayout at = rowLayout(node);
  if (node->showLabel_) {
    fl_color(FL_FOREGROUND_COLOR);
    const int middle = top + ROW_HEIGHT / 2;
    // Drawn as it is: no '@' symbols, no '&' shortcuts.
    fl_draw(at.label.data(), static_cast<int>(at.label.size()),
            left + at.labelX, middle + fl_height() / 2 - fl_descent());
  }
  drawContent(node, at, left, top);
}

void TreeBrowser::drawContent(const TreeNode* node, const RowLayout& at,
                              int left, int top) {
  const RowContent& content = node->content_;
  const int middle = top + ROW_HEIGHT / 2;
  const int baseline = middle + fl_height() / 2 - fl_descent();
  int x = left + at.contentX;
  switch (content.kind) {
    case RowContent::Kind::Plain:
      break;
    case RowContent::Kind::Number: {
      const std::string number = formatNumber(content.value);
      fl_color(FL_WHITE);
      fl_rectf(x, top, VALUE_WIDTH, ROW_HEIGHT);
      fl_color(FL_FOREGROUND_COLOR);
      fl_draw(number.data(), static_cast<int>(number.size()), x, baseline);
      x += std::max(VALUE_WIDTH, textWidth(number));
      break;
    }
    case RowContent::Kind::Bar:
      barPainter_->paintAt(x, middle - BAR_HEIGHT / 2, at.barWidth, BAR_HEIGHT,
                           content.value);
      x += at.barWidth;
      if (content.text) {
        fl_font(TEXT_FONT, textSize_);
        fl_color(FL_FOREGROUND_COLOR);
        x = left + at.textX;
        fl_draw(content.text->data(), static_cast<int>(content.text->size()),
                x, baseline);
        x += textWidth(*content.text);
      }
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
  contentWidth_ = std::max(contentWidth_, x - left + END_MARGIN);
}

// The full name of the row under the mouse, when the row shows it
// shortened. Two buffers in turn: the toolkit keeps the pointer and takes
// an unchanged pointer for an unchanged tip.
void TreeBrowser::showTooltip() {
  ensureRows();
  if (dataW_ == 0) layout();  // not drawn yet
  const long long offset =
      static_cast<long long>(Fl::event_y()) - dataY_ + scrollTop_;
  const size_t index = static_cast<size_t>(std::max(0LL, offset) / ROW_HEIGHT);
  std::string tip;
  if (Fl::event_inside(dataX_, dataY_, dataW_, dataH_) &&
      index < rows_.size()) {
    tip = rowTooltip(rows_[index]);
  }
  if (tip.empty()) {
    Fl_Tooltip::enter_area(this, 0, 0, 0, 0, nullptr);
    return;
  }
  if (tip == tooltips_[shownTooltip_]) return;
  shownTooltip_ ^= 1;
  tooltips_[shownTooltip_] = std::move(tip);
  // The area is the row, from the tree's own corner: the tip opens
  // under it.
  const int rowTop =
      dataY_ + static_cast<int>(index) * ROW_HEIGHT - scrollTop_;
  Fl_Tooltip::enter_area(this, 0, rowTop - y(), w(), ROW_HEIGHT,
                         tooltips_[shownTooltip_].c_str());
}

int TreeBrowser::handle(int event) {
  switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
      // The tree keeps the focus itself, not a scrollbar inside it.
      redraw();
      return visible_focus() ? 1 : 0;
    case FL_KEYBOARD:
      return Fl::focus() == this && handleKey() ? 1 : 0;
    default:
      break;
  }
  const int used = Fl_Group::handle(event);  // scrollbars and row widgets
  switch (event) {
    case FL_ENTER:
    case FL_MOVE:
      // The group takes every move for itself, and the rows' holder (as
      // large as the rows' area) then counts as under the mouse: the
      // rows' tip is ours unless a scrollbar or a row's widget is.
      if (Fl::belowmouse() == this || Fl::belowmouse() == holder_) {
        showTooltip();
      }
      return 1;  // so that moves keep coming
    case FL_LEAVE:
      Fl_Tooltip::enter_area(this, 0, 0, 0, 0, nullptr);
      tooltips_[shownTooltip_].clear();
      return used;
    default:
      break;
  }
  if (used) return 1;
  switch (event) {
    case FL_PUSH: {
      if (!Fl::event_inside(dataX_, dataY_, dataW_, dataH_)) return 0;
      if (visible_focus()) take_focus();  // also a click below the rows
      ensureRows();
      const size_t index =
          static_cast<size_t>((Fl::event_y() - dataY_ + scrollTop_) / ROW_HEIGHT);
      if (index >= rows_.size()) return 1;
      TreeNode* node = rows_[index];
      focusNode_ = node;
      redraw();
      // A click on a branch's box, label or row opens or closes it.
      const int left = dataX_ - scrollLeft_;
      if (node->branch_ &&
          Fl::event_x() >= left + columnCentre(node) - INDENT / 2) {
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
