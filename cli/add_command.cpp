// letterfreq-cli add: stores each sample as one new entry of a language,
// as "Add entry" does with that sample loaded. Every sample is counted
// before anything is written; then one pass over the database's record
// heads finds what a load would warn of and the languages and ids to use,
// and the records of all entries go to the file in one append, so a
// failure leaves it as it was.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "cli/sample_warnings.h"
#include "db/record_file.h"
#include "profiles/entry_add.h"
#include "profiles/feature_sets.h"
#include "profiles/language_codes.h"

namespace letterfreq {

namespace {

// "n-grams, n-gram-tables": the names --store takes.
std::string featureSetNames() {
  std::string names;
  for (const FeatureSet& set : FEATURE_SETS) {
    names += (names.empty() ? "" : ", ") + std::string(set.name);
  }
  return names;
}

struct AddOptions {
  std::string database;
  std::string language;
  std::string name;
  std::string code;  // the language's code, stored with each entry
  bool json = false;
  bool ngrams = false;  // store n-gram lists even in a database without them
  // Feature sets, by name, to store even in a database without them.
  std::vector<std::string> store;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  std::vector<std::string> samples;
};

// Counts a sample as the window's "Go" does: counted, then ordered; the
// blocks of every feature set made in the same pass. A sample that arrived cut
// short, as an error page or as nothing fails too: a training database
// must not learn from it.
bool countSample(const std::string& text, const SampleLimits& limits,
                 std::istream& in, LetterProfile& profile,
                 SampleFeatures& features, FeatureBlocks& blocks,
                 std::string& failure) {
  SampleOutcome outcome;
  CountingPass pass;
  features.attachAll(pass);
  if (!loadSampleArg(text, in, profile, &failure, pass, limits, &outcome)) {
    failure = failureText(failure, outcome);
    return false;
  }
  const std::string refusal = addRefusal(outcome, profile);
  if (!refusal.empty()) {
    failure = refusal + "; nothing was added";
    return false;
  }
  profile.sortOrder();
  blocks = encodeFeatureBlocks(features);
  return true;
}

// Counts every sample first, so that a sample that cannot be read writes
// nothing; false after telling which one failed.
bool countSamples(const AddOptions& options, CliContext& context,
                  std::vector<LetterProfile>& samples,
                  std::vector<FeatureBlocks>& blocks) {
  samples.resize(options.samples.size());
  blocks.resize(options.samples.size());
  SampleFeatures features;
  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  for (size_t k = 0; k < options.samples.size(); ++k) {
    std::string failure;
    if (!countSample(options.samples[k], limits, context.in, samples[k],
                     features, blocks[k], failure)) {
      printSampleFailure(options.samples[k], failure, context.err);
      return false;
    }
  }
  return true;
}

void printAdded(const AddOptions& options, const EntryRecords& added,
                const std::string& sample, std::ostream& out) {
  const Record& entryRecord = added.records[added.newLanguage ? 1 : 0];
  const std::string name(reinterpret_cast<const char*>(entryRecord.data()));
  if (options.json) {
    nlohmann::json line = {{"id", added.entryId},
                           {"languageId", added.languageId},
                           {"newLanguage", added.newLanguage}};
    putText(line, "language", options.language);
    if (!options.code.empty()) line["code"] = options.code;
    putText(line, "name", name);
    putText(line, "source", sample);
    writeJsonLine(out, line);
  } else {
    out << "entry\t" << added.entryId << "\t"
        << escapedField(options.language) << "\t" << escapedField(name)
        << "\n";
  }
}

// The feature sets --ngrams and --store ask for; false after saying which
// name is none.
bool storedSets(const AddOptions& options, FeatureSetFlags& sets,
                std::ostream& err) {
  sets[static_cast<size_t>(NGRAM_FEATURES)] = options.ngrams;
  for (const std::string& name : options.store) {
    const FeatureSet* found = nullptr;
    for (const FeatureSet& set : FEATURE_SETS) {
      if (name == set.name) found = &set;
    }
    if (found == nullptr) {
      err << "letterfreq-cli: --store: no feature set is called '"
          << escapedField(name) << "' (" << featureSetNames() << ")\n";
      return false;
    }
    sets[static_cast<size_t>(found->code)] = true;
  }
  return true;
}

int runAdd(const AddOptions& options, CliContext& context) {
  if (const char* refusal = entryRefusal(true, true, options.language)) {
    context.err << "letterfreq-cli: " << refusal << "\n";
    return 1;
  }
  FeatureSetFlags asked = {};
  if (!storedSets(options, asked, context.err)) return 1;
  std::vector<LetterProfile> samples;
  std::vector<FeatureBlocks> blocks;
  if (!countSamples(options, context, samples, blocks)) return 1;

  // Stopped while reading: the database is left alone.
  if (interrupted(context)) return 1;

  return runOnDatabase(options.database, context.err, [&] {
    RecordFile database(options.database);
    // As the window adds: with a feature set's records exactly when the
    // file has some (or --ngrams or --store asks).
    std::vector<NewEntry> entries;
    for (size_t k = 0; k < samples.size(); ++k) {
      entries.push_back({{options.language, options.name, options.samples[k],
                          options.code},
                         samples[k], &blocks[k]});
    }
    const std::optional<std::vector<EntryRecords>> added =
        storeEntriesIfLoadable(database, entries, asked,
                               cliLoadHooks(context.err));
    // The window adds only to a database that loads completely.
    if (!added) {
      context.err << "letterfreq-cli: " << options.database
                  << ": the database did not load completely; "
                     "nothing was added\n";
      return 1;
    }
    for (size_t k = 0; k < added->size(); ++k) {
      printAdded(options, (*added)[k], options.samples[k], context.out);
    }
    return 0;
  });
}

}  // namespace

void addAddCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<AddOptions>();
  CLI::App* command = app.add_subcommand(
      "add",
      "Store each SAMPLE as a new entry of LANGUAGE in the database (created "
      "when missing), as the window's \"Add entry\" does.");
  command->add_option("--db", options->database, "The database file")
      ->required();
  command->add_option("--language", options->language, "The language")
      ->required();
  command->add_option("--name", options->name,
                      "The entry's name (default: the SAMPLE text)");
  command
      ->add_option("--code", options->code,
                   "The language's BCP 47 or ISO 639 code (\"en\", "
                   "\"pt-BR\", \"gsw\"), stored with each entry so that "
                   "--only, --codes and the JSON output know it")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            if (isLanguageTag(text)) return "";
            return "not a language code: \"" + escapedField(text) + "\"";
          },
          "CODE"));
  command->add_flag("--ngrams", options->ngrams,
                    "Also store each entry's n-gram list when the database "
                    "has none yet (for the N-gram Likelihood method); a "
                    "database that has them always gets them");
  command
      ->add_option("--store", options->store,
                   "Also store each entry's records of these feature sets "
                   "when the database has none yet (" + featureSetNames() +
                   "; " + featureSet(WORD_NGRAM_FEATURES).name +
                   " for Word and N-gram Likelihood); a database that has "
                   "them always gets them")
      ->delimiter(',');
  command->add_flag("--json", options->json, "Print JSON Lines");
  addTimeoutOption(*command, options->timeoutSeconds);
  command
      ->add_option("SAMPLE", options->samples,
                   "File names, http:// or https:// addresses; - is "
                   "standard input")
      ->required();
  command->callback([options, &context] {
    context.status = runAdd(*options, context);
  });
}

}  // namespace letterfreq
