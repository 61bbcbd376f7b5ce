#include "app/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_Button.H>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/callbacks.h"
#include "app/sample_actions.h"
#include "app/window_layout.h"
#include "profiles/feature_sets.h"
#include "profiles/methods.h"
#include "widgets/combo_list.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// Enter acts also when the text is unchanged: the plain enter-key flag
// would ignore Enter on the default file name.
Fl_Input* makeInput(const ControlBox& b, const char* label, const char* text,
                    Fl_Callback* callback, void* window) {
  auto* input = new Fl_Input(b.x, b.y, b.w, b.h, label);
  input->value(text);
  input->callback(callback, window);
  input->when(FL_WHEN_ENTER_KEY_ALWAYS);
  return input;
}

Fl_Button* makeButton(const ControlBox& b, const char* label,
                      Fl_Callback* callback, void* window) {
  auto* button = new Fl_Button(b.x, b.y, b.w, b.h, label);
  button->callback(callback, window);
  return button;
}

TreeBrowser* makeTree(const ControlBox& b, const char* rootLabel) {
  auto* tree = new TreeBrowser(b.x, b.y, b.w, b.h, rootLabel);
  setupTree(*tree);
  return tree;
}

// A line of text, left-aligned, cut at its box.
Fl_Box* makeLine(const ControlBox& b, int textSize) {
  auto* line = new Fl_Box(b.x, b.y, b.w, b.h);
  line->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  line->labelsize(textSize);
  return line;
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
  std::string tip = name ? name : "";
  // A greyed item cannot show a tip of its own: the menu's tells why.
  for (int i = 0; i + 1 < methodMenu.size(); ++i) {
    const Fl_Menu_Item& item = methodMenu.menu()[i];
    const MatchMethod* method = findMethod(static_cast<int>(item.argument()));
    if (item.active() || method == nullptr) continue;
    tip += std::string("\nNot offered: ") + method->name + " (" +
           featureSet(method->features).noDataWarning + ")";
  }
  methodMenu.copy_tooltip(tip.c_str());
  methodMenu.copy_label(name ? name : "");
  methodMenu.redraw();
}

void setupTree(TreeBrowser& tree) { tree.showRoot(false); }

