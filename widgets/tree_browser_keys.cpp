// TreeBrowser's keyboard: a tree takes the focus (by Tab or a click) and
// then moves its focus row with the arrows, Page Up/Down, Home and End,
// opens and closes branches with Right, Left, Enter and the space bar, and
// keeps the focus row in view. Tab leaves it for the next control.
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "widgets/tree_browser.h"
#include "widgets/tree_metrics.h"

namespace letterfreq {

using namespace tree_metrics;

size_t TreeBrowser::focusIndex() {
  ensureRows();
  const auto at = std::find(rows_.begin(), rows_.end(), focusNode_);
  return at == rows_.end() ? 0 : static_cast<size_t>(at - rows_.begin());
}

void TreeBrowser::moveFocus(size_t index) {
  if (rows_.empty()) return;
  index = std::min(index, rows_.size() - 1);
  focusNode_ = rows_[index];
  layout();
  // Scrolled only as far as it takes to show the row whole.
  const long long top = static_cast<long long>(index) * ROW_HEIGHT;
  if (top < scrollTop_) scrollTop_ = static_cast<int>(top);
  if (top + ROW_HEIGHT > scrollTop_ + dataH_) {
    scrollTop_ = static_cast<int>(top + ROW_HEIGHT - dataH_);
  }
  layout();
  redraw();
}

bool TreeBrowser::handleKey() {
  ensureRows();
  if (rows_.empty()) return false;
  const size_t index = focusIndex();
  TreeNode* node = rows_[index];
  const size_t page = std::max(1, dataH_ / ROW_HEIGHT - 1);
  switch (Fl::event_key()) {
    case FL_Up:
      moveFocus(index == 0 ? 0 : index - 1);
      return true;
    case FL_Down:
      moveFocus(index + 1);
      return true;
    case FL_Page_Up:
      moveFocus(index > page ? index - page : 0);
      return true;
    case FL_Page_Down:
      moveFocus(index + page);
      return true;
    case FL_Home:
      moveFocus(0);
      return true;
    case FL_End:
      moveFocus(rows_.size() - 1);
      return true;
    case FL_Right:
      if (node->branch_ && !node->open_) {
        open(node);
      } else if (node->branch_) {
        moveFocus(index + 1);
      }
      return true;
    case FL_Left:
      if (node->branch_ && node->open_) {
        open(node, false);
      } else if (node->parent_ && node->parent_ != root_.get()) {
        moveFocus(std::find(rows_.begin(), rows_.end(), node->parent_) -
                  rows_.begin());
      }
      return true;
    case FL_Enter:
    case FL_KP_Enter:
    case ' ':
      if (!node->branch_) return false;
      open(node, !node->open_);
      return true;
    default:
      return false;
  }
}

void TreeBrowser::drawFocus() {
  if (Fl::focus() != this || rows_.empty() || !visible_focus()) return;
  const size_t index = focusIndex();
  const int top = dataY_ + static_cast<int>(index) * ROW_HEIGHT - scrollTop_;
  fl_push_clip(dataX_, dataY_, dataW_, dataH_);
  fl_color(FL_FOREGROUND_COLOR);
  fl_line_style(FL_DOT);
  fl_rect(dataX_ + 1, top, dataW_ - 2, ROW_HEIGHT);
  fl_line_style(0);
  fl_pop_clip();
}

}  // namespace letterfreq
