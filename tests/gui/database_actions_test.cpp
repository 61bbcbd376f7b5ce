#include "app/database_actions.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/database_messages.h"
#include "app/database_view.h"
#include "app/window.h"
#include "db/record_file.h"
#include "db/record_texts.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "tests/gui/gui_support.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using namespace testing;
using Rows = std::vector<std::string>;

constexpr int A = 'a', B = 'b', X = 'x';

// Latin (257): Caesar a 1, b 9; Cicero a 3, b 7. Greek (266): Homer x 4.
std::string twoLanguages() {
  return languageRecord(257, "Latin") +
         entryBytes(258, 257, "Caesar", {{B, 9}, {A, 1}}) +
         entryBytes(262, 257, "Cicero", {{B, 7}, {A, 3}}) +
         languageRecord(266, "Greek") + entryBytes(267, 266, "Homer", {{X, 4}});
}

// Hides the load's progress meter from inside its first Fl::check(), as
// pressing "Cancel" does.
void pressCancel(void*) {
  for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
    if (w->label() && std::strcmp(w->label(), LOADING_TITLE) == 0) {
      w->hide();  // which takes it out of the list being walked
      return;
    }
  }
}

class DatabaseActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window = std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT,
                                      WINDOW_TITLE);
    sample = dir.write("sample.txt", "aab");
  }

  void openDb(const std::string& name) {
    window->databaseInput->value(name.c_str());
    window->openDbButton->do_callback();
  }

  std::string openBytes(const std::string& bytes) {
    const std::string path = dir.write("ling2.db", bytes);
    openDb(path);
    return path;
  }

  void go() {
    window->sampleInput->value(sample.c_str());
    window->goButton->do_callback();
  }

  void addEntry(const std::string& language, const std::string& name) {
    window->languageList->input()->value(language.c_str());
    window->nameInput->value(name.c_str());
    window->addEntryButton->do_callback();
  }

  TreeNode* top(size_t index) { return window->histTree->root()->child(index); }

  TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
  std::string sample;
};

