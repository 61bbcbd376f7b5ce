// Where the library finds its files: the starter database installed with
// it, whichever program loaded it (a C++ program, Python), and whether a
// database file is there at all.
#pragma once

#include <string>

namespace letterfreq {

// False only when `path` leads nowhere (no such file or folder on the
// way); any other failure is the open's to report with its reason.
bool fileExists(const std::string& path);

// The starter database: share/letterfreq/ling2.db beside the installed
// library (or Python module) that holds this code, else where
// letterfreq-cli looks (profiles/starter_database.h). Empty when there is
// none, with the names looked at listed in `tried`.
std::string findLibraryStarterDatabase(std::string& tried);

}  // namespace letterfreq
