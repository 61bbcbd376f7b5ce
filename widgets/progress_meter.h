// ProgressMeter: a small modal window for long work, with a message line,
// a progress bar from 0 to 1 and a "Cancel" button. Cancel (or closing the
// meter) hides it, so the worker, which calls Fl::check() between its
// steps, sees shown() turn false and stops. Owned by the code that runs
// the work; destroy it when done.
//
// Work of many small steps reports each through step(), which shows the
// progress and lets the toolkit run at most every STEP_INTERVAL: a redraw
// and a round trip to the display per step would cost more than the work.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <chrono>
#include <string>

class Fl_Box;
class Fl_Button;

namespace letterfreq {

class ProgressBar;

class ProgressMeter : public Fl_Double_Window {
 public:
  explicit ProgressMeter(const char* title);
  ~ProgressMeter() override;

  // Makes the meter modal and shows it centred over `owner` (or where the
  // toolkit puts it when `owner` is null).
  void start(Fl_Window* owner);
  // Hides the meter and gives the keyboard focus back to the widget of
  // `owner` that had it at start(), if that widget is still there and
  // `owner` still shown (closed, it stays closed).
  void finish();

  void progress(float share);
  float progress() const;
  void message(const std::string& text);
  const std::string& message() const { return message_; }

  Fl_Button* cancelButton() const { return cancelButton_; }

  // One step of the work: takes `share` and `text` and, when STEP_INTERVAL
  // has passed since the last time (or at the first step), shows them and
  // calls Fl::check(). The message is set only when its text changed.
  // Returns shown(): false once the user cancelled.
  bool step(float share, const std::string& text);

  // Often enough for a moving bar and a "Cancel" that answers at once.
  static constexpr std::chrono::milliseconds STEP_INTERVAL{30};

 private:
  // Lets a close of the owner through while the meter is up.
  static int dispatch(int event, Fl_Window* window);
  void stopWatchingClose();

  std::string message_;
  std::string shownMessage_;  // the message box's label text
  Fl_Window* owner_ = nullptr;
  Fl_Widget* focusAtStart_ = nullptr;  // compared, never used, until found
  std::chrono::steady_clock::time_point lastCheck_{};
  bool checkedOnce_ = false;
  bool watchingClose_ = false;
  Fl_Box* messageBox_;
  ProgressBar* bar_;
  Fl_Button* cancelButton_;
};

}  // namespace letterfreq
