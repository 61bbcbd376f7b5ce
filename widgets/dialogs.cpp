#include "widgets/dialogs.h"

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

DialogHandlers replaceDialogHandlers(DialogHandlers replacement) {
  return std::exchange(handlers(), std::move(replacement));
}

}  // namespace letterfreq
