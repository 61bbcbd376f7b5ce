// Pictures the window for the README: builds it, loads a sample the way
// "Go" does, opens the first byte values' branches and writes the window's
// pixels as a binary PPM file. When the default database "ling2.db" is in
// the current folder it also presses "Open DB" and "Match", so the picture
// shows a ranking. Needs a display (scripts/screenshot starts a private X
// server).
//
//   gui_screenshot SAMPLE OUTPUT.ppm [OPEN_BRANCHES]
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/window.h"
#include "widgets/dialogs.h"
#include "widgets/tree_browser.h"

// Opens the first `count` branches under the root, so the picture shows
// what a branch holds.
void openFirstBranches(letterfreq::TreeBrowser& tree, int count) {
  int opened = 0;
  for (size_t i = 0; i < tree.root()->childCount() && opened < count; ++i) {
    letterfreq::TreeNode* node = tree.root()->child(i);
    if (node->isBranch()) {
      tree.open(node);
      ++opened;
    }
  }
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: gui_screenshot SAMPLE OUTPUT.ppm [OPEN_BRANCHES]\n";
    return 2;
  }
  const int openBranches = argc > 3 ? std::atoi(argv[3]) : 2;
  bool failed = false;
  letterfreq::replaceDialogHandlers(
      {[&failed](const std::string& message) {
         std::cerr << "gui_screenshot: " << message << "\n";
         failed = true;
       },
       [](const std::string&) { return false; }, nullptr});

  letterfreq::Window window(letterfreq::WINDOW_WIDTH,
                            letterfreq::WINDOW_HEIGHT,
                            letterfreq::WINDOW_TITLE);
  window.sampleInput->value(argv[1]);
  window.goButton->do_callback();
  if (failed) return 1;

  if (std::ifstream(window.databaseInput->value()).good()) {
    window.openDbButton->do_callback();
    window.matchButton->do_callback();
    if (failed) return 1;
  }

  openFirstBranches(*window.sampleTree, openBranches);

  // Let the server map the window and the toolkit draw it.
  for (int i = 0; i < 50 && !window.shown(); ++i) Fl::wait(0.02);
  for (int i = 0; i < 10; ++i) Fl::wait(0.02);
  Fl::flush();

  window.make_current();
  const int w = window.w();
  const int h = window.h();
  std::unique_ptr<unsigned char[]> pixels(
      fl_read_image(nullptr, 0, 0, w, h));
  if (!pixels) {
    std::cerr << "gui_screenshot: the window could not be read\n";
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::cerr << "gui_screenshot: cannot write " << argv[2] << "\n";
    return 1;
  }
  std::fprintf(out, "P6\n%d %d\n255\n", w, h);
  const size_t size = static_cast<size_t>(w) * h * 3;
  const bool written = std::fwrite(pixels.get(), 1, size, out) == size;
  if (std::fclose(out) != 0 || !written) {
    std::cerr << "gui_screenshot: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
