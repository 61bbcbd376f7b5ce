#include "app/database_actions.h"

#include <FL/Fl_Input.H>

#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "app/answer_line.h"
#include "app/callbacks.h"
#include "app/database_messages.h"
#include "app/database_view.h"
#include "app/start_files.h"
#include "app/window.h"
#include "profiles/entry_add.h"
#include "profiles/language_detector.h"
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
  showAlert(databaseFailureText(text, fileName));
  window.histTree->clear();  // its rows borrow from the load: first
  window.database.reset();
  window.databaseLoaded = false;
  window.replaceDatabaseLoad(DatabaseLoad());
  window.languageList->clear();
  window.histTree->addLeaf(nullptr, PLEASE_OPEN_TEXT);
  window.histTree->redraw();
}

bool fileExists(const std::string& name) {
  std::error_code error;
  return std::filesystem::symlink_status(name, error).type() !=
         std::filesystem::file_type::not_found;
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
  clearAnswer(*window.answerLine);
  window.databaseLoaded = loadDatabase(window);
  // The best answer first: the best method the database's data supports
  // when that is more than the counts, else the usual start.
  const MatchMethod& best = bestDetectionMethod(window.databaseLoad);
  window.chooseMethod(best.features != NO_FEATURES ? best.code
                                                   : DEFAULT_METHOD_CODE);
}

bool loadDatabase(Window& window) {
  if (!window.database) return false;
  ProgressMeter meter(LOADING_TITLE);
  meter.start(&window);
  LoadHooks hooks;
  hooks.progress = [&meter](float value, const std::string& message) {
    return meter.step(value, message);
  };
  hooks.warning = [](const std::string& text) {
    showAlert(loadWarningText(text));
  };
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
  const std::string name =
      resolveStartName(window.databaseInput->value(), DEFAULT_DATABASE);
  // A name that names nothing makes a database only when the user says so:
  // a typo must not leave an empty file behind.
  const bool isNew = !name.empty() && !fileExists(name);
  if (isNew && !askQuestion(newDatabaseQuestion(name))) return;
  openDatabase(window, name);
  if (isNew && window.databaseLoaded) {
    window.histTree->addLeaf(nullptr, escapedPath(newDatabaseText(name)));
    window.histTree->redraw();
  }
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
    // The source is where the shown profile was counted from, whatever
    // the sample field holds by now.
    storeEntry(*window.database,
               {language, window.nameInput->value(), window.sampleSource},
               window.sampleProfile,
               encodeFeatureBlocks(window.sampleFeatures));
  } catch (const std::exception& error) {
    // Nothing was written; the database stays as it was loaded.
    std::cout << error.what() << std::endl;
    showAlert(databaseFailureText(error.what(), window.database->fileName()) +
              "\nThe entry was not added.");
    return;
  }
  loadDatabase(window);  // its result leaves databaseLoaded as it is
  showNewestEntry(*window.histTree, language);
}

}  // namespace letterfreq
