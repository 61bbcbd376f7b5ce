// letterfreq-cli languages: the languages of a database (by default the
// starter database) with their codes, entries and counted bytes, so that a
// script knows what detect and match can answer and what --only takes.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/output_text.h"
#include "profiles/candidates.h"
#include "profiles/database_load.h"

namespace letterfreq {

namespace {

struct LanguagesOptions {
  std::string database;
  bool json = false;
};

// The bytes counted in the entries read, which may exceed an int32.
int64_t countedBytes(const LoadedLanguage& language) {
  int64_t bytes = 0;
  for (const LoadedEntry& entry : language.entries) bytes += entry.totalCount;
  return bytes;
}

void printLanguage(const LoadedLanguage& language, const LanguageCodes& codes,
                   bool json, std::ostream& out) {
  if (!json) {
    out << escapedField(language.profile.name) << '\t'
        << (codes.tag.empty() ? "-" : codes.tag) << '\t'
        << (codes.iso6393.empty() ? "-" : codes.iso6393) << '\t'
        << language.entryCount << '\t' << countedBytes(language) << '\n';
    return;
  }
  nlohmann::json line = {{"id", language.profile.recordId},
                         {"entries", language.entryCount},
                         {"bytes", countedBytes(language)}};
  putText(line, "name", language.profile.name);
  putCodes(line, codes);
  writeJsonLine(out, line);
}

int runLanguages(LanguagesOptions options, CliContext& context) {
  if (!defaultToStarterDatabase(options.database, context.err)) return 1;
  DatabaseLoad loaded;
  if (!loadDatabaseArg(options.database, context.err, loaded)) return 1;
  const std::vector<LanguageCodes> codes = codesOfLanguages(loaded);
  for (size_t i = 0; i < loaded.languagesReached(); ++i) {
    printLanguage(loaded.languages[i], codes[i], options.json, context.out);
  }
  context.out.flush();
  return 0;
}

}  // namespace

void addLanguagesCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<LanguagesOptions>();
  CLI::App* command = app.add_subcommand(
      "languages",
      "List the database's languages, one a line: NAME, CODE (BCP 47), "
      "ISO 639-3 code (- where none is known), ENTRIES and the BYTES "
      "counted in them.");
  command->add_option("--db", options->database,
                      "The database file (default: the starter database)");
  command->add_flag("--json", options->json,
                    "Print one JSON object per language (JSON Lines)");
  command->callback([options, &context] {
    context.status = runLanguages(*options, context);
  });
}

}  // namespace letterfreq
