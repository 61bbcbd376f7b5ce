#include "widgets/combo_list.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Window.H>

#include <algorithm>

#include "widgets/list_popup.h"
#include "widgets/plain_label.h"
#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

// The item label that draws `name`'s shown form: item labels still read
// '@' as a symbol and '&' as a shortcut mark.
std::string itemText(const std::string& name) {
  std::string label;
  for (char c : plainLabel(shownText(name))) {
    label += c;
    if (c == '&') label += c;
  }
  return label;
}

// Lies over the list's arrow, draws nothing (the arrow shows through) and
// opens the list on a click.
class ListOpener : public Fl_Widget {
 public:
  ListOpener(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  int handle(int event) override {
    if (event != FL_PUSH) return 0;
    static_cast<ComboList*>(parent())->openList();
    return 1;
  }

 protected:
  void draw() override {}
};

}  // namespace

ComboList::ComboList(int x, int y, int w, int h, const char* label)
    : Fl_Input_Choice(x, y, w, h, label) {
  // The toolkit's own pick copies the menu label (escapes and all).
  menubutton()->callback(pickCallback, this);
  items_.push_back(Fl_Menu_Item{});
  Fl_Menu_Button* arrow = menubutton();
  begin();
  opener_ = new ListOpener(arrow->x(), arrow->y(), arrow->w(), arrow->h());
  end();
}

void ComboList::resize(int x, int y, int w, int h) {
  Fl_Input_Choice::resize(x, y, w, h);
  const Fl_Menu_Button* arrow = menubutton();
  opener_->resize(arrow->x(), arrow->y(), arrow->w(), arrow->h());
}

void ComboList::openList() {
  if (names_.empty()) return;
  int offsetX = 0, offsetY = 0;
  const Fl_Window* top = top_window_offset(offsetX, offsetY);
  if (!top) return;
  const int fieldX = top->x() + offsetX;
  const int fieldY = top->y() + offsetY;
  int areaX, areaY, areaW, areaH;
  Fl::screen_work_area(areaX, areaY, areaW, areaH, fieldX, fieldY);
  std::vector<std::string> lines;
  lines.reserve(names_.size());
  for (const std::string& name : names_) lines.push_back(shownText(name));
  ListPopup popup(lines, popupPlace(static_cast<int>(lines.size()),
                                    POPUP_ROW_HEIGHT, fieldX, fieldY, w(),
                                    h(), areaY, areaH));
  const int picked = popup.run();
  if (picked >= 0) pick(picked);
}

void ComboList::add(const std::string& name) {
  if (std::find(names_.begin(), names_.end(), name) != names_.end()) return;
  names_.push_back(name);
  labels_.push_back(itemText(name));
  Fl_Menu_Item item{};
  item.text = labels_.back().c_str();
  items_.insert(items_.end() - 1, item);
  // The array may have moved: hand it over again.
  menubutton()->menu(items_.data());
}

void ComboList::clear() {
  menubutton()->menu(nullptr);  // forgets the array first
  names_.clear();
  labels_.clear();
  items_.assign(1, Fl_Menu_Item{});
}

const char* ComboList::itemLabel(int index) const {
  if (index < 0 || index >= static_cast<int>(names_.size())) return nullptr;
  return items_[index].text;
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
