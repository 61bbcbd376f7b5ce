// ProgressMeter: a small modal window for long work, with a message line,
// a progress bar from 0 to 1 and a "Cancel" button. Cancel (or closing the
// meter) hides it, so the worker, which calls Fl::check() between its
// steps, sees shown() turn false and stops. Owned by the code that runs
// the work; destroy it when done.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <string>

class Fl_Box;
class Fl_Button;

namespace letterfreq {

class ProgressBar;

class ProgressMeter : public Fl_Double_Window {
 public:
  explicit ProgressMeter(const char* title);

  // Makes the meter modal and shows it centred over `owner` (or where the
  // toolkit puts it when `owner` is null).
  void start(Fl_Window* owner);

  void progress(float share);
  float progress() const;
  void message(const std::string& text);
  const std::string& message() const { return message_; }

  Fl_Button* cancelButton() const { return cancelButton_; }

 private:
  std::string message_;
  std::string shownMessage_;  // the message box's label text
  Fl_Box* messageBox_;
  ProgressBar* bar_;
  Fl_Button* cancelButton_;
};

}  // namespace letterfreq
