// letterfreq-cli show: loads a database as "Open DB" does and prints its
// languages, their entries and the totals. It never creates the file.
// When the load stops at an entry without its arrays, what was loaded up to
// there is printed (the last language and the totals summed so far), after
// the warning on standard error, as the window shows its partial tree.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/json_float.h"
#include "util/float_text.h"
#include "cli/output_text.h"
#include "profiles/database_load.h"

namespace letterfreq {

namespace {

struct ShowOptions {
  std::string database;
  bool json = false;
};

// A profile as the window shows it: ordered and totalled. A language the
// load ended in was never completed, so a copy is.
LetterProfile shownProfile(const LetterProfile& profile, bool done) {
  if (done) return profile;
  LetterProfile copy = profile;
  copy.sortOrder();
  copy.computeTotals();
  return copy;
}

void printText(const DatabaseLoad& loaded, const LetterProfile& totals,
               std::ostream& out) {
  for (size_t i = 0; i < loaded.languagesReached(); ++i) {
    const LoadedLanguage& language = loaded.languages[i];
    const LetterProfile profile =
        shownProfile(language.profile, language.profileDone);
    out << "language\t" << escapedField(profile.name) << "\t" << profile.recordId << "\t"
        << language.entryCount << "\t" << profile.totalCount << "\t"
        << profile.usedCount << "\n";
    for (const LoadedEntry& entry : language.entries) {
      out << "entry\t" << entry.id << "\t" << escapedField(entry.name) << "\t"
          << entry.totalCount << "\t" << entry.usedCount
          << "\n";
    }
  }
  out << "totals\t" << totals.totalCount << "\t" << totals.usedCount << "\n";
}

void printJson(const DatabaseLoad& loaded, const LetterProfile& totals,
               std::ostream& out) {
  nlohmann::json languages = nlohmann::json::array();
  for (size_t i = 0; i < loaded.languagesReached(); ++i) {
    const LoadedLanguage& language = loaded.languages[i];
    const LetterProfile profile =
        shownProfile(language.profile, language.profileDone);
    nlohmann::json entries = nlohmann::json::array();
    for (const LoadedEntry& entry : language.entries) {
      nlohmann::json shown = {{"id", entry.id},
                              {"total", entry.totalCount},
                              {"used", entry.usedCount}};
      putText(shown, "name", entry.name);
      entries.push_back(std::move(shown));
    }
    nlohmann::json stdDevs = nlohmann::json::array();
    for (float value : profile.stdDevs) stdDevs.push_back(jsonFloat(value));
    nlohmann::json shown = {{"id", profile.recordId},
                            {"entryCount", language.entryCount},
                            {"entries", std::move(entries)},
                            {"total", profile.totalCount},
                            {"used", profile.usedCount},
                            {"counts", profile.counts},
                            {"stdDevs", std::move(stdDevs)}};
    putText(shown, "name", profile.name);
    languages.push_back(std::move(shown));
  }
  const nlohmann::json whole = {
      {"complete", loaded.outcome == LoadOutcome::Complete},
      {"languages", std::move(languages)},
      {"totals",
       {{"total", totals.totalCount},
        {"used", totals.usedCount},
        {"counts", totals.counts}}}};
  writeJsonLine(out, whole);
}

int runShow(const ShowOptions& options, CliContext& context) {
  DatabaseLoad loaded;
  if (!loadDatabaseArg(options.database, context.err, loaded)) return 1;
  const LetterProfile totals =
      shownProfile(loaded.totals, loaded.outcome == LoadOutcome::Complete);
  if (options.json) {
    printJson(loaded, totals, context.out);
  } else {
    printText(loaded, totals, context.out);
  }
  return 0;
}

}  // namespace

void addShowCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* command = app.add_subcommand(
      "show",
      "Load the database as \"Open DB\" does and print its languages, their "
      "entries and the totals.");
  command->add_option("--db", options->database, "The database file")
      ->required();
  command->add_flag("--json", options->json, "Print one JSON object");
  command->callback([options, &context] {
    context.status = runShow(*options, context);
  });
}

}  // namespace letterfreq
