#include "app/results_view.h"

#include <string>

#include "app/database_view.h"
#include "widgets/tree_browser.h"

namespace letterfreq {

void showResults(TreeBrowser& tree, const std::vector<MatchRow>& rows) {
  tree.clear();
  for (const MatchRow& row : rows) {
    // The bar keeps the score itself; its painter shows NaN as empty.
    tree.appendLeaf(nullptr, escapedPath(row.name), RowContent::bar(row.score));
  }
  tree.redraw();
}

}  // namespace letterfreq
