// Where the window's controls go. At the opening size every control is at
// its box below; a larger window gives a third of the extra width to the
// sample's column and the rest to the database's and the results' column,
// moving the middle controls along; the extra height goes to the sample's
// tree, and half each to "Hist-Tree!" and to the results below it (the
// match row and the answer line move down with them). Every field stays
// above its tree and every tree grows.
#pragma once

namespace letterfreq {

class Window;

struct ControlBox {
  int x, y, w, h;
};

// The controls at the opening size, left column first.
inline constexpr ControlBox SAMPLE_INPUT_BOX{20, 20, 115, 25};
inline constexpr ControlBox GO_BUTTON_BOX{138, 20, 35, 25};
inline constexpr ControlBox CHOOSE_BUTTON_BOX{176, 20, 44, 25};
inline constexpr ControlBox COUNTED_LABEL_BOX{20, 45, 200, 15};
inline constexpr ControlBox SAMPLE_TREE_BOX{20, 60, 200, 330};
inline constexpr ControlBox FRAME_BOX{225, 65, 110, 150};
inline constexpr ControlBox ADD_ENTRY_BOX{230, 70, 100, 25};
inline constexpr ControlBox LANGUAGE_LIST_BOX{230, 125, 100, 25};
inline constexpr ControlBox NAME_INPUT_BOX{230, 175, 100, 25};
inline constexpr ControlBox DATABASE_INPUT_BOX{350, 20, 150, 25};
inline constexpr ControlBox OPEN_DB_BOX{505, 20, 65, 25};
inline constexpr ControlBox HIST_TREE_BOX{350, 60, 225, 158};
inline constexpr ControlBox MATCH_BUTTON_BOX{230, 226, 70, 25};
inline constexpr ControlBox METHOD_MENU_BOX{303, 226, 272, 25};
inline constexpr ControlBox ANSWER_LINE_BOX{230, 253, 345, 24};
inline constexpr ControlBox RESULT_TREE_BOX{230, 278, 345, 112};

// `extraWidth` and `extraHeight`: how much larger than it opens.
void placeControls(Window& window, int extraWidth, int extraHeight);

}  // namespace letterfreq
