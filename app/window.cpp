#include "app/window.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <cstdint>

#include "app/callbacks.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

struct MethodItem {
  const char* label;
  intptr_t code;  // the item's user data
  int flags;
};

constexpr MethodItem METHOD_ITEMS[] = {
    {"Difference", 1, FL_MENU_RADIO},
    {"One Std Deviation", 2, FL_MENU_RADIO},
    {"Two Std Deviations", 3, FL_MENU_RADIO},
    {"Three Std Deviations", 4, FL_MENU_RADIO | FL_MENU_VALUE},
    {"Four Std Deviations", 5, FL_MENU_RADIO},
    {"Tendency Pull", 6, FL_MENU_RADIO},
    {"N-gram Likelihood", 7, FL_MENU_RADIO},
};

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

}  // namespace

void setupTree(TreeBrowser& tree) { tree.showRoot(false); }

Window::Window(int width, int height, const char* title)
    : Fl_Double_Window(width, height, title) {
  histTree = new TreeBrowser(350, 60, 225, 330, "Hist-Tree!");
  setupTree(*histTree);
  histTree->addLeaf(nullptr, READY_TEXT);

  sampleTree = new TreeBrowser(20, 60, 200, 330, "Tree!");
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

  methodMenu = new Fl_Menu_Button(300, 230, 30, 25);
  for (const MethodItem& item : METHOD_ITEMS) {
    methodMenu->add(item.label, 0, methodCallback,
                    reinterpret_cast<void*>(item.code), item.flags);
  }
  methodMenu->value(INITIAL_METHOD_CODE);

  resultTree = new TreeBrowser(230, 265, 100, 100);
  setupTree(*resultTree);
  // Smaller text and scrollbar: name, bar and score share 100 pixels.
  resultTree->textSize(RESULT_TEXT_SIZE);
  resultTree->scrollbarSize(RESULT_SCROLLBAR_SIZE);

  end();
  show();
}

int Window::methodCode() const { return methodMenu->value(); }

}  // namespace letterfreq
