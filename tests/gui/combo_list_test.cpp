// GoogleTest first: the list's toolkit header brings X11's "None" macro.
#include <gtest/gtest.h>

#include "widgets/combo_list.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <string>
#include <vector>

#include "tests/gui/gui_support.h"
#include "widgets/list_popup.h"

namespace letterfreq {
namespace {

using Names = std::vector<std::string>;

TEST(ComboListTest, NamesAreListedAndPickedAsTheyAre) {
  ComboList combo(0, 0, 100, 25, "Language:");
  const Names names = {"Latin", "Serbo/Croatian", "A&B", "x\\y",
                       "_under", "at @-> sign", "pipe|name"};
  for (const std::string& name : names) combo.add(name);
  EXPECT_EQ(combo.names(), names);
  // One flat item per name: no submenus, dividers or split items.
  ASSERT_EQ(combo.menubutton()->size(), static_cast<int>(names.size()) + 1);
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const Fl_Menu_Item& item = combo.menubutton()->menu()[i];
    EXPECT_FALSE(item.submenu()) << names[i];
    EXPECT_EQ(item.flags & FL_MENU_DIVIDER, 0) << names[i];
    // A pick through the menu puts the name itself into the field.
    combo.menubutton()->picked(&item);
    EXPECT_STREQ(combo.value(), names[i].c_str());
  }
}

TEST(ComboListTest, ANameIsListedOnce) {
  ComboList combo(0, 0, 100, 25);
  combo.add("Latin");
  combo.add("Greek");
  combo.add("Latin");
  EXPECT_EQ(combo.names(), (Names{"Latin", "Greek"}));
  EXPECT_EQ(combo.menubutton()->size(), 3);
}

TEST(ComboListTest, ValueIsTakenOnlyWhenListed) {
  ComboList combo(0, 0, 100, 25);
  combo.input()->value("typed");
  EXPECT_FALSE(combo.value(""));
  EXPECT_STREQ(combo.value(), "typed");
  combo.add("Latin");
  EXPECT_TRUE(combo.value("Latin"));
  EXPECT_STREQ(combo.value(), "Latin");
  combo.add("");
  EXPECT_TRUE(combo.value(""));
  EXPECT_STREQ(combo.value(), "");
}

TEST(ComboListTest, ClearEmptiesTheListButKeepsTheText) {
  ComboList combo(0, 0, 100, 25);
  combo.add("Latin");
  combo.pick(0);
  combo.clear();
  EXPECT_TRUE(combo.names().empty());
  EXPECT_EQ(combo.menubutton()->size(), 0);
  EXPECT_STREQ(combo.value(), "Latin");
  combo.pick(0);  // nothing to pick: nothing changes
  EXPECT_STREQ(combo.value(), "Latin");
}

TEST(ListPopupTest, NeverTallerThanTheScreen) {
  // 62 languages of 18 pixels under a field at y 125 of a 900-pixel screen.
  const PopupPlace below = popupPlace(62, 18, 230, 125, 100, 25, 0, 900);
  EXPECT_EQ(below.y, 150);
  EXPECT_EQ(below.y + below.h, 900);
  // A few lines fit below, at their own height.
  EXPECT_EQ(popupPlace(3, 18, 230, 125, 100, 25, 0, 900).h, 3 * 18 + 4);
  // Near the bottom, the list opens upwards, down to the field.
  const PopupPlace above = popupPlace(62, 18, 230, 800, 100, 25, 0, 900);
  EXPECT_EQ(above.y, 0);
  EXPECT_EQ(above.y + above.h, 800);
}

struct SeenPopup {
  int y = 0, h = 0, lines = 0;
  std::string second;
};

// Reads the open list, then picks its second line as a click would.
void readAndPick(void* data) {
  auto* seen = static_cast<SeenPopup*>(data);
  ListPopup* popup = ListPopup::current();
  if (!popup) return;
  seen->y = popup->y();
  seen->h = popup->h();
  seen->lines = popup->browser()->size();
  seen->second = popup->browser()->text(2);
  popup->finish(1);
}

TEST(ListPopupTest, TheListOpensWithinTheScreenAndPicksTheName) {
  LETTERFREQ_NEEDS_DISPLAY();
  Fl_Double_Window window(0, 0, 600, 400, "owner");
  ComboList combo(230, 125, 100, 25, "Language:");
  window.end();
  window.show();
  for (int i = 0; i < 200; ++i) combo.add("Language " + std::to_string(i));
  combo.add("a/b&c\\d@");
  SeenPopup seen;
  Fl::add_timeout(0.05, readAndPick, &seen);
  combo.openList();
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, window.x(), window.y());
  EXPECT_GE(seen.y, sy);
  EXPECT_LE(seen.y + seen.h, sy + sh);
  EXPECT_GT(seen.h, 0);
  EXPECT_EQ(seen.lines, 201);
  EXPECT_EQ(seen.second, "Language 1");
  EXPECT_STREQ(combo.value(), "Language 1");
}

}  // namespace
}  // namespace letterfreq
