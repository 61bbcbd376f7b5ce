#include "app/window_layout.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include "app/window.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// How a control follows the window: its share of the extra width in its
// x and its width (NONE, THIRD: the sample column's share, REST: the
// other two thirds, ALL), and of the extra height in its y and height
// (NONE, HALF, ALL).
enum Share { NONE, THIRD, HALF, REST, ALL };

int share(Share part, int extra) {
  switch (part) {
    case THIRD:
      return extra / 3;
    case HALF:
      return extra / 2;
    case REST:
      return extra - extra / 3;
    case ALL:
      return extra;
    default:
      return 0;
  }
}

struct Placement {
  Fl_Widget* widget;
  ControlBox box;
  Share moveX, growW, moveY, growH;
};

}  // namespace

void placeControls(Window& window, int extraWidth, int extraHeight) {
  const Placement placements[] = {
      {window.sampleInput, SAMPLE_INPUT_BOX, NONE, THIRD, NONE, NONE},
      {window.goButton, GO_BUTTON_BOX, THIRD, NONE, NONE, NONE},
      {window.chooseButton, CHOOSE_BUTTON_BOX, THIRD, NONE, NONE, NONE},
      {window.countedLabel, COUNTED_LABEL_BOX, NONE, THIRD, NONE, NONE},
      {window.sampleTree, SAMPLE_TREE_BOX, NONE, THIRD, NONE, ALL},
      {window.frameBox, FRAME_BOX, THIRD, NONE, NONE, NONE},
      {window.addEntryButton, ADD_ENTRY_BOX, THIRD, NONE, NONE, NONE},
      {window.languageList, LANGUAGE_LIST_BOX, THIRD, NONE, NONE, NONE},
      {window.nameInput, NAME_INPUT_BOX, THIRD, NONE, NONE, NONE},
      {window.databaseInput, DATABASE_INPUT_BOX, THIRD, REST, NONE, NONE},
      {window.openDbButton, OPEN_DB_BOX, ALL, NONE, NONE, NONE},
      {window.histTree, HIST_TREE_BOX, THIRD, REST, NONE, HALF},
      {window.matchButton, MATCH_BUTTON_BOX, THIRD, NONE, HALF, NONE},
      {window.methodMenu, METHOD_MENU_BOX, THIRD, REST, HALF, NONE},
      {window.answerLine, ANSWER_LINE_BOX, THIRD, REST, HALF, NONE},
      {window.resultTree, RESULT_TREE_BOX, THIRD, REST, HALF, HALF},
  };
  for (const Placement& p : placements) {
    // The trees' last share of the height takes the odd pixel.
    const int growH = p.growH == HALF && p.moveY == HALF
                          ? extraHeight - extraHeight / 2
                          : share(p.growH, extraHeight);
    p.widget->resize(p.box.x + share(p.moveX, extraWidth),
                     p.box.y + share(p.moveY, extraHeight),
                     p.box.w + share(p.growW, extraWidth), p.box.h + growH);
  }
  window.redraw();
}

}  // namespace letterfreq
