#include "widgets/list_popup.h"

#include <FL/Fl.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <utility>

#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

constexpr int FRAME = 4;  // the browser's box, above and below the rows
constexpr int TEXT_MARGIN = 6;  // what a line leaves beside its text
constexpr int MAX_POPUP_WIDTH = 480;
ListPopup* openPopup = nullptr;

bool movesTheMark(int key) { return key == FL_Up || key == FL_Down; }

}  // namespace

PopupPlace popupPlace(int lines, int rowHeight, int fieldX, int fieldY,
                      int fieldW, int fieldH, int areaY, int areaH) {
  const int wanted = std::max(1, lines) * rowHeight + FRAME;
  const int below = areaY + areaH - (fieldY + fieldH);
  const int above = fieldY - areaY;
  if (wanted <= below || below >= above) {
    return {fieldX, fieldY + fieldH, fieldW, std::min(wanted, below)};
  }
  const int h = std::min(wanted, above);
  return {fieldX, fieldY - h, fieldW, h};
}

ListPopup::ListPopup(const std::vector<std::string>& lines,
                     const PopupPlace& place)
    : Fl_Menu_Window(place.x, place.y, place.w, place.h) {
  browser_ = new Fl_Hold_Browser(0, 0, place.w, place.h);
  browser_->format_char(0);  // lines are names, not formatting
  browser_->textsize(POPUP_TEXT_SIZE);
  browser_->when(FL_WHEN_RELEASE);
  browser_->callback(browserCallback, this);
  // The list widens to its widest line, up to MAX_POPUP_WIDTH; a line
  // wider still is cut to fit, never scrolled to: a bar across the bottom
  // would lie over the last row and take its clicks.
  browser_->has_scrollbar(Fl_Browser_::VERTICAL);
  const bool scrolls =
      static_cast<int>(lines.size()) * POPUP_ROW_HEIGHT + FRAME > place.h;
  const int besides = FRAME + TEXT_MARGIN + (scrolls ? Fl::scrollbar_size() : 0);
  fl_font(browser_->textfont(), POPUP_TEXT_SIZE);
  int widest = 0;
  for (const std::string& line : lines) {
    widest = std::max(widest, static_cast<int>(fl_width(line.c_str())));
  }
  const int width =
      std::max(place.w, std::min(widest + besides, MAX_POPUP_WIDTH));
  size(width, place.h);
  browser_->size(width, place.h);
  for (const std::string& line : lines) {
    browser_->add(fitToWidth(line, width - besides).c_str());
  }
  end();
  set_override();  // no frame, no title: a drop-down
  set_modal();
}

ListPopup* ListPopup::current() { return openPopup; }

int ListPopup::run() {
  ListPopup* outer = std::exchange(openPopup, this);
  show();
  Fl::grab(this);  // clicks outside come here and close it
  while (shown()) Fl::wait();
  Fl::grab(nullptr);
  openPopup = outer;
  return picked_;
}

void ListPopup::finish(int picked) {
  picked_ = picked;
  hide();
}

int ListPopup::handle(int event) {
  switch (event) {
    case FL_PUSH:
      if (!Fl::event_inside(0, 0, w(), h())) {
        finish(-1);
        return 1;
      }
      break;
    case FL_KEYBOARD:
    case FL_SHORTCUT:
      if (Fl::event_key() == FL_Escape) {
        finish(-1);
        return 1;
      }
      if (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) {
        finish(browser_->value() - 1);
        return 1;
      }
      // The keys come here, to the grab, not to the list. The first marks
      // the first line (the list would skip it); then the list moves its
      // mark itself.
      if (event == FL_KEYBOARD && movesTheMark(Fl::event_key())) {
        if (browser_->value() == 0 && browser_->size() > 0) {
          browser_->value(1);
          return 1;
        }
        return browser_->handle(event);
      }
      break;
    default:
      break;
  }
  return Fl_Menu_Window::handle(event);
}

void ListPopup::browserCallback(Fl_Widget*, void* data) {
  auto* popup = static_cast<ListPopup*>(data);
  // A pick is the release of a click on a line (the browser's lines count
  // from 1); dragging over lines only moves the mark.
  if (Fl::event() == FL_RELEASE && popup->browser_->value() > 0) {
    popup->finish(popup->browser_->value() - 1);
  }
}

}  // namespace letterfreq
