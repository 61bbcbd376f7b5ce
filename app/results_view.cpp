#include "app/results_view.h"

#include <string>

#include "app/database_view.h"
#include "widgets/tree_browser.h"

namespace letterfreq {

void showResults(TreeBrowser& tree, const std::vector<MatchRow>& rows,
                 ScoreStyle style) {
  tree.clear();
  std::vector<double> scores;
  scores.reserve(rows.size());
  for (const MatchRow& row : rows) scores.push_back(row.score);
  std::vector<std::string> texts = scoreTexts(scores, style);
  for (size_t i = 0; i < rows.size(); ++i) {
    // The bar keeps the score itself; its painter shows NaN as empty.
    tree.appendLeaf(nullptr, escapedPath(rows[i].name),
                    RowContent::bar(rows[i].score, std::move(texts[i])));
  }
  tree.redraw();
}

}  // namespace letterfreq
