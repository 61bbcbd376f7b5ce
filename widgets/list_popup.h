// ListPopup: the drop-down of a ComboList, a borderless window with a
// scrolling list of lines under (or, without room there, over) the field.
// It is never taller than the screen's work area, however many lines it
// holds, unlike the toolkit's menus, which grow past the screen's edge.
// A click or Enter on a line picks it; Escape or a click outside closes it
// without a pick. Lines are drawn as given (no '@' formatting). The list is
// at least as wide as the field and widens to its widest line up to 480
// pixels; a line wider still is cut with "…": it never scrolls sideways.
#pragma once

#include <FL/Fl_Menu_Window.H>

#include <string>
#include <vector>

class Fl_Hold_Browser;

namespace letterfreq {

constexpr int POPUP_TEXT_SIZE = 14;
// The height of one line of the list at that size.
constexpr int POPUP_ROW_HEIGHT = 18;

struct PopupPlace {
  int x, y, w, h;
};

// Where a list of `lines` rows of `rowHeight` goes for a field at
// (fieldX, fieldY) of `fieldW` by `fieldH` (screen coordinates) on a work
// area of (areaY, areaH): below the field when it fits there, else on the
// side with more room, at most that side's height.
PopupPlace popupPlace(int lines, int rowHeight, int fieldX, int fieldY,
                      int fieldW, int fieldH, int areaY, int areaH);

class ListPopup : public Fl_Menu_Window {
 public:
  ListPopup(const std::vector<std::string>& lines, const PopupPlace& place);

  // Shows the list and handles events until it closes; the index of the
  // picked line, or -1.
  int run();
  // The popup open now (for tests), or null.
  static ListPopup* current();

  // Closes the list with `picked` (-1: no pick) as run()'s answer.
  void finish(int picked);
  Fl_Hold_Browser* browser() const { return browser_; }

  int handle(int event) override;

 private:
  static void browserCallback(Fl_Widget*, void* popup);
  Fl_Hold_Browser* browser_;
  int picked_ = -1;
};

}  // namespace letterfreq
