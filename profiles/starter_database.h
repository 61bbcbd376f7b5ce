// Where the starter database is when no database is named: installed
// beside the program (PREFIX/share/letterfreq/ling2.db for PREFIX/bin), or
// in the checkout a build folder lies in (data/ling2.db).
#pragma once

#include <string>

namespace letterfreq {

// The starter database's file name; empty when there is none, with the
// names looked at listed in `tried` (joined by ", ").
std::string findStarterDatabase(std::string& tried);

}  // namespace letterfreq
