// Helpers for the window's tests: reading a tree back as a user would see
// it with every branch opened, recording message boxes instead of showing
// them, and skipping tests that need a display when there is none.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "widgets/dialogs.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace testing {

// Showing a window or a message box without a display ends the process.
#define LETTERFREQ_NEEDS_DISPLAY()                                  \
  do {                                                              \
    const char* display = std::getenv("DISPLAY");                   \
    if (!display || !*display) GTEST_SKIP() << "needs a display";   \
  } while (0)

// One row as a user sees it: two spaces per level below `top`, the row's
// text, and a bar as "[share]".
inline std::string describeRow(const TreeNode* node, size_t topDepth) {
  std::string line(2 * (node->depth() - topDepth), ' ');
  line += TreeBrowser::rowText(node);
  if (node->content().kind == RowContent::Kind::Bar) {
    line += " [" + TreeBrowser::formatNumber(node->content().value) + "]";
  }
  return line;
}

// Every row under `parent` (null: the root), opening `parent` and each
// branch on the way as a user clicking through them would.
inline std::vector<std::string> openedRows(TreeBrowser& tree,
                                           TreeNode* parent = nullptr) {
  TreeNode* top = parent ? parent : tree.root();
  tree.open(top);
  std::vector<std::string> rows;
  std::vector<TreeNode*> pending;
  for (size_t i = top->childCount(); i-- > 0;) pending.push_back(top->child(i));
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    rows.push_back(describeRow(node, top->depth() + 1));
    if (!node->isBranch()) continue;
    tree.open(node);
    for (size_t i = node->childCount(); i-- > 0;) {
      pending.push_back(node->child(i));
    }
  }
  return rows;
}

// The rows directly under `parent`, without opening anything.
inline std::vector<std::string> childRows(const TreeNode* parent) {
  std::vector<std::string> rows;
  for (size_t i = 0; i < parent->childCount(); ++i) {
    rows.push_back(describeRow(parent->child(i), parent->depth() + 1));
  }
  return rows;
}

// Records the message boxes shown while it lives; the question's answer
// is `answer`.
class RecordedDialogs {
 public:
  RecordedDialogs()
      : previous_(replaceDialogHandlers(
            {[this](const std::string& text) { alerts.push_back(text); },
             [this](const std::string& text) {
               questions.push_back(text);
               return answer;
             },
             [this](const std::string& title) {
               chooserTitles.push_back(title);
               return chosenFile;
             }})) {}
  ~RecordedDialogs() { replaceDialogHandlers(previous_); }
  RecordedDialogs(const RecordedDialogs&) = delete;
  RecordedDialogs& operator=(const RecordedDialogs&) = delete;

  std::vector<std::string> alerts;
  std::vector<std::string> questions;
  bool answer = false;
  std::vector<std::string> chooserTitles;
  std::string chosenFile;  // what the file chooser gives back

 private:
  DialogHandlers previous_;
};

}  // namespace testing
}  // namespace letterfreq
