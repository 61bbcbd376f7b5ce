// ComboList: a text field with a drop-down list of names; its value is the
// typed text or the name last picked from the list. Names are listed in
// their shown form (widgets/shown_text.h: control bytes escaped, long
// names shortened with "…") and drawn literally: the list is built as an
// item array, never parsed as menu paths, so '/', '\\', '&', '@' and '_'
// are plain characters. A pick takes the full stored name into the field.
// A click on the arrow opens the list as a ListPopup, which scrolls
// instead of growing past the screen's edge.
// Its toolkit header brings in X11's headers, whose macros (None, Bool,
// Status) clash with later code such as GoogleTest: include those first.
#pragma once

#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Item.H>

#include <deque>
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
  // The label of the list's item `index`, as the list draws it.
  const char* itemLabel(int index) const;

  const char* value() const { return Fl_Input_Choice::value(); }
  // Takes `text` into the field only when the list holds a name of exactly
  // that text; otherwise changes nothing and returns false.
  bool value(const std::string& text);
  // Takes the name at `index` of the list into the field, as a pick does.
  void pick(int index);
  // Opens the list under the field and takes the name picked there.
  void openList();

  void resize(int x, int y, int w, int h) override;

 private:
  static void pickCallback(Fl_Widget*, void* combo);
  std::vector<std::string> names_;  // in list order
  std::deque<std::string> labels_;  // stays in place while items point to it
  std::vector<Fl_Menu_Item> items_;  // one per name, then the end marker
  Fl_Widget* opener_;  // over the arrow: opens the list
};

}  // namespace letterfreq
