// The window's database actions: opening a database file and loading it
// under a cancellable progress meter into databaseLoad, the language
// list and "Hist-Tree!". (openDbCallback and addEntryCallback, declared in
// app/callbacks.h, live in the .cpp beside these.)
//
// A database that cannot be opened or is damaged never ends the program:
// the engine's "!" text is printed on standard output and shown in an
// alert, the database is closed, databaseLoaded becomes false, and the
// window goes on.
#pragma once

#include <string>

namespace letterfreq {

class Window;

// Releases the open database, opens `fileName` (created when missing) and
// loads it; databaseLoaded becomes the result of the load.
void openDatabase(Window& window, const std::string& fileName);

// Loads the open database into the window; true when every language and
// entry was loaded, false when the load was cancelled, stopped at an entry
// without its arrays, or found the file damaged.
bool loadDatabase(Window& window);

}  // namespace letterfreq
