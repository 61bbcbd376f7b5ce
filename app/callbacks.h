// The window's callbacks: free functions that get the widget and the
// Window as user data. Each reads the widgets, calls the library and shows
// the result; message boxes go through widgets/dialogs.h.
#pragma once

class Fl_Widget;

namespace letterfreq {

inline constexpr const char* NEED_DATABASE_TO_MATCH =
    "You must open a database to match against: type its name above the "
    "right-hand tree and press \"Open DB\".";
inline constexpr const char* NEED_LANGUAGES_TO_MATCH =
    "The open database holds no language yet: load a sample, choose a "
    "language and press \"Add entry\" first.";

// "Go" and Enter in sampleInput: load, count and show the sample.
void goCallback(Fl_Widget* widget, void* window);
// "Open DB" and Enter in databaseInput.
void openDbCallback(Fl_Widget* widget, void* window);
// "Add entry @->" and Enter in nameInput.
void addEntryCallback(Fl_Widget* widget, void* window);
// "Match": ranks every language against the sample by the method picked
// last and lists them in resultTree, best first.
void matchCallback(Fl_Widget* widget, void* window);
// Every item of methodMenu: makes the item at index `data` (the picked
// item's user data, 1..7) the menu's current item, so that the method code
// equals the user data of the item picked last.
void methodCallback(Fl_Widget* menu, void* data);

}  // namespace letterfreq
