// The sizes in which a TreeBrowser draws its rows, shared by the units of
// its implementation (nodes and scrolling, drawing and events).
#pragma once

#include <FL/Enumerations.H>

namespace letterfreq {
namespace tree_metrics {

constexpr int ROW_HEIGHT = 20;
constexpr int INDENT = 16;       // width of one level's connector column
constexpr int MARGIN = 4;        // left of the first column
constexpr int GAP = 4;           // between a label and what follows it
constexpr int BAR_GAP = 3;       // before and after a bar
constexpr int FLAT_MARGIN = 3;   // left of a flat list
constexpr int EXPANDER = 9;      // the [+]/[-] box
constexpr int VALUE_WIDTH = 25;  // the white box behind a number
constexpr int BAR_WIDTH = 75;    // a bar when there is room for it
constexpr int MIN_BAR_WIDTH = 12;   // a bar in a narrow tree
constexpr int MIN_NAME_WIDTH = 24;  // a shortened name in a narrow tree
constexpr int END_MARGIN = 2;       // right of the last column
constexpr int BAR_HEIGHT = 15;
constexpr Fl_Font TEXT_FONT = FL_HELVETICA;

}  // namespace tree_metrics
}  // namespace letterfreq
