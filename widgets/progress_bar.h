// ProgressBar: a bar that shows a share from 0 to 1 (the toolkit's own bar
// counts from 0 to 100). Values outside the range, and NaN, are drawn as
// the nearest end instead of spilling over the box.
#pragma once

#include <FL/Fl_Progress.H>

namespace letterfreq {

class ProgressBar : public Fl_Progress {
 public:
  ProgressBar(int x, int y, int w, int h, const char* label = nullptr);

  // Draws the bar in the box (x, y, w, h) at `share` wherever the caller
  // is drawing; for bars that are painted without a widget of their own.
  void paintAt(int x, int y, int w, int h, double share);

 protected:
  void draw() override;
};

// `share` held to 0..1; NaN becomes 0.
float clampShare(double share);

}  // namespace letterfreq
