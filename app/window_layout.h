// Where the window's trees go when it is larger than it opens: the extra
// height goes to all three trees, the extra width to the result tree (two
// thirds) and "Hist-Tree!" (one third, which moves it right). The controls
// never move; at the opening size every tree is where the window made it.
#pragma once

namespace letterfreq {

class Window;

struct TreeBox {
  int x, y, w, h;
};
// The trees at the opening size.
inline constexpr TreeBox SAMPLE_TREE_BOX{20, 60, 200, 330};
inline constexpr TreeBox RESULT_TREE_BOX{230, 265, 100, 100};
inline constexpr TreeBox HIST_TREE_BOX{350, 60, 225, 330};

// `extraWidth` and `extraHeight`: how much larger than it opens.
void placeTrees(Window& window, int extraWidth, int extraHeight);

}  // namespace letterfreq
