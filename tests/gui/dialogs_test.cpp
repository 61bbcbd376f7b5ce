#include "widgets/dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gui/gui_support.h"

namespace letterfreq {
namespace {

TEST(DialogsTest, ReplacedHandlersGetTheMessages) {
  {
    testing::RecordedDialogs dialogs;
    dialogs.answer = true;
    showAlert("File couldn't be opened!");
    EXPECT_TRUE(askQuestion("Database missing Count Array information."));
    EXPECT_EQ(dialogs.alerts,
              std::vector<std::string>{"File couldn't be opened!"});
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{
                                     "Database missing Count Array information."});
  }
  // Restored: nothing is recorded any more.
  DialogHandlers none = replaceDialogHandlers({});
  EXPECT_FALSE(none.alert);
  EXPECT_FALSE(none.question);
}

// Reads the message of the modal box on screen, then closes it.
void closeModal(void* seen) {
  Fl_Window* box = Fl::modal();
  if (!box) {
    Fl::repeat_timeout(0.02, closeModal, seen);
    return;
  }
  for (int i = 0; i < box->children(); ++i) {
    const char* label = box->child(i)->label();
    if (label) static_cast<std::vector<std::string>*>(seen)->push_back(label);
  }
  box->hide();
}

TEST(DialogsTest, AlertShowsTheMessageAsItIs) {
  LETTERFREQ_NEEDS_DISPLAY();
  std::vector<std::string> seen;
  Fl::add_timeout(0.05, closeModal, &seen);
  showAlert("100% sure");  // a '%' is not a format
  bool found = false;
  for (const std::string& label : seen) found = found || label == "100% sure";
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace letterfreq
