// Where the starter database is when no database is named: installed
// beside the program (PREFIX/share/letterfreq/ling2.db for PREFIX/bin), or
// in the checkout a build folder lies in (data/ling2.db).
#pragma once

#include <string>
#include <vector>

namespace letterfreq {

// The folders where the bundled files (the starter database, the sample)
// may lie, in the order they are looked at: beside the installed program,
// then the checkout's data/ beside a build folder. Empty when the program's
// own path cannot be read.
std::vector<std::string> bundledDataFolders();

// The starter database's file name; empty when there is none, with the
// names looked at listed in `tried` (joined by ", ").
std::string findStarterDatabase(std::string& tried);

}  // namespace letterfreq
