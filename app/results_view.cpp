#include "app/results_view.h"

#include <string>

#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// The tree reads '/' as a level and '\' as an escape; a name is neither.
std::string literalPath(const std::string& name) {
  std::string path;
  path.reserve(name.size());
  for (char c : name) {
    if (c == '/' || c == '\\') path += '\\';
    path += c;
  }
  return path;
}

}  // namespace

void showResults(TreeBrowser& tree, const std::vector<MatchRow>& rows) {
  tree.clear();
  for (const MatchRow& row : rows) {
    // The bar keeps the score itself; its painter shows NaN as empty.
    tree.appendLeaf(nullptr, literalPath(row.name), RowContent::bar(row.score));
  }
  tree.redraw();
}

}  // namespace letterfreq
