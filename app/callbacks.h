// The window's callbacks: free functions that get the widget and the
// Window as user data. Each reads the widgets, calls the library and shows
// the result; message boxes go through widgets/dialogs.h.
#pragma once

class Fl_Widget;

namespace letterfreq {

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
