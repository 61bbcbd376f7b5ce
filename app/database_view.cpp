#include "app/database_view.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>

#include <exception>
#include <memory>
#include <utility>

#include "app/profile_view.h"
#include "widgets/plain_label.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// The box that an entry's row shows in place of its hidden label.
Fl_Box* nameBox(const std::string& name) {
  // Made outside any group: the tree takes it as its row's widget.
  Fl_Group* current = Fl_Group::current();
  Fl_Group::current(nullptr);
  auto* box = new Fl_Box(0, 0, NAME_BOX_WIDTH, NAME_BOX_HEIGHT);
  Fl_Group::current(current);
  box->copy_label(plainLabel(shownText(name)).c_str());
  box->labelsize(NAME_BOX_LABEL_SIZE);
  box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  return box;
}

// The entry's profile as read from the file; when the file cannot give it
// any more, only its summary rows.
LetterProfile shownEntryProfile(const std::string& fileName,
                                const LoadedEntry& entry) {
  try {
    return readEntryProfile(fileName, entry);
  } catch (const std::exception&) {
    LetterProfile summary;
    summary.totalCount = entry.totalCount;
    summary.usedCount = entry.usedCount;
    return summary;
  }
}

void showEntries(TreeBrowser& tree, TreeNode* entriesNode,
                 LoadedLanguage& language,
                 const std::shared_ptr<const std::string>& fileName) {
  for (size_t j = 0; j < language.entries.size(); ++j) {
    const LoadedEntry* entry = &language.entries[j];
    TreeNode* entryNode =
        tree.appendBranch(entriesNode, std::to_string(j),
                          RowContent::of(nameBox(entry->name)), false);
    if (!entry->profileRead) continue;  // the entry the load stopped at
    tree.populateOnOpen(entryNode, [entry, fileName](TreeBrowser& t,
                                                     TreeNode* node) {
      LetterProfile profile = shownEntryProfile(*fileName, *entry);
      showProfile(t, node, profile, DATABASE_ROW_LIMIT, SHOW_SUMMARY);
    });
  }
}

}  // namespace

std::string entriesLabel(int count) {
  return "Entries (" + std::to_string(count) + ")";
}

std::string escapedPath(const std::string& name) {
  std::string path;
  path.reserve(name.size());
  for (char c : name) {
    if (c == '/' || c == '\\') path += '\\';
    path += c;
  }
  return path;
}

void showDatabase(TreeBrowser& tree, DatabaseLoad& load,
                  const std::string& fileName) {
  const auto file = std::make_shared<const std::string>(fileName);
  for (size_t i = 0; i < load.languagesReached(); ++i) {
    LoadedLanguage* language = &load.languages[i];
    TreeNode* languageNode =
        tree.appendBranch(nullptr, escapedPath(language->profile.name));
    TreeNode* entriesNode =
        tree.appendBranch(languageNode, entriesLabel(language->entryCount));
    tree.populateOnOpen(entriesNode, [language, file](TreeBrowser& t,
                                                      TreeNode* node) {
      showEntries(t, node, *language, file);
    });
    if (language->profileDone) {
      showProfile(tree, languageNode, language->profile, DATABASE_ROW_LIMIT,
                  SHOW_SUMMARY | SHOW_DEVIATIONS);
    }
  }
  if (load.outcome != LoadOutcome::Complete) return;
  TreeNode* totals = tree.appendBranch(nullptr, TOTALS_MESSAGE);
  showProfile(tree, totals, load.totals, 0, SHOW_SUMMARY);
}

void showLoadCancelled(TreeBrowser& tree) {
  tree.addLeaf(nullptr, LOAD_CANCELLED_TEXT);
  tree.addLeaf(nullptr, PLEASE_OPEN_TEXT);
}

void showNewestEntry(TreeBrowser& tree, const std::string& language) {
  const TreeNode* root = tree.root();
  for (size_t i = root->childCount(); i-- > 0;) {
    TreeNode* languageNode = root->child(i);
    if (languageNode->name() != language || !languageNode->isBranch() ||
        languageNode->childCount() == 0) {
      continue;
    }
    TreeNode* entriesNode = languageNode->child(0);  // "Entries (n)"
    tree.open(entriesNode);
    if (entriesNode->childCount() > 0) {
      tree.scrollTo(entriesNode->child(entriesNode->childCount() - 1));
    }
    return;
  }
}

}  // namespace letterfreq
