// Every way a user gives the window its sample besides typing a name:
// Ctrl+V with the focus outside the text fields, text and files dropped
// on it, the file chooser; and what "Add entry" stores as the source when
// the sample field no longer names the counted sample.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/sample_actions.h"
#include "app/start_files.h"
#include "app/window.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/feature_sets.h"
#include "profiles/schema.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using namespace testing;

constexpr const char* GERMAN =
    "Das ist ein kurzer deutscher Satz, <b>mit</b> &amp; Markup.\r\n";

class SampleSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  }

  void go(const std::string& name) {
    window->sampleInput->value(name.c_str());
    window->goButton->do_callback();
  }

  // A drop as the toolkit delivers it: enter, release, then the text,
  // over the middle of `target`.
  void drop(const Fl_Widget& target, const std::string& text) {
    Fl::e_x = target.x() + target.w() / 2;
    Fl::e_y = target.y() + target.h() / 2;
    EXPECT_EQ(window->handle(FL_DND_ENTER), 1);
    EXPECT_EQ(window->handle(FL_DND_DRAG), 1);
    EXPECT_EQ(window->handle(FL_DND_RELEASE), 1);
    deliver(text);
  }

  void deliver(const std::string& text) {
    copy_ = text;
    Fl::e_text = copy_.data();
    Fl::e_length = static_cast<int>(copy_.size());
    Fl::e_clipboard_type = Fl::clipboard_plain_text;
    Fl::e_number = FL_PASTE;
    Fl::belowmouse()->handle(FL_PASTE);
  }

  // Ctrl+V as the keyboard sends it to the widget with the focus.
  void pressCtrlV() {
    Fl::e_keysym = 'v';
    Fl::e_state = FL_CTRL;
    copy_ = "v";
    Fl::e_text = copy_.data();
    Fl::e_length = 1;
    Fl::handle(FL_KEYBOARD, window.get());
    Fl::e_state = 0;
  }

  // The sample's n-gram counts.
  std::vector<uint32_t> ngrams() const {
    const uint32_t* counts =
        window->sampleFeatures.of(NGRAM_FEATURES).counts;
    return std::vector<uint32_t>(
        counts, counts + featureSet(NGRAM_FEATURES).bucketCount());
  }

  // The source record of the newest entry.
  std::string newestSource(const std::string& path) {
    RecordFile file(path);
    RecordSnapshot snapshot = file.snapshot();
    uint32_t newest = 0;
    for (const RecordRef& ref : snapshot.query_all()) {
      const Record record = snapshot.get_record(ref.id);
      for (size_t i = 0; i < record.linkCount(); ++i) {
        if (record.link(i).kind == KIND_SOURCE) newest = ref.id;
      }
    }
    const Record source = snapshot.get_record(newest);
    return std::string(reinterpret_cast<const char*>(source.data()),
                       source.dataLength() - 1);  // without its NUL
  }

  void addEntry(const std::string& language) {
    window->languageList->input()->value(language.c_str());
    window->addEntryButton->do_callback();
  }

  TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
  std::string copy_;
};

TEST_F(SampleSourcesTest, PastedTextCountsAsAFileOfTheSameBytes) {
  go(dir.write("german.txt", GERMAN));
  const LetterProfile fromFile = window->sampleProfile;
  const std::vector<uint32_t> ngramsFromFile = ngrams();

  Fl::copy(GERMAN, static_cast<int>(std::string(GERMAN).size()), 1);
  Fl::focus(window->sampleTree);  // a click on the tree, say
  pressCtrlV();
  EXPECT_TRUE(dialogs.alerts.empty());
  const std::string name =
      "pasted text, " + std::to_string(std::string(GERMAN).size()) + " bytes";
  EXPECT_EQ(window->sampleSource, name);
  EXPECT_EQ(std::string(window->countedLabel->label()), "Counted: " + name);
  EXPECT_EQ(window->sampleProfile.counts, fromFile.counts);
  EXPECT_EQ(window->sampleProfile.order, fromFile.order);
  EXPECT_EQ(ngrams(), ngramsFromFile);
  EXPECT_STREQ(window->sampleInput->value(), dir.file("german.txt").c_str());
}

TEST_F(SampleSourcesTest, CtrlVInATextFieldIsTheFieldsOwn) {
  Fl::copy("abc", 3, 1);
  Fl::focus(window->nameInput);
  pressCtrlV();
  Fl::check();
  EXPECT_FALSE(window->sampleLoaded);
  EXPECT_STREQ(window->nameInput->value(), "abc");
}

