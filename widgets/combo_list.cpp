#include "widgets/combo_list.h"

#include <FL/Fl_Menu_Button.H>

#include <algorithm>

namespace letterfreq {
namespace {

// The menu label that shows `name` as it is.
std::string menuLabel(const std::string& name) {
  std::string label;
  if (!name.empty() && name[0] == '_') label += '\\';  // not a divider
  for (char c : name) {
    if (c == '/' || c == '\\') label += '\\';  // not a submenu
    label += c;
    if (c == '&' || c == '@') label += c;  // not a shortcut, not a symbol
  }
  return label;
}

}  // namespace

ComboList::ComboList(int x, int y, int w, int h, const char* label)
    : Fl_Input_Choice(x, y, w, h, label) {
  // The toolkit's own pick copies the menu label (escapes and all).
  menubutton()->callback(pickCallback, this);
}

void ComboList::add(const std::string& name) {
  if (std::find(names_.begin(), names_.end(), name) != names_.end()) return;
  names_.push_back(name);
  // The five-argument add: the one-argument form splits at '|'.
  menubutton()->add(menuLabel(name).c_str(), 0, nullptr, nullptr, 0);
}

void ComboList::clear() {
  names_.clear();
  Fl_Input_Choice::clear();
}

bool ComboList::value(const std::string& text) {
  if (std::find(names_.begin(), names_.end(), text) == names_.end()) {
    return false;
  }
  input()->value(text.c_str());
  return true;
}

void ComboList::pick(int index) {
  if (index < 0 || index >= static_cast<int>(names_.size())) return;
  input()->value(names_[index].c_str());
  input()->set_changed();
}

void ComboList::pickCallback(Fl_Widget*, void* combo) {
  auto* self = static_cast<ComboList*>(combo);
  self->pick(self->menubutton()->value());
}

}  // namespace letterfreq
