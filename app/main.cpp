// Program entry: one window, the toolkit's event loop until it is closed.
// `letterfreq FILE|URL` counts that sample as soon as the window is up.
#include <FL/Fl.H>

#include <cstring>
#include <iostream>

#include "app/sample_actions.h"
#include "app/window.h"

namespace {

constexpr const char* USAGE =
    "Usage: letterfreq [FILE|URL]\n"
    "Opens the Letter Frequency window. A FILE, or an http:// or https://\n"
    "address, is counted as the sample at once, as \"Go\" counts it.\n"
    "Names typed in the window are found from the folder it was started in;\n"
    "the default names sample.txt and ling2.db find your own copies of the\n"
    "bundled sample and starter database when that folder has none.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 &&
      (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
    std::cout << USAGE;
    return 0;
  }
  if (argc > 2) {
    std::cerr << "letterfreq: one sample at most, " << argc - 1
              << " were given\n"
              << USAGE;
    return 2;
  }
  letterfreq::Window window(letterfreq::WINDOW_WIDTH, letterfreq::WINDOW_HEIGHT,
                            letterfreq::WINDOW_TITLE);
  if (argc == 2) letterfreq::loadAtStart(window, argv[1]);
  return Fl::run();
}