TEST_F(SampleSourcesTest, DroppedTextAndDroppedFilesAreCounted) {
  drop(*window->sampleTree, "Ceci est une phrase.");
  EXPECT_EQ(window->sampleSource, "dropped text, 20 bytes");
  EXPECT_EQ(window->sampleProfile.counts['e'], 4);

  // A file manager drops a URI list: the file is loaded by its name.
  const std::string path = dir.write("a b%.txt", "xyz");
  std::string uri = "file://";
  for (char c : path) {
    uri += c == ' ' ? std::string("%20") : c == '%' ? "%25" : std::string(1, c);
  }
  drop(*window->histTree, "# from the file manager\r\n" + uri + "\r\n");
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_EQ(window->sampleSource, path);
  EXPECT_STREQ(window->sampleInput->value(), path.c_str());
  EXPECT_EQ(window->sampleProfile.counts['y'], 1);
  EXPECT_EQ(window->sampleProfile.totalCount, 3);
}

TEST_F(SampleSourcesTest, TheChooserLoadsThePickedFile) {
  dialogs.chosenFile = dir.write("picked.txt", "hello");
  window->chooseButton->do_callback();
  EXPECT_EQ(dialogs.chooserTitles,
            std::vector<std::string>{CHOOSE_SAMPLE_TITLE});
  EXPECT_EQ(window->sampleSource, dialogs.chosenFile);
  EXPECT_EQ(window->sampleProfile.counts['l'], 2);

  // Closed without a choice: nothing changes.
  dialogs.chosenFile.clear();
  window->chooseButton->do_callback();
  EXPECT_EQ(window->sampleSource, dir.file("picked.txt"));
  EXPECT_TRUE(dialogs.alerts.empty());
}

// Once "Add entry" stored the sample field's text, which need not name
// what was counted: a failed load, or a name typed without Enter, made an
// entry sourced "nosuch.txt" holding sample.txt's counts.
TEST_F(SampleSourcesTest, AddEntryStoresTheSourceOfTheShownProfile) {
  const std::string db = dir.write("ling2.db", "");
  window->databaseInput->value(db.c_str());
  window->openDbButton->do_callback();
  const std::string sample = dir.write("sample.txt", "aab");
  go(sample);
  go(dir.file("nosuch.txt"));
  ASSERT_EQ(dialogs.alerts.size(), 1u);
  EXPECT_NE(dialogs.alerts[0].find("The sample in use is still " + sample),
            std::string::npos);
  addEntry("Latin");
  EXPECT_EQ(newestSource(db), sample);
  const ProfileList languages = window->languageProfiles();
  EXPECT_EQ(languages[languages.size() - 1].counts['a'], 2);

  const std::string german = dir.write("german.txt", GERMAN);
  go(german);
  window->sampleInput->value("typed but not loaded.txt");
  addEntry("German");
  EXPECT_EQ(newestSource(db), german);

  Fl::copy("pasted words", 12, 1);
  Fl::focus(window->histTree);
  pressCtrlV();
  addEntry("English");
  EXPECT_EQ(newestSource(db), "pasted text, 12 bytes");
  EXPECT_EQ(dialogs.alerts.size(), 1u);
}

TEST_F(SampleSourcesTest, AFileNamedAtStartIsCountedOnceTheWindowRuns) {
  const std::string path = dir.write("notes.txt", "abc");
  loadAtStart(*window, path);
  EXPECT_STREQ(window->sampleInput->value(), path.c_str());
  for (int i = 0; i < 100 && !window->sampleLoaded; ++i) Fl::wait(0.02);
  EXPECT_TRUE(window->sampleLoaded);
  EXPECT_EQ(window->sampleSource, path);
}

// Started in a folder of its own (a terminal's, a file manager's), the
// window once failed "Go" on sample.txt and made an empty ./ling2.db.
TEST_F(SampleSourcesTest, FromAnEmptyFolderTheDefaultsFindTheBundledFiles) {
  if (bundledDataFolder().empty()) {
    GTEST_SKIP() << "no bundled sample beside this build";
  }
  namespace fs = std::filesystem;
  const fs::path before = fs::current_path();
  const char* savedXdg = std::getenv("XDG_DATA_HOME");
  const std::string xdg = savedXdg ? savedXdg : "";
  const std::string empty = dir.path() + "/empty";
  fs::create_directories(empty);
  fs::current_path(empty);
  setenv("XDG_DATA_HOME", (dir.path() + "/xdg").c_str(), 1);
  const std::string own = dir.path() + "/xdg/letterfreq/";

  window->goButton->do_callback();
  window->openDbButton->do_callback();
  window->matchButton->do_callback();
  EXPECT_TRUE(dialogs.alerts.empty());
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(window->sampleSource, own + "sample.txt");
  EXPECT_TRUE(window->databaseLoaded);
  EXPECT_EQ(window->database->fileName(), own + "ling2.db");
  ASSERT_GT(window->resultTree->rowCount(), 3u);
  EXPECT_EQ(window->resultTree->rowAt(0)->name(), "English");

  // A name typed resolves in the folder it started in; a typo makes
  // nothing without the user's word.
  window->databaseInput->value("lign2.db");
  window->openDbButton->do_callback();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_NE(dialogs.questions[0].find(empty + "/lign2.db"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(empty));

  fs::current_path(before);
  if (savedXdg) {
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace letterfreq
