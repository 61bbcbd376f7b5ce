// ComboList: a text field with a drop-down list of names; its value is the
// typed text or the name last picked from the list. Names are shown and
// picked exactly as given: '/', '\\', '&', '@' and a leading '_', which
// the toolkit's menus would read as structure, are escaped.
// Its toolkit header brings in X11's headers, whose macros (None, Bool,
// Status) clash with later code such as GoogleTest: include those first.
#pragma once

#include <FL/Fl_Input_Choice.H>

#include <string>
#include <vector>

namespace letterfreq {

class ComboList : public Fl_Input_Choice {
 public:
  ComboList(int x, int y, int w, int h, const char* label = nullptr);

  // Appends a name to the list; a name already listed is not added twice.
  void add(const std::string& name);
  // Empties the list; the text in the field stays.
  void clear();
  const std::vector<std::string>& names() const { return names_; }

  const char* value() const { return Fl_Input_Choice::value(); }
  // Takes `text` into the field only when the list holds a name of exactly
  // that text; otherwise changes nothing and returns false.
  bool value(const std::string& text);
  // Takes the name at `index` of the list into the field, as a pick does.
  void pick(int index);

 private:
  static void pickCallback(Fl_Widget*, void* combo);
  std::vector<std::string> names_;  // in list order
};

}  // namespace letterfreq
