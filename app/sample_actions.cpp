#include "app/sample_actions.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>

#include <exception>
#include <utility>

#include "app/answer_line.h"
#include "app/file_cause.h"
#include "app/profile_view.h"
#include "app/sample_meter.h"
#include "app/window.h"
#include "sample/sample_loader.h"
#include "widgets/dialogs.h"
#include "widgets/plain_label.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// What to do after a failed load, then which sample the window still
// uses: the tree shows it, and "Add entry" and "Match" use it.
std::string failureAdvice(const Window& window, const std::string& name) {
  std::string advice = isFileSample(name)
                           ? "Check the name, or pick the file with the "
                             "button beside \"Go\"."
                           : "Check the address and the connection.";
  if (window.sampleLoaded) {
    advice += "\nThe sample in use is still " + shownText(window.sampleSource) +
              ": \"Add entry\" and \"Match\" use it.";
  }
  return advice;
}

// The alert of a failed load: the fixed message, the reason an address
// failed or the file's name and the system's reason, then the advice.
std::string loadFailureText(const Window& window, const LoadedSample& loaded,
                            const std::string& name) {
  std::string text;
  if (loaded.threw) {
    text = loaded.failure;
  } else if (!loaded.outcome.failureReason.empty()) {
    text = loaded.failure + "\n" + shownText(loaded.outcome.failureReason);
  } else {
    text = withFileCause(loaded.failure, name, FileUse::Read);
  }
  return text + "\n" + failureAdvice(window, name);
}

// The one end of every successful load: the profile shown, its source
// remembered.
void showSample(Window& window, LoadedSample loaded, std::string source) {
  loaded.profile.sortOrder();
  window.sampleProfile = loaded.profile;
  window.sampleFeatures = std::move(loaded.features);
  window.sampleSource = std::move(source);
  window.countedLabel->copy_label(
      plainLabel(countedText(window.sampleSource)).c_str());
  window.countedLabel->redraw();
  clearAnswer(*window.answerLine);

  window.sampleTree->clear();
  showProfile(*window.sampleTree, nullptr, window.sampleProfile, 0,
              SHOW_SUMMARY);
  window.sampleLoaded = true;
}

}  // namespace

std::string countedText(const std::string& source) {
  return "Counted: " + shownText(source);
}

void loadNamedSample(Window& window, const std::string& name) {
  // Counted aside: a failed load keeps the shown sample and its profile
  // together, so "Add entry" and "Match" still use what the tree shows.
  LoadedSample loaded;
  try {
    loaded = loadSampleWithMeter(window, name, window.sampleLimits);
  } catch (const std::exception& error) {  // no thread or memory for it
    showAlert(std::string(error.what()) + "\n" + failureAdvice(window, name));
    return;
  }
  if (!loaded.ok) {
    if (loaded.cancelled()) return;  // the user stopped it: nothing to tell
    showAlert(loadFailureText(window, loaded, name));
    return;
  }
  showSample(window, std::move(loaded), name);
}

void loadAtStart(Window& window, const std::string& name) {
  window.sampleInput->value(name.c_str());
  Fl::add_timeout(
      0.0,
      [](void* data) {
        Window& shown = *static_cast<Window*>(data);
        loadNamedSample(shown, shown.sampleInput->value());
      },
      &window);
}

void useGivenText(Window& window, const std::string& text, GivenBy by) {
  showSample(window, countGivenText(text), givenTextName(by, text.size()));
}

void takeDeliveredText(Window& window, const std::string& text, GivenBy by) {
  const DeliveredText delivered = classifyDelivered(text);
  if (delivered.kind == DeliveredText::Kind::Text) {
    useGivenText(window, text, by);
    return;
  }
  window.sampleInput->value(delivered.name.c_str());
  loadNamedSample(window, delivered.name);
}

void chooseSampleCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  const std::string picked = chooseFile(CHOOSE_SAMPLE_TITLE);
  if (picked.empty()) return;  // the chooser was closed
  window.sampleInput->value(picked.c_str());
  loadNamedSample(window, picked);
}

}  // namespace letterfreq
