// Languages with very long names in the real window: every name the
// "Language:" list shows is picked whole from it, by the keys as by the
// toolkit's own pick, and an entry added under it joins that language.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window.h"
#include "db/record_file.h"
#include "profiles/entry_add.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/list_popup.h"

namespace letterfreq {
namespace {

const std::vector<size_t>& lengths() {
  static const std::vector<size_t> all = {32767, 32768, 65536, 200000,
                                          1000000, 4000000};
  return all;
}

std::string nameOfLength(size_t length) {
  std::string name = std::to_string(length) + ":";
  name.resize(length, 'm');
  return name;
}

// Clicks row `*row` of the open list as the mouse does, in its middle.
void pickWithMouse(void* row) {
  ListPopup* popup = ListPopup::current();
  if (popup == nullptr) {
    Fl::repeat_timeout(0.02, pickWithMouse, row);
    return;
  }
  Fl::flush();  // the list lays out its lines when it first draws
  Fl::e_x = 10;
  Fl::e_y = 2 + *static_cast<int*>(row) * POPUP_ROW_HEIGHT + POPUP_ROW_HEIGHT / 2;
  Fl::e_x_root = popup->x() + Fl::e_x;
  Fl::e_y_root = popup->y() + Fl::e_y;
  Fl::e_keysym = FL_Button + 1;
  Fl::e_state = FL_BUTTON1;
  Fl::e_is_click = 1;
  Fl::e_clicks = 0;  // one click, not the second of a double click
  Fl::handle(FL_PUSH, popup);
  Fl::e_state = 0;
  Fl::handle(FL_RELEASE, popup);
  if (popup->shown()) popup->finish(-1);  // missed: no pick
}

// Picks row `*row` of the open list with the keys: Down to it, Enter.
void pickWithKeys(void* row) {
  ListPopup* popup = ListPopup::current();
  if (popup == nullptr) {
    Fl::repeat_timeout(0.02, pickWithKeys, row);
    return;
  }
  for (int i = 0; i <= *static_cast<int*>(row); ++i) {
    Fl::e_keysym = FL_Down;
    Fl::handle(FL_KEYBOARD, popup);
  }
  Fl::e_keysym = FL_Enter;
  Fl::handle(FL_KEYBOARD, popup);
}

class LongLanguageNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    sample = dir.write("sample.txt", "aab");
    database = dir.file("long.db");
    RecordFile file(database);
    LetterProfile entry;
    std::string failure;
    ASSERT_TRUE(loadSample(sample, entry, &failure));
    entry.sortOrder();
    for (size_t length : lengths()) {
      storeEntry(file, {nameOfLength(length), "e", sample}, entry);
    }
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
    window->databaseInput->value(database.c_str());
    window->openDbButton->do_callback();
    window->sampleInput->value(sample.c_str());
    window->goButton->do_callback();
  }

  testing::TempDir dir;
  testing::RecordedDialogs dialogs;
  std::string sample, database;
  std::unique_ptr<Window> window;
};

TEST_F(LongLanguageNamesTest, EveryListedNameIsPickedWholeAndAddedTo) {
  ASSERT_EQ(window->languageList->names().size(), lengths().size());
  for (int row = 0; row < static_cast<int>(lengths().size()); ++row) {
    const std::string name = nameOfLength(lengths()[row]);
    SCOPED_TRACE(name.substr(0, name.find(':')));
    // The first and the last line by the mouse: a bar across the bottom
    // of the list lay over the last one.
    if (row == 0 || row + 1 == static_cast<int>(lengths().size())) {
      window->languageList->input()->value("");
      Fl::add_timeout(0.3, pickWithMouse, &row);  // once it is drawn
      window->languageList->openList();
      EXPECT_TRUE(window->languageList->value() == name) << "by the mouse";
    }
    window->languageList->input()->value("");
    Fl::add_timeout(0.02, pickWithKeys, &row);
    window->languageList->openList();
    ASSERT_TRUE(window->languageList->value() == name) << "by the keys";

    window->nameInput->value("again");
    window->addEntryButton->do_callback();
    EXPECT_EQ(dialogs.alerts, std::vector<std::string>{});
    ASSERT_EQ(window->languageProfiles().size(), lengths().size());
    EXPECT_EQ(window->languageProfiles()[row].sampleCount, 2);

    // The toolkit's own pick of the same item.
    window->languageList->input()->value("");
    window->languageList->menubutton()->picked(
        window->languageList->menubutton()->menu() + row);
    EXPECT_TRUE(window->languageList->value() == name) << "by the toolkit";
  }
}

}  // namespace
}  // namespace letterfreq
