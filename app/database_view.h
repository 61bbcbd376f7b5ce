// The display of a loaded database in a TreeBrowser ("Hist-Tree!"): one
// branch per language, holding its "Entries (M)" node (one branch per entry,
// whose row shows the entry's name box) and then the language's own profile
// rows; after the languages the "Totals" branch. A load that stopped shows
// what was read up to the stop; a cancelled one only the two cancel leaves.
//
// Names are shown exactly as stored: a language is one branch whatever '/'
// or '\\' its name holds, two languages of one name are two branches, and
// an entry's name box shows '@' as it is. To stay fast with thousands of
// entries, "Entries (M)" and every entry branch start closed and make their
// rows when first opened, from the load they borrow (the tree must be
// cleared before that load changes or goes) and, for an entry's profile,
// from the file: the load keeps no entry's profile.
#pragma once

#include <memory>
#include <string>

#include "profiles/database_load.h"

namespace letterfreq {

class TreeBrowser;

inline constexpr const char* LOADING_TITLE = "Loading database...";
inline constexpr const char* LOAD_CANCELLED_TEXT = "Database open cancelled.";
inline constexpr const char* PLEASE_OPEN_TEXT = "(Please open a database)";
// The size of an entry's name box.
constexpr int NAME_BOX_WIDTH = 300;
constexpr int NAME_BOX_HEIGHT = 20;
constexpr int NAME_BOX_LABEL_SIZE = 12;
// Profile rows listed before "More..." under an entry and a language.
constexpr int DATABASE_ROW_LIMIT = 10;

// "Entries (3)".
std::string entriesLabel(int count);

// The tree path that names exactly `name` as one node.
std::string escapedPath(const std::string& name);

// Adds what `load` of the file `fileName` shows to `tree` (which the
// caller has cleared). The rows borrow from `load`, which must outlive
// them; an entry's profile is read from the file when its branch opens.
void showDatabase(TreeBrowser& tree, DatabaseLoad& load,
                  const std::string& fileName);

// The two leaves of a cancelled load.
void showLoadCancelled(TreeBrowser& tree);

// Opens the entries of `language` (the last language of that name in the
// tree that showDatabase made) and scrolls to its last entry, the one
// added last. Does nothing when the tree shows no such language.
void showNewestEntry(TreeBrowser& tree, const std::string& language);

}  // namespace letterfreq
