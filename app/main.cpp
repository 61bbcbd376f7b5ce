// Program entry: one window, the toolkit's event loop until it is closed.
#include <FL/Fl.H>

#include "app/window.h"

int main() {
  letterfreq::Window window(letterfreq::WINDOW_WIDTH, letterfreq::WINDOW_HEIGHT,
                            letterfreq::WINDOW_TITLE);
  return Fl::run();
}