namespace {

// One radio item per method, the default on; its label and tooltip name
// it.
Fl_Menu_Button* makeMethodMenu(const ControlBox& b) {
  auto* menu = new Fl_Menu_Button(b.x, b.y, b.w, b.h);
  menu->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
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
  histTree = makeTree(HIST_TREE_BOX, "Hist-Tree!");
  histTree->addLeaf(nullptr, READY_TEXT);
  sampleTree = makeTree(SAMPLE_TREE_BOX, "Tree!");

  sampleInput =
      makeInput(SAMPLE_INPUT_BOX, nullptr, DEFAULT_SAMPLE, goCallback, this);
  databaseInput = makeInput(DATABASE_INPUT_BOX, nullptr, DEFAULT_DATABASE,
                            openDbCallback, this);

  goButton = makeButton(GO_BUTTON_BOX, "Go", goCallback, this);
  openDbButton = makeButton(OPEN_DB_BOX, "Open DB", openDbCallback, this);

  frameBox = new Fl_Box(FRAME_BOX.x, FRAME_BOX.y, FRAME_BOX.w, FRAME_BOX.h, "");
  frameBox->box(FL_BORDER_BOX);

  addEntryButton =
      makeButton(ADD_ENTRY_BOX, "Add entry @->", addEntryCallback, this);

  const ControlBox& l = LANGUAGE_LIST_BOX;
  languageList = new ComboList(l.x, l.y, l.w, l.h, "Language:");
  languageList->align(FL_ALIGN_TOP);

  nameInput = makeInput(NAME_INPUT_BOX, "Name:", "", addEntryCallback, this);
  nameInput->align(FL_ALIGN_TOP);

  matchButton = makeButton(MATCH_BUTTON_BOX, "Match", matchCallback, this);
  methodMenu = makeMethodMenu(METHOD_MENU_BOX);

  resultTree = makeTree(RESULT_TREE_BOX, nullptr);
  // Made last of the first row's controls: the keyboard reaches it after
  // "Go", and the window's layout lists it beside "Go".
  chooseButton =
      makeButton(CHOOSE_BUTTON_BOX, "@fileopen", chooseSampleCallback, this);
  countedLabel = makeLine(COUNTED_LABEL_BOX, SMALL_TEXT_SIZE);
  answerLine = makeLine(ANSWER_LINE_BOX, FL_NORMAL_SIZE);
  answerLine->labelfont(FL_BOLD);

  sampleInput->tooltip(SAMPLE_TOOLTIP);
  databaseInput->tooltip(DATABASE_TOOLTIP);
  chooseButton->tooltip(CHOOSE_SAMPLE_TOOLTIP);

  end();
  // No child scales with the window: resize() places them itself.
  resizable(nullptr);
  size_range(WINDOW_WIDTH, WINDOW_HEIGHT);
  callback(windowCallback);
  show();
}

void Window::resize(int x, int y, int width, int height) {
  width = std::max(width, WINDOW_WIDTH);
  height = std::max(height, WINDOW_HEIGHT);
  Fl_Double_Window::resize(x, y, width, height);
  placeControls(*this, width - WINDOW_WIDTH, height - WINDOW_HEIGHT);
}

int Window::handle(int event) {
  switch (event) {
    case FL_PASTE:
      // A drop or Ctrl+V outside the text fields; images are not text.
      if (Fl::event_clipboard_type() &&
          !std::strcmp(Fl::event_clipboard_type(), Fl::clipboard_image)) {
        return 0;
      }
      takeDeliveredText(*this,
                        std::string(Fl::event_text(), Fl::event_length()),
                        pasting_ ? GivenBy::Paste : GivenBy::Drop);
      pasting_ = false;
      return 1;
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
    case FL_DND_RELEASE:
      // A text field takes what is dropped on it; the rest of the window
      // takes it as the sample.
      Fl_Double_Window::handle(event);
      pasting_ = false;
      return 1;
    case FL_KEYBOARD:
      if (Fl::event_state(FL_CTRL) && Fl::event_key() == 'v' &&
          dynamic_cast<Fl_Input_*>(Fl::focus()) == nullptr) {
        pasting_ = true;
        Fl::paste(*this, 1);  // the clipboard, not the selection
        return 1;
      }
      break;
    default:
      break;
  }
  return Fl_Double_Window::handle(event);
}

int Window::methodCode() const { return methodMenu->value(); }

void Window::chooseMethod(int code) {
  // As a pick does: the radio mark on the method's item, and the item
  // whose index is the code made current.
  for (int i = 0; i + 1 < methodMenu->size(); ++i) {
    const Fl_Menu_Item& item = methodMenu->menu()[i];
    const bool chosen = item.argument() == code;
    methodMenu->mode(i, FL_MENU_RADIO | (chosen ? FL_MENU_VALUE : 0) |
                            (item.flags & FL_MENU_INACTIVE));
  }
  methodMenu->value(code);
  showMethodTooltip(*methodMenu);
}

void Window::offerMethods() {
  // Before any language is loaded there is nothing to tell: all offered.
  const bool loaded = databaseLoad.languagesReached() > 0;
  for (int i = 0; i + 1 < methodMenu->size(); ++i) {
    const Fl_Menu_Item& item = methodMenu->menu()[i];
    const MatchMethod* method = findMethod(static_cast<int>(item.argument()));
    const bool withoutData =
        loaded && method != nullptr && method->features != NO_FEATURES &&
        !databaseLoad.features.of(method->features).carriesData();
    methodMenu->mode(i, (item.flags & ~FL_MENU_INACTIVE) |
                            (withoutData ? FL_MENU_INACTIVE : 0));
  }
  showMethodTooltip(*methodMenu);
}

void Window::replaceDatabaseLoad(DatabaseLoad load) {
  matchTarget_.reset();  // it borrows from the load replaced now
  databaseLoad = std::move(load);
  offerMethods();
}

const MatchTarget& Window::matchTarget() {
  if (!matchTarget_) {
    matchTarget_ = std::make_unique<MatchTarget>(languageProfiles(),
                                                 databaseLoad.features);
  }
  return *matchTarget_;
}

}  // namespace letterfreq