// Once a name that named no file (a typo) silently made an empty database.
TEST_F(DatabaseActionsTest, ANewDatabaseIsMadeOnlyWhenTheUserSaysSo) {
  const std::string path = dir.file("lign2.db");
  openDb(path);  // the question is answered "No"
  EXPECT_EQ(dialogs.questions, Rows{newDatabaseQuestion(path)});
  EXPECT_EQ(dialogs.questions[0],
            "There is no database " + path +
                ".\nMake a new, empty database of that name?");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(window->databaseLoaded);
  EXPECT_EQ(childRows(window->histTree->root()),
            Rows{"(Ready to load an analysis database.)"});
  EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(DatabaseActionsTest, NewFileShowsOnlyTheTotals) {
  const std::string path = dir.file("new.db");
  dialogs.answer = true;
  openDb(path);
  EXPECT_EQ(dialogs.questions.size(), 1u);
  dialogs.questions.clear();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(window->databaseLoaded);
  ASSERT_NE(window->database, nullptr);
  EXPECT_EQ(window->database->fileName(), path);
  EXPECT_EQ(childRows(window->histTree->root()),
            (Rows{"Totals", "(new empty database " + path + ")"}));
  EXPECT_EQ(openedRows(*window->histTree, top(0)),
            (Rows{"Total characters: 0", "Characters used: 0"}));
  EXPECT_TRUE(window->languageList->names().empty());
  EXPECT_TRUE(window->languageProfiles().empty());
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(DatabaseActionsTest, TreeListsLanguagesEntriesAndTotals) {
  openBytes(twoLanguages());
  EXPECT_TRUE(window->databaseLoaded);
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(childRows(window->histTree->root()),
            (Rows{"Latin", "Greek", "Totals"}));
  EXPECT_EQ(window->languageList->names(), (Rows{"Latin", "Greek"}));
  ASSERT_EQ(window->languageProfiles().size(), 2u);
  EXPECT_EQ(window->languageProfiles()[0].counts[A], 4);
  EXPECT_EQ(window->languageProfiles()[0].sampleCount, 2);
  EXPECT_GT(window->languageProfiles()[0].stdDevs[A], 0.14f);

  // A language: its entries node, then its own rows with deviations.
  TreeNode* latin = top(0);
  EXPECT_EQ(childRows(latin),
            (Rows{"Entries (2)", "Total characters: 20", "Characters used: 2",
                  "b [0.8]", "a [0.2]"}));
  TreeNode* a = latin->child(4);
  EXPECT_EQ(openedRows(*window->histTree, a),
            (Rows{"ASCII: 97", "Total: 4", "%: 20", "\xC2\xB1 14.1421"}));

  // The entries: each row shows its name box; opened, the entry's rows.
  TreeNode* entries = latin->child(0);
  EXPECT_TRUE(entries->waitsToPopulate());
  EXPECT_EQ(openedRows(*window->histTree, entries),
            (Rows{"Caesar", "  Total characters: 10", "  Characters used: 2",
                  "  b [0.9]", "    ASCII: 98", "    Total: 9", "    %: 90",
                  "  a [0.1]", "    ASCII: 97", "    Total: 1", "    %: 10",
                  "Cicero", "  Total characters: 10", "  Characters used: 2",
                  "  b [0.7]", "    ASCII: 98", "    Total: 7", "    %: 70",
                  "  a [0.3]", "    ASCII: 97", "    Total: 3", "    %: 30"}));
  TreeNode* caesar = entries->child(0);
  EXPECT_EQ(caesar->name(), "0");
  EXPECT_FALSE(caesar->labelShown());
  auto* box = dynamic_cast<Fl_Box*>(caesar->content().widget);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->w(), 300);
  EXPECT_EQ(box->h(), 20);
  EXPECT_EQ(box->labelsize(), 12);
  EXPECT_EQ(box->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);

  EXPECT_EQ(childRows(top(2)), (Rows{"Total characters: 24",
                                     "Characters used: 3", "b [0.666667]",
                                     "a [0.166667]", "x [0.166667]"}));
}

TEST_F(DatabaseActionsTest, CancelLeavesTwoLeavesAndRefusesAdding) {
  const std::string path = dir.write("ling2.db", twoLanguages());
  Fl::add_timeout(0.0, pressCancel);
  openDb(path);
  EXPECT_FALSE(window->databaseLoaded);
  EXPECT_EQ(openedRows(*window->histTree),
            (Rows{LOAD_CANCELLED_TEXT, PLEASE_OPEN_TEXT}));
  // Every language is known to matching; the list holds those reached.
  EXPECT_EQ(window->languageProfiles().size(), 2u);
  EXPECT_EQ(window->languageList->names(), Rows{"Latin"});

  go();
  ASSERT_TRUE(window->sampleLoaded);
  addEntry("Latin", "x");
  EXPECT_EQ(dialogs.alerts, Rows{NEED_SAMPLE_AND_DATABASE});
  EXPECT_EQ(readFile(path), twoLanguages());
}

TEST_F(DatabaseActionsTest, MissingArrayIsToldAndTheLoadStopsThere) {
  const std::string bytes =
      languageRecord(257, "Latin") +
      entryBytes(258, 257, "Caesar", {{B, 9}, {A, 1}}) +
      countArrayRecord(262, 258, {{A, 5}}) +  // a second Count Array
      entryRecord(263, 257, "Cicero") + countArrayRecord(264, 263, {{A, 1}}) +
      languageRecord(265, "Greek");
  openBytes(bytes);
  // Told as messages, each with what it means for what is shown.
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(dialogs.alerts,
            (Rows{std::string(TOO_MANY_COUNT_ARRAYS) +
                      "\nAn entry has more than one; the first is used.",
                  std::string(MISSING_SORT_ARRAY) +
                      "\nThe load stopped at an entry without it: the tree "
                      "shows what was read before. Open a copy saved before "
                      "the damage to see the rest."}));
  EXPECT_FALSE(window->databaseLoaded);
  EXPECT_EQ(childRows(window->histTree->root()), Rows{"Latin"});
  EXPECT_EQ(childRows(top(0)), Rows{"Entries (2)"});
  const Rows entries = openedRows(*window->histTree, top(0)->child(0));
  ASSERT_EQ(entries.size(), 12u);
  EXPECT_EQ(entries[0], "Caesar");
  EXPECT_EQ(entries[11], "Cicero");  // its name, no rows
  EXPECT_EQ(window->languageList->names(), Rows{"Latin"});
  EXPECT_EQ(window->languageProfiles().size(), 2u);
}

TEST_F(DatabaseActionsTest, DamagedOrUnopenableDatabaseIsReportedAndTheWindowGoesOn) {
  const std::string bytes = twoLanguages() + "x";
  const std::string damaged = dir.write("damaged.db", bytes);
  const std::string text = "!query_link expected RECORD_DELIM at " +
                           std::to_string(bytes.size()) + " rcvd:120";
  for (const std::string& name : {damaged, std::string(), dir.path()}) {
    SCOPED_TRACE(name);
    openBytes(twoLanguages());
    ASSERT_TRUE(window->databaseLoaded);
    dialogs.alerts.clear();

    ::testing::internal::CaptureStdout();
    openDb(name);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const std::string expected =
        name == damaged      ? text
        : name == dir.path() ? notOpenableText("Is a directory")
                             : notOpenableText("No such file or directory");
    // The alert says what happened in words, then the file and the
    // system's reason, what to do, and the engine's line last.
    const std::string words =
        name == damaged
            ? "The database is damaged and could not be read.\n" + damaged +
                  "\nOpen a copy saved before it was damaged, or another "
                  "database."
            : std::string(
                  "The database could not be opened for reading and "
                  "writing.\n") +
                  (name.empty() ? "\"\": No such file or directory"
                                : dir.path() + ": Is a directory") +
                  "\nType the name of a database file you may change (a "
                  "file, not a folder), or a new name to make a new database.";
    EXPECT_EQ(dialogs.alerts, Rows{words + "\n(" + expected + ")"});
    EXPECT_EQ(printed, expected + "\n");
    EXPECT_FALSE(window->databaseLoaded);
    EXPECT_EQ(window->database, nullptr);
    EXPECT_TRUE(window->languageProfiles().empty());
    EXPECT_TRUE(window->languageList->names().empty());
    EXPECT_EQ(openedRows(*window->histTree), Rows{PLEASE_OPEN_TEXT});
    EXPECT_TRUE(window->shown());
  }
  EXPECT_EQ(readFile(damaged), bytes);
}

TEST_F(DatabaseActionsTest, NamesAreShownAsStored) {
  const std::string bytes =
      languageRecord(257, "Latin/Vulgar") + languageRecord(258, "Back\\slash") +
      languageRecord(259, "Latin/Vulgar") + languageRecord(260, "_x&y") +
      entryBytes(261, 257, "a @-> b", {{A, 1}});
  openBytes(bytes);
  ASSERT_TRUE(window->databaseLoaded);
  EXPECT_EQ(childRows(window->histTree->root()),
            (Rows{"Latin/Vulgar", "Back\\slash", "Latin/Vulgar", "_x&y",
                  "Totals"}));
  TreeNode* entries = top(0)->child(0);
  window->histTree->open(entries);
  const Fl_Widget* box = entries->child(0)->content().widget;
  ASSERT_NE(box, nullptr);
  EXPECT_STREQ(box->label(), "a @@-> b");  // drawn as "a @-> b"

  // The list offers each name once; a pick puts exactly the name in.
  EXPECT_EQ(window->languageList->names(),
            (Rows{"Latin/Vulgar", "Back\\slash", "_x&y"}));
  window->languageList->pick(1);
  EXPECT_STREQ(window->languageList->value(), "Back\\slash");
}

TEST_F(DatabaseActionsTest, AddEntryRefusesThenStoresAndReloads) {
  const std::string path = dir.file("ling2.db");
  dialogs.answer = true;        // a new database
  addEntry("Latin", "Caesar");  // nothing loaded
  go();
  addEntry("Latin", "Caesar");  // no database
  openDb(path);
  window->nameInput->value("Caesar");
  window->languageList->input()->value("");
  window->addEntryButton->do_callback();  // no language
  EXPECT_EQ(dialogs.alerts, (Rows{NEED_SAMPLE_AND_DATABASE,
                                  NEED_SAMPLE_AND_DATABASE, NEED_LANGUAGE}));
  EXPECT_EQ(readFile(path), "");

  addEntry("Latin", "Caesar");
  addEntry("Latin", "");
  EXPECT_EQ(dialogs.alerts.size(), 3u);
  EXPECT_TRUE(window->databaseLoaded);
  EXPECT_EQ(childRows(window->histTree->root()), (Rows{"Latin", "Totals"}));
  EXPECT_EQ(childRows(top(0))[0], "Entries (2)");
  const Rows entries = openedRows(*window->histTree, top(0)->child(0));
  EXPECT_EQ(entries[0], "Caesar");
  EXPECT_NE(std::find(entries.begin(), entries.end(), sample), entries.end());
  EXPECT_EQ(window->languageList->names(), Rows{"Latin"});
  // The field keeps what was typed.
  EXPECT_STREQ(window->languageList->value(), "Latin");

  // The file holds exactly what the library stores for these adds.
  TempDir other;
  RecordFile reference(other.file("ref.db"));
  storeEntry(reference, {"Latin", "Caesar", sample},
             window->sampleProfile);
  storeEntry(reference, {"Latin", "", sample},
             window->sampleProfile);
  EXPECT_EQ(readFile(path), readFile(reference.fileName()));
}

// A failed add names the file and the reason the engine met; the
// database stays as it was loaded.
TEST_F(DatabaseActionsTest, FailedAddGivesTheFileAndTheReason) {
  const std::string path = openBytes(twoLanguages());
  go();
  std::filesystem::create_directory(path + ".journal");
  ::testing::internal::CaptureStdout();
  addEntry("Latin", "Caesar");
  std::filesystem::remove(path + ".journal");
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  addEntry("Latin", "Caesar");
  const std::string printed = ::testing::internal::GetCapturedStdout();
  const std::string journal =
      "!a journal beside the file does not belong to it: left alone (" +
      path + ".journal: Is a directory)";
  ASSERT_EQ(dialogs.alerts.size(), 2u);
  EXPECT_NE(dialogs.alerts[0].find("(" + journal + ")"), std::string::npos)
      << dialogs.alerts[0];
  EXPECT_EQ(dialogs.alerts[0].find("damaged"), std::string::npos)
      << dialogs.alerts[0];
  EXPECT_NE(dialogs.alerts[0].find("written for another file"), std::string::npos);
  EXPECT_NE(dialogs.alerts[1].find(path), std::string::npos);
  EXPECT_NE(dialogs.alerts[1].find("(" + notOpenableText("Is a directory") + ")"),
            std::string::npos)
      << dialogs.alerts[1];
  EXPECT_EQ(printed, journal + "\n" + notOpenableText("Is a directory") + "\n");
  EXPECT_TRUE(window->databaseLoaded);
}

TEST_F(DatabaseActionsTest, OpeningAnotherDatabaseReplacesTheFirst) {
  openBytes(twoLanguages());
  const std::string other = dir.write("other.db", languageRecord(257, "Solo"));
  openDb(other);
  EXPECT_EQ(window->database->fileName(), other);
  EXPECT_EQ(childRows(window->histTree->root()), (Rows{"Solo", "Totals"}));
  EXPECT_EQ(window->languageList->names(), Rows{"Solo"});
  EXPECT_EQ(window->languageProfiles().size(), 1u);
}

}  // namespace
}  // namespace letterfreq
