#include "app/window_layout.h"

#include "app/window.h"
#include "widgets/tree_browser.h"

namespace letterfreq {

void placeTrees(Window& window, int extraWidth, int extraHeight) {
  const int toResults = extraWidth * 2 / 3;
  const TreeBox& s = SAMPLE_TREE_BOX;
  const TreeBox& r = RESULT_TREE_BOX;
  const TreeBox& h = HIST_TREE_BOX;
  window.sampleTree->resize(s.x, s.y, s.w, s.h + extraHeight);
  window.resultTree->resize(r.x, r.y, r.w + toResults, r.h + extraHeight);
  window.histTree->resize(h.x + toResults, h.y, h.w + extraWidth - toResults,
                          h.h + extraHeight);
  window.redraw();
}

}  // namespace letterfreq
