#include "widgets/dialogs.h"

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/fl_ask.H>

#include <utility>

namespace letterfreq {
namespace {

DialogHandlers& handlers() {
  static DialogHandlers current;
  return current;
}

}  // namespace

void showAlert(const std::string& message) {
  if (handlers().alert) {
    handlers().alert(message);
    return;
  }
  // Through "%s": a message may hold '%'.
  fl_alert("%s", message.c_str());
}

bool askQuestion(const std::string& message) {
  if (handlers().question) return handlers().question(message);
  return fl_choice("%s", fl_no, fl_yes, nullptr, message.c_str()) == 1;
}

std::string chooseFile(const std::string& title) {
  if (handlers().chooseFile) return handlers().chooseFile(title);
  Fl_Native_File_Chooser chooser;
  chooser.title(title.c_str());
  chooser.type(Fl_Native_File_Chooser::BROWSE_FILE);
  // 0: chosen; 1: closed without a choice; -1: the chooser failed.
  if (chooser.show() != 0 || chooser.filename() == nullptr) return {};
  return chooser.filename();
}

DialogHandlers replaceDialogHandlers(DialogHandlers replacement) {
  return std::exchange(handlers(), std::move(replacement));
}

}  // namespace letterfreq
