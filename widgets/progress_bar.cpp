#include "widgets/progress_bar.h"

#include <cmath>

namespace letterfreq {

float clampShare(double share) {
  if (!(share > 0)) return 0;  // also NaN
  if (share > 1) return 1;
  return static_cast<float>(share);
}

ProgressBar::ProgressBar(int x, int y, int w, int h, const char* label)
    : Fl_Progress(x, y, w, h, label) {
  minimum(0);
  maximum(1);
}

void ProgressBar::draw() {
  // The toolkit turns the value into pixels with an int cast, which is
  // undefined for NaN and overflows the box for values beyond the range.
  const float held = value();
  Fl_Progress::value(clampShare(held));
  Fl_Progress::draw();
  Fl_Progress::value(held);
  clear_damage();
}

void ProgressBar::paintAt(int x, int y, int w, int h, double share) {
  Fl_Widget::resize(x, y, w, h);
  Fl_Progress::value(clampShare(share));
  Fl_Progress::draw();
  clear_damage();
}

}  // namespace letterfreq
