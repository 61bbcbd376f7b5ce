// The best answer first: "Open DB" starts the method menu at the best
// method the database's data supports, and a match shows its answer in
// words above the ranking, decided as `letterfreq-cli detect` decides. At
// the opening size the answer and the best three rows are drawn whole.
#include "app/answer_line.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/window.h"
#include "profiles/methods.h"
#include "tests/gui/gui_support.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/temp_dir.h"
#include "widgets/tree_browser.h"

// Last: through it X11 defines None, a name the test framework uses.
#include <FL/fl_draw.H>

namespace letterfreq {
namespace {

using namespace testing;

class AnswerLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  }

  void run(const std::string& sample, const std::string& database) {
    window->sampleInput->value(sample.c_str());
    window->goButton->do_callback();
    window->databaseInput->value(database.c_str());
    window->openDbButton->do_callback();
    window->matchButton->do_callback();
    window->redraw();
    Fl::flush();
  }

  std::string answer() const {
    const char* label = window->answerLine->label();
    return label ? label : "";
  }

  TempDir dir;
  RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
};

TEST_F(AnswerLineTest, TheStarterDatabaseAnswersByNgramsReadableAtTheStart) {
  const std::string db = dir.write(
      "ling2.db", readFile(std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db"));
  run(std::string(LETTERFREQ_SOURCE_DIR) + "/data/sample.txt", db);
  ASSERT_TRUE(dialogs.alerts.empty());
  EXPECT_STREQ(methodName(window->methodCode()), "N-gram Likelihood");
  EXPECT_STREQ(window->methodMenu->label(), "N-gram Likelihood");
  EXPECT_EQ(answer().rfind("Answer: English, ", 0), 0u) << answer();
  EXPECT_EQ(std::string(window->answerLine->tooltip()), answer());

  // Read back from the window as drawn at 600x400: the line is whole, and
  // so are the best three names with their scores.
  ASSERT_EQ(window->w(), 600);
  fl_font(window->answerLine->labelfont(), window->answerLine->labelsize());
  EXPECT_LE(fl_width(window->answerLine->label()), window->answerLine->w());
  TreeBrowser& tree = *window->resultTree;
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TreeNode* row = tree.rowAt(i);
    const RowLayout at = tree.rowLayout(row);
    EXPECT_EQ(at.label, row->name());  // not shortened
    ASSERT_TRUE(row->content().text);
    fl_font(FL_HELVETICA, tree.textSize());
    EXPECT_LE(at.textX + fl_width(row->content().text->c_str()),
              tree.w() - Fl::scrollbar_size());
    EXPECT_LT((static_cast<int>(i) + 1) * 20, tree.h());  // on screen
  }
  EXPECT_EQ(tree.scrollTop(), 0);
}

TEST_F(AnswerLineTest, WithoutNgramDataTheMenuStartsAtThreeStdDeviations) {
  const std::string db = dir.write(
      "counts.db", languageRecord(257, "Latin") +
                       entryBytes(258, 257, "Caesar", {{'a', 9}, {'b', 1}}) +
                       languageRecord(262, "Greek") +
                       entryBytes(263, 262, "Homer", {{'x', 4}}));
  window->chooseMethod(METHOD_DIFFERENCE);
  run(dir.write("latin.txt", "aaaaaaaab"), db);
  EXPECT_EQ(window->methodCode(), METHOD_THREE_STD_DEVIATIONS);
  EXPECT_STREQ(window->methodMenu->label(), "Three Std Deviations");
  // The radio mark moved with it.
  const Fl_Menu_Item* items = window->methodMenu->menu();
  for (int i = 0; i + 1 < window->methodMenu->size(); ++i) {
    EXPECT_EQ(items[i].value() != 0,
              items[i].argument() == METHOD_THREE_STD_DEVIATIONS)
        << i;
  }
  EXPECT_EQ(answer().rfind("Answer: ", 0), 0u);

  // Nothing counted tells nothing; a new sample empties the line.
  window->sampleInput->value(dir.write("empty.txt", "").c_str());
  window->goButton->do_callback();
  EXPECT_EQ(answer(), "");
  window->matchButton->do_callback();
  EXPECT_EQ(answer(), "Answer: unknown (nothing counted)");
}

TEST(AnswerTextTest, SaysTheLanguageOrUnknownWithTheBestGuesses) {
  Detection sure;
  sure.language = "English";
  sure.confidence = 0.9612f;
  EXPECT_EQ(answerText(sure), "Answer: English, 96.1%");
  sure.language = "Croatian";
  sure.orLanguage = "Bosnian";
  EXPECT_EQ(answerText(sure), "Answer: Croatian (or Bosnian), 96.1%");
  Detection unsure;
  unsure.confidence = 0.31f;
  unsure.reason = REASON_LOW_CONFIDENCE;
  unsure.alternatives = {{"English", 0.312f}, {"Occitan", 0.299f}};
  EXPECT_EQ(answerText(unsure),
            "Answer: unknown (English 31.2%, Occitan 29.9%)");
  Detection none;
  none.reason = REASON_NO_LETTERS;
  EXPECT_EQ(answerText(none), "Answer: unknown (no letters)");
}

}  // namespace
}  // namespace letterfreq
