// The one seam for message boxes. The window and the database load show
// their alerts and questions through these calls; tests replace the
// handlers so that no modal box blocks them (and so that a missing display
// cannot end the test process, which the toolkit's boxes would do).
#pragma once

#include <functional>
#include <string>

namespace letterfreq {

struct DialogHandlers {
  // A modal box with the message, an error beep and one button to close it.
  std::function<void(const std::string&)> alert;
  // A modal box with the buttons "No" and "Yes"; true for "Yes".
  std::function<bool(const std::string&)> question;
  // A file chooser titled by its argument; the chosen file's name, or ""
  // when the user closed it without a choice.
  std::function<std::string(const std::string&)> chooseFile;
};

void showAlert(const std::string& message);
bool askQuestion(const std::string& message);
std::string chooseFile(const std::string& title);

// Puts `handlers` in place of the current ones and gives back the old
// ones; an empty function falls back to the toolkit's box.
DialogHandlers replaceDialogHandlers(DialogHandlers handlers);

}  // namespace letterfreq
