#include "widgets/progress_meter.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <fcntl.h>
#include <unistd.h>

#include "widgets/plain_label.h"
#include "widgets/progress_bar.h"
#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

constexpr int METER_WIDTH = 300;
constexpr int METER_HEIGHT = 110;

// The meter that watches for its owner's close, and the dispatch it
// replaced; one at a time, since a meter is modal.
ProgressMeter* watchingMeter = nullptr;
Fl_Event_Dispatch replacedDispatch = nullptr;

void cancelCallback(Fl_Widget*, void* meter) {
  static_cast<ProgressMeter*>(meter)->hide();
}

// True when `widget` is `group` or among its descendants. Compares
// pointers only: `widget` may be gone (a tree's row widget, say).
bool holds(const Fl_Group& group, const Fl_Widget* widget) {
  if (&group == widget) return true;
  for (int i = 0; i < group.children(); ++i) {
    Fl_Widget* child = group.child(i);
    if (child == widget) return true;
    const Fl_Group* inner = child->as_group();
    if (inner && holds(*inner, widget)) return true;
  }
  return false;
}

// Makes the toolkit's current wait return. Work started from a timeout (a
// sample named at start) returns into a wait that, once its timeouts ran,
// sleeps without looking whether a window is left: after the owner closed,
// the program would sleep on with no window. A readable pipe wakes it.
void wakeEventLoop() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return;
  Fl::add_fd(ends[0], FL_READ, [](int fd, void*) {
    Fl::remove_fd(fd);
    ::close(fd);
  });
  ::close(ends[1]);  // the read end is now readable: end of file
}

}  // namespace

ProgressMeter::ProgressMeter(const char* title)
    : Fl_Double_Window(METER_WIDTH, METER_HEIGHT, title) {
  // Its own background: a new message redraws the line, not the meter.
  messageBox_ = new Fl_Box(FL_FLAT_BOX, 10, 10, METER_WIDTH - 20, 25, nullptr);
  messageBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  bar_ = new ProgressBar(10, 40, METER_WIDTH - 20, 20);
  bar_->selection_color(FL_BLUE);
  cancelButton_ = new Fl_Button(METER_WIDTH / 2 - 40, 72, 80, 28, "Cancel");
  cancelButton_->callback(cancelCallback, this);
  end();
  callback(cancelCallback, this);  // closing the meter cancels too
}

ProgressMeter::~ProgressMeter() { stopWatchingClose(); }

int ProgressMeter::dispatch(int event, Fl_Window* window) {
  ProgressMeter* meter = watchingMeter;
  if (event == FL_CLOSE && meter != nullptr && meter->shown() &&
      window != nullptr && window == meter->owner_) {
    meter->hide();  // the work sees a cancel; the owner is no longer locked
  }
  return replacedDispatch ? replacedDispatch(event, window)
                          : Fl::handle_(event, window);
}

void ProgressMeter::stopWatchingClose() {
  if (!watchingClose_) return;
  watchingClose_ = false;
  if (watchingMeter == this) {
    Fl::event_dispatch(replacedDispatch);
    watchingMeter = nullptr;
    replacedDispatch = nullptr;
  }
}

void ProgressMeter::start(Fl_Window* owner) {
  owner_ = owner;
  if (owner && watchingMeter == nullptr) {
    replacedDispatch = Fl::event_dispatch();
    Fl::event_dispatch(dispatch);
    watchingMeter = this;
    watchingClose_ = true;
  }
  focusAtStart_ = Fl::focus();
  set_modal();
  if (owner) {
    // Without a window manager the meter would open at the screen's corner.
    position(owner->x() + (owner->w() - w()) / 2,
             owner->y() + (owner->h() - h()) / 2);
  }
  show();
}

void ProgressMeter::finish() {
  hide();
  stopWatchingClose();
  // Not into a closed owner: without a window manager the toolkit shows a
  // window again to give it the focus, and the program would go on.
  if (owner_ && owner_->shown() && focusAtStart_ &&
      holds(*owner_, focusAtStart_)) {
    focusAtStart_->take_focus();
  }
  if (owner_ && !owner_->shown()) wakeEventLoop();
}

void ProgressMeter::progress(float share) {
  bar_->value(share);
}

float ProgressMeter::progress() const { return bar_->value(); }

bool ProgressMeter::step(float share, const std::string& text) {
  const auto now = std::chrono::steady_clock::now();
  if (checkedOnce_ && now - lastCheck_ < STEP_INTERVAL) return shown() != 0;
  checkedOnce_ = true;
  lastCheck_ = now;
  progress(share);
  if (text != message_) message(text);
  Fl::check();  // the meter redraws and its "Cancel" can be pressed
  return shown() != 0;
}

void ProgressMeter::message(const std::string& text) {
  message_ = text;
  // A language name may hold '@', control bytes or a great many bytes.
  shownMessage_ = plainLabel(shownText(text));
  messageBox_->label(shownMessage_.c_str());
  messageBox_->redraw();
}

}  // namespace letterfreq
