// Window: the program's one window. It owns all application state (the
// sample's profile, the loaded flags, the database's load and the open
// database) and points to its widgets, which are its children and die with
// it. All work happens in the callbacks of app/callbacks.h.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <memory>
#include <string>

#include "app/letter_profile.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "profiles/sample_features.h"
#include "sample/sample_limits.h"

class Fl_Box;
class Fl_Button;
class Fl_Input;
class Fl_Menu_;
class Fl_Menu_Button;

namespace letterfreq {

class ComboList;
class TreeBrowser;

inline constexpr const char* WINDOW_TITLE = "Letter Frequency";
inline constexpr int WINDOW_WIDTH = 600;
inline constexpr int WINDOW_HEIGHT = 400;
inline constexpr const char* DEFAULT_SAMPLE = "sample.txt";
inline constexpr const char* DEFAULT_DATABASE = "ling2.db";
inline constexpr const char* READY_TEXT =
    "(Ready to load an analysis database.)";
// The size of the small print: the line that names the counted sample.
inline constexpr int SMALL_TEXT_SIZE = 11;
// Tooltips of the controls that have no label of their own.
inline constexpr const char* SAMPLE_TOOLTIP =
    "Sample: a file, or an http:// or https:// address";
inline constexpr const char* DATABASE_TOOLTIP = "Database file";

// The window opens at WINDOW_WIDTH by WINDOW_HEIGHT and may be enlarged,
// never made smaller: the trees then grow (app/window_layout.h). Escape
// does not close it. Besides the sample field it takes a sample as a file
// or text dropped on it, and as the clipboard's text on Ctrl+V while the
// keyboard focus is not in a text field.
class Window : public Fl_Double_Window {
 public:
  // Creates every control and shows the window.
  Window(int width, int height, const char* title);

  // Holds the size to at least WINDOW_WIDTH by WINDOW_HEIGHT and places
  // the trees for it.
  void resize(int x, int y, int width, int height) override;
  // Drops and Ctrl+V outside the text fields (app/sample_actions.h).
  int handle(int event) override;

  // The match method picked last: the index of methodMenu's current item,
  // which is the code of profiles/methods.h picked.
  int methodCode() const;
  // Makes the method of `code` the chosen one, as picking it would.
  void chooseMethod(int code);
  // Greys out the methods whose data the loaded database does not carry;
  // the menu's tooltip says why.
  void offerMethods();

  LetterProfile sampleProfile;
  SampleFeatures sampleFeatures;  // its feature sets, counted with it
  // "Go" reads within these: the overall limit ends a fetch from a server
  // that never stops, where no one may be there to press "Cancel".
  SampleLimits sampleLimits;
  bool sampleLoaded = false;
  // Where the shown sample was counted from: the name it was loaded by,
  // or "pasted text, 213 bytes". "Add entry" stores it as the source.
  std::string sampleSource;
  bool databaseLoaded = false;
  // The database's languages with their entries, the totals and the
  // feature sets' weights, as the last "Open DB" or "Add entry" loaded them; the
  // "Hist-Tree!" rows borrow from it. Empty while no database is loaded.
  // Replaced only through replaceDatabaseLoad.
  DatabaseLoad databaseLoad;
  // One profile per language, file order: what "Match" scores.
  ProfileList languageProfiles() const {
    return databaseLoad.languageProfiles();
  }
  // A new load in place of the last, and the match target made from the
  // last (its tables hold megabytes of narrowed weights) dropped with it.
  void replaceDatabaseLoad(DatabaseLoad load);
  // What "Match" scores, made from the load on the first match after it
  // and kept for the next ones.
  const MatchTarget& matchTarget();
  std::unique_ptr<RecordFile> database;  // null until "Open DB"
  TreeBrowser* sampleTree = nullptr;
  TreeBrowser* histTree = nullptr;
  Fl_Input* sampleInput = nullptr;
  Fl_Button* goButton = nullptr;
  Fl_Button* chooseButton = nullptr;  // the file chooser
  Fl_Box* countedLabel = nullptr;     // "Counted: sample.txt"
  Fl_Button* addEntryButton = nullptr;
  ComboList* languageList = nullptr;
  Fl_Input* nameInput = nullptr;
  Fl_Input* databaseInput = nullptr;
  Fl_Button* openDbButton = nullptr;
  Fl_Box* frameBox = nullptr;
  Fl_Button* matchButton = nullptr;
  Fl_Box* answerLine = nullptr;  // the last match's answer in words
  TreeBrowser* resultTree = nullptr;
  Fl_Menu_Button* methodMenu = nullptr;

 private:
  std::unique_ptr<MatchTarget> matchTarget_;
  bool pasting_ = false;  // the next FL_PASTE answers Ctrl+V, not a drop  //
                          // borrows from databaseLoad
};

// Sets the method menu's tooltip to the name of its current method.
void showMethodTooltip(Fl_Menu_& methodMenu);

// The settings every tree of the window gets: its root hidden. (Nodes keep
// the order of adding, cannot be selected and have no icons: that is how
// every TreeBrowser behaves.)
void setupTree(TreeBrowser& tree);

}  // namespace letterfreq
