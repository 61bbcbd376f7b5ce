// GoogleTest first: the list's toolkit header brings X11's "None" macro.
#include <gtest/gtest.h>

#include "widgets/combo_list.h"

#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace letterfreq
