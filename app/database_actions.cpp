#include "app/database_actions.h"

#include <FL/Fl_Input.H>

#include <exception>
#include <iostream>
#include <memory>

#include "app/callbacks.h"
#include "app/database_view.h"
#include "app/file_cause.h"
#include "app/window.h"
#include "profiles/entry_add.h"
#include "widgets/combo_list.h"
#include "widgets/dialogs.h"
#include "widgets/progress_meter.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

// The engine's text on standard output and in an alert, there with the
// file's name and the system's reason; the database is closed and nothing
// of it stays on show.
void databaseFailed(Window& window, const std::string& text,
                    std::string fileName) {
  std::cout << text << std::endl;
  showAlert(withFileCause(text, fileName, FileUse::ReadWrite));
  window.histTree->clear();  // its rows borrow from the load: first
  window.database.reset();
  window.databaseLoaded = false;
  window.replaceDatabaseLoad(DatabaseLoad());
  window.languageList->clear();
  window.histTree->addLeaf(nullptr, PLEASE_OPEN_TEXT);
  window.histTree->redraw();
}

}  // namespace

void openDatabase(Window& window, const std::string& fileName) {
  window.database.reset();  // the previous file is released first
  try {
    window.database = std::make_unique<RecordFile>(fileName);
  } catch (const std::exception& error) {
    databaseFailed(window, error.what(), fileName);
    return;
  }
  window.languageList->value(std::string());
  window.histTree->clear();
  window.histTree->redraw();
  window.databaseLoaded = loadDatabase(window);
}

bool loadDatabase(Window& window) {
  if (!window.database) return false;
  ProgressMeter meter(LOADING_TITLE);
  meter.start(&window);
  LoadHooks hooks;
  hooks.progress = [&meter](float value, const std::string& message) {
    return meter.step(value, message);
  };
  hooks.warning = [](const std::string& text) { askQuestion(text); };
  window.languageList->clear();
  // The rows borrow from the load that is replaced now.
  window.histTree->clear();
  window.replaceDatabaseLoad(DatabaseLoad());

  try {
    window.replaceDatabaseLoad(loadDatabase(*window.database, hooks));
  } catch (const std::exception& error) {
    meter.finish();
    databaseFailed(window, error.what(), window.database->fileName());
    return false;
  }

  DatabaseLoad& load = window.databaseLoad;
  for (size_t i = 0; i < load.languagesReached(); ++i) {
    window.languageList->add(load.languages[i].profile.name);
  }
  // The tree is filled once, after the load: never redrawn per entry.
  if (load.outcome == LoadOutcome::Cancelled) {
    showLoadCancelled(*window.histTree);
  } else {
    showDatabase(*window.histTree, load, window.database->fileName());
  }
  window.histTree->redraw();
  meter.finish();
  return load.outcome == LoadOutcome::Complete;
}

void openDbCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  openDatabase(window, window.databaseInput->value());
}

void addEntryCallback(Fl_Widget*, void* data) {
  Window& window = *static_cast<Window*>(data);
  const char* typed = window.languageList->value();
  const std::string language = typed ? typed : "";
  const bool databaseOpen = window.databaseLoaded && window.database;
  if (const char* refusal =
          entryRefusal(window.sampleLoaded, databaseOpen, language)) {
    showAlert(refusal);
    return;
  }
  try {
    storeEntry(*window.database,
               {language, window.nameInput->value(),
                window.sampleInput->value()},
               window.sampleProfile,
               window.sampleFeatures.of(NGRAM_FEATURES).counts);
  } catch (const std::exception& error) {
    // Nothing was written; the database stays as it was loaded.
    std::cout << error.what() << std::endl;
    showAlert(withFileCause(error.what(), window.database->fileName(),
                            FileUse::ReadWrite));
    return;
  }
  loadDatabase(window);  // its result leaves databaseLoaded as it is
  showNewestEntry(*window.histTree, language);
}

}  // namespace letterfreq
