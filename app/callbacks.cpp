#include "app/callbacks.h"

#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_.H>

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "app/answer_line.h"
#include "app/database_messages.h"
#include "app/results_view.h"
#include "app/sample_actions.h"
#include "app/start_files.h"
#include "app/window.h"
#include "profiles/methods.h"
#include "widgets/dialogs.h"
#include "widgets/tree_browser.h"

namespace letterfreq {

void goCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  loadNamedSample(
      window, resolveStartName(window.sampleInput->value(), DEFAULT_SAMPLE));
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
  if (window.languageProfiles().empty()) {
    showResults(*window.resultTree, {});
    clearAnswer(*window.answerLine);
    showAlert(window.database ? NEED_LANGUAGES_TO_MATCH
                              : NEED_DATABASE_TO_MATCH);
    return;
  }
  // Without a sample the scores are not numbers, and the answer says
  // that nothing was counted.
  std::vector<MatchRow> rows;
  try {
    // A method's weights are made at its first match, from records that
    // may turn out damaged.
    rows = matchByMethod(
        *method, window.matchTarget(),
        window.sampleFeatures.with(window.sampleProfile.counts.data()));
  } catch (const std::exception& error) {
    std::cout << error.what() << std::endl;
    showResults(*window.resultTree, {});
    clearAnswer(*window.answerLine);
    showAlert(databaseFailureText(error.what(), window.database->fileName()));
    return;
  }
  showResults(
      *window.resultTree, rows,
      method->scoresAreShares ? ScoreStyle::Percent : ScoreStyle::Plain);
  showAnswer(*window.answerLine, rows, *method,
             window.sampleProfile.counts.data());
}

}  // namespace letterfreq
