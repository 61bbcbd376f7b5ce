#include "app/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <algorithm>
#include <cstdint>

#include "app/callbacks.h"
#include "app/window_layout.h"
#include "profiles/methods.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// Enter acts also when the text is unchanged: the plain enter-key flag
// would ignore Enter on the default file name.
Fl_Input* makeInput(int x, int y, int w, int h, const char* label,
                    const char* text, Fl_Callback* callback, void* window) {
  auto* input = new Fl_Input(x, y, w, h, label);
  input->value(text);
  input->callback(callback, window);
  input->when(FL_WHEN_ENTER_KEY_ALWAYS);
  return input;
}

// The window's own callback: its close box hides it, Escape does nothing
// (the toolkit's default would close the program at once).
void windowCallback(Fl_Widget* window, void*) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  window->hide();
}

}  // namespace

void showMethodTooltip(Fl_Menu_& methodMenu) {
  // The current item's index is the method code.
  const char* name = methodName(methodMenu.value());
  methodMenu.tooltip(name ? name : "");
}

void setupTree(TreeBrowser& tree) { tree.showRoot(false); }

namespace {

// One radio item per method, the default on; its tooltip names it.
Fl_Menu_Button* makeMethodMenu(int x, int y, int w, int h) {
  auto* menu = new Fl_Menu_Button(x, y, w, h);
  for (const MatchMethod& method : MATCH_METHODS) {
    const bool initial = method.code == DEFAULT_METHOD_CODE;
    menu->add(method.name, 0, methodCallback,
              reinterpret_cast<void*>(intptr_t{method.code}),
              FL_MENU_RADIO | (initial ? FL_MENU_VALUE : 0));
  }
  menu->value(DEFAULT_METHOD_CODE);
  showMethodTooltip(*menu);
  return menu;
}

}  // namespace

Window::Window(int width, int height, const char* title)
    : Fl_Double_Window(width, height, title) {
  histTree = new TreeBrowser(HIST_TREE_BOX.x, HIST_TREE_BOX.y, HIST_TREE_BOX.w,
                             HIST_TREE_BOX.h, "Hist-Tree!");
  setupTree(*histTree);
  histTree->addLeaf(nullptr, READY_TEXT);

  sampleTree = new TreeBrowser(SAMPLE_TREE_BOX.x, SAMPLE_TREE_BOX.y,
                               SAMPLE_TREE_BOX.w, SAMPLE_TREE_BOX.h, "Tree!");
  setupTree(*sampleTree);

  sampleInput =
      makeInput(20, 20, 150, 25, nullptr, DEFAULT_SAMPLE, goCallback, this);
  databaseInput = makeInput(350, 20, 150, 25, nullptr, DEFAULT_DATABASE,
                            openDbCallback, this);

  goButton = new Fl_Button(175, 20, 35, 25, "Go");
  goButton->callback(goCallback, this);
  openDbButton = new Fl_Button(505, 20, 65, 25, "Open DB");
  openDbButton->callback(openDbCallback, this);

  frameBox = new Fl_Box(225, 65, 110, 150, "");
  frameBox->box(FL_BORDER_BOX);

  addEntryButton = new Fl_Button(230, 70, 100, 25, "Add entry @->");
  addEntryButton->callback(addEntryCallback, this);

  languageList = new ComboList(230, 125, 100, 25, "Language:");
  languageList->align(FL_ALIGN_TOP);

  nameInput = makeInput(230, 175, 100, 25, "Name:", "", addEntryCallback, this);
  nameInput->align(FL_ALIGN_TOP);

  matchButton = new Fl_Button(230, 230, 70, 25, "Match");
  matchButton->callback(matchCallback, this);

  methodMenu = makeMethodMenu(300, 230, 30, 25);

  resultTree = new TreeBrowser(RESULT_TREE_BOX.x, RESULT_TREE_BOX.y,
                               RESULT_TREE_BOX.w, RESULT_TREE_BOX.h);
  setupTree(*resultTree);
  // Smaller text and scrollbar: name, bar and score share 100 pixels.
  resultTree->textSize(RESULT_TEXT_SIZE);
  resultTree->scrollbarSize(RESULT_SCROLLBAR_SIZE);

  sampleInput->tooltip(SAMPLE_TOOLTIP);
  databaseInput->tooltip(DATABASE_TOOLTIP);

  end();
  // No child scales with the window: resize() places the trees itself.
  resizable(nullptr);
  size_range(WINDOW_WIDTH, WINDOW_HEIGHT);
  callback(windowCallback);
  show();
}

void Window::resize(int x, int y, int width, int height) {
  width = std::max(width, WINDOW_WIDTH);
  height = std::max(height, WINDOW_HEIGHT);
  Fl_Double_Window::resize(x, y, width, height);
  placeTrees(*this, width - WINDOW_WIDTH, height - WINDOW_HEIGHT);
}

int Window::methodCode() const { return methodMenu->value(); }

void Window::replaceDatabaseLoad(DatabaseLoad load) {
  matchTarget_.reset();  // it borrows from the load replaced now
  databaseLoad = std::move(load);
}

const MatchTarget& Window::matchTarget() {
  if (!matchTarget_) {
    matchTarget_ = std::make_unique<MatchTarget>(languageProfiles(),
                                                 databaseLoad.features);
  }
  return *matchTarget_;
}

}  // namespace letterfreq
