// The bundled starter database in the window, as `make run` gives it: "Open
// DB" on ling2.db lists every language in the language list and in
// "Hist-Tree!", then "Totals", without a question box, and leaves the file
// as it was.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window.h"
#include "db/record_file.h"
#include "profiles/load_pass.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using namespace testing;
using Rows = std::vector<std::string>;

const std::string STARTER_DB =
    std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db";

TEST(StarterDbWindowTest, OpenDbListsEveryStarterLanguage) {
  LETTERFREQ_NEEDS_DISPLAY();
  TempDir dir;
  const std::string bytes = readFile(STARTER_DB);
  const std::string path = dir.write("ling2.db", bytes);

  // The languages the file holds, in file order, as the load reads them.
  Rows languages;
  {
    RecordFile file(path);
    for (const LetterProfile& p : languagesOf(file)) {
      languages.push_back(p.name);
    }
  }
  ASSERT_GE(languages.size(), 100u);

  RecordedDialogs dialogs;
  auto window =
      std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  window->databaseInput->value(path.c_str());
  window->openDbButton->do_callback();

  EXPECT_TRUE(window->databaseLoaded);
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_EQ(window->languageList->names(), languages);
  Rows rows = languages;
  rows.push_back("Totals");
  EXPECT_EQ(childRows(window->histTree->root()), rows);
  EXPECT_EQ(childRows(window->histTree->root()->child(0)).front(),
            "Entries (20)");  // English, the first language
  EXPECT_EQ(readFile(path), bytes);
}

}  // namespace
}  // namespace letterfreq
