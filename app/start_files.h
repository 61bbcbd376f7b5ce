// The files the window starts with. Its default names, "sample.txt" and
// "ling2.db", find the bundled sample and starter database wherever the
// program was started: when the folder it was started in holds no file of
// that name, the user's own copy in $XDG_DATA_HOME/letterfreq (by default
// ~/.local/share/letterfreq) is used, copied there from the installed
// program's data on first use and never overwritten, so that entries the
// user adds stay. Every other name resolves against the folder the program
// was started in, as the system resolves it.
#pragma once

#include <string>

namespace letterfreq {

// Where the user's copies live: "$XDG_DATA_HOME/letterfreq" when that is
// an absolute path, else "$HOME/.local/share/letterfreq"; "" when neither
// variable helps.
std::string userDataFolder();

// The folder holding the bundled sample and starter database: beside the
// installed program (share/letterfreq), else the data/ folder beside the
// build folder of a checkout; "" when neither holds them.
std::string bundledDataFolder();

// `typed` itself, unless it is `defaultName` and names no file in the
// current folder: then the user's copy of the bundled file of that name,
// made now if missing (`typed` when no copy can be made).
std::string resolveStartName(const std::string& typed,
                             const std::string& defaultName);
// The same with the two folders given.
std::string resolveStartName(const std::string& typed,
                             const std::string& defaultName,
                             const std::string& bundledFolder,
                             const std::string& userFolder);

}  // namespace letterfreq
