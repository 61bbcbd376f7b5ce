#include "app/callbacks.h"

#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_.H>

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "app/file_cause.h"
#include "app/profile_view.h"
#include "app/results_view.h"
#include "app/sample_meter.h"
#include "app/window.h"
#include "profiles/methods.h"
#include "widgets/dialogs.h"
#include "widgets/shown_text.h"
#include "widgets/tree_browser.h"

namespace letterfreq {

namespace {

// The alert of a failed load: the fixed message, then on a second line
// the reason an address failed, or the file's name and the system's
// reason.
std::string loadFailureText(const LoadedSample& loaded,
                            const std::string& sampleText) {
  if (loaded.threw) return loaded.failure;
  if (!loaded.outcome.failureReason.empty()) {
    return loaded.failure + "\n" + shownText(loaded.outcome.failureReason);
  }
  return withFileCause(loaded.failure, sampleText, FileUse::Read);
}

}  // namespace

void goCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  const std::string sampleText = window.sampleInput->value();
  // Counted aside: a failed load keeps the shown sample and its profile
  // together, so "Add entry" and "Match" still use what the tree shows.
  LoadedSample loaded;
  try {
    loaded = loadSampleWithMeter(window, sampleText, window.sampleLimits);
  } catch (const std::exception& error) {  // no thread or memory for it
    showAlert(error.what());
    return;
  }
  if (!loaded.ok) {
    if (loaded.cancelled()) return;  // the user stopped it: nothing to tell
    showAlert(loadFailureText(loaded, sampleText));
    return;
  }
  loaded.profile.sortOrder();
  window.sampleProfile = loaded.profile;
  window.sampleFeatures = std::move(loaded.features);

  window.sampleTree->clear();
  showProfile(*window.sampleTree, nullptr, window.sampleProfile, 0,
              SHOW_SUMMARY);
  window.sampleLoaded = true;
}

void methodCallback(Fl_Widget* menu, void* data) {
  auto* methods = static_cast<Fl_Menu_*>(menu);
  const intptr_t index = reinterpret_cast<intptr_t>(data);
  // Index size() - 1 is the end marker: picking "N-gram Likelihood" (7)
  // makes it current, which only records the code.
  if (index < 0 || index >= methods->size()) return;
  methods->value(static_cast<int>(index));
  showMethodTooltip(*methods);
}

// ---------------------------------------------------------------------
// openDbCallback and addEntryCallback live in app/database_actions.cpp.

void matchCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  const MatchMethod* method = findMethod(window.methodCode());
  // A code that is no method does nothing, not even clear the results.
  if (method == nullptr) return;
  // Neither a sample nor a database is needed: without them the scores are
  // not numbers, or there are no languages to list.
  showResults(*window.resultTree,
              matchByMethod(*method, window.matchTarget(),
                            window.sampleFeatures.with(
                                window.sampleProfile.counts.data())),
              method->scoresAreShares ? ScoreStyle::Percent
                                      : ScoreStyle::Plain);
}

}  // namespace letterfreq
