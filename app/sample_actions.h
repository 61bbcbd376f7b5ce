// Every way the window takes a sample: a name typed in the sample field
// ("Go"), a file picked in the chooser, a file or address named at start,
// text pasted or dropped. Each ends in the same step, which shows the
// counted profile and remembers where it came from: "Add entry" stores
// that source, whatever the sample field holds by then.
#pragma once

#include <string>

#include "app/given_text.h"

class Fl_Widget;

namespace letterfreq {

class Window;

inline constexpr const char* CHOOSE_SAMPLE_TITLE = "Choose a sample file";
inline constexpr const char* CHOOSE_SAMPLE_TOOLTIP =
    "Choose a sample file (or drop a file or text on the window, or paste "
    "text with Ctrl+V)";

// The line above the sample's tree: "Counted: sample.txt".
std::string countedText(const std::string& source);

// Loads the file or address `name` (under the meter) and shows it; on
// failure an alert that also says which sample stays in use.
void loadNamedSample(Window& window, const std::string& name);

// The sample named on the command line: put in the sample field and
// loaded once the event loop runs, so that the window is up first.
void loadAtStart(Window& window, const std::string& name);

// Counts `text` as the sample ("pasted text, 213 bytes").
void useGivenText(Window& window, const std::string& text, GivenBy by);

// What a drop or a paste delivered: a file's URI list ("file:///a.txt"),
// an address, or plain text.
void takeDeliveredText(Window& window, const std::string& text, GivenBy by);

// The chooser button: a sample file picked in the file chooser.
void chooseSampleCallback(Fl_Widget* widget, void* window);

}  // namespace letterfreq
