// letterfreq-cli match: loads a database once, as "Open DB" does, and ranks
// its languages against each sample by one method, as "Match" does. It
// only reads the database: never creates it nor opens it for writing, so
// a file the user may not write is matched too. A load that stops at an
// entry without its arrays is matched with what was loaded, after the
// warning, as the window does. A sample that cannot be read is reported
// and skipped; the others are still matched and the exit status is 1.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/float_text.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "profiles/ngram_match.h"
#include "sample/ngram_counter.h"

namespace letterfreq {

namespace {

struct MatchOptions {
  std::string database;
  std::string method = std::to_string(DEFAULT_METHOD_CODE);
  size_t top = 0;  // 0: every language
  bool json = false;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  std::vector<std::string> samples;
};

// The rows of one sample as text lines, into `text` (emptied first). The
// names come escaped already: each is escaped once for all samples.
void appendText(const std::string& sampleText, const Ranking& ranking,
                const std::vector<std::string>& shownNames, std::string& text) {
  text.assign("sample\t");
  text += escapedField(sampleText);
  text += '\n';
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    appendDecimal(text, r + 1);
    text += '\t';
    appendFloatText(text, ranking.scores[r]);
    text += '\t';
    text += shownNames[static_cast<size_t>(ranking.languages[r])];
    text += '\n';
  }
}

void printJson(const std::string& sampleText, int code, const Ranking& ranking,
               ProfileList languages, std::ostream& out) {
  nlohmann::json results = nlohmann::json::array();
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    const LetterProfile& language =
        languages[static_cast<size_t>(ranking.languages[r])];
    nlohmann::json result;
    putText(result, "language", language.name);
    result["id"] = language.recordId;
    result["score"] = jsonFloat(ranking.scores[r]);
    results.push_back(std::move(result));
  }
  nlohmann::json line = {{"method", methodName(code)},
                         {"code", code},
                         {"results", std::move(results)}};
  putText(line, "sample", sampleText);
  writeJsonLine(out, line);
}

int runMatch(const MatchOptions& options, CliContext& context) {
  const MatchMethod& method = *findMethod(methodCodeFromText(options.method));
  DatabaseLoad loaded;
  if (!loadDatabaseArg(options.database, context.err, loaded)) return 1;
  if (method.readsNgrams && !loaded.ngrams.carriesNgramData()) {
    printWarning(context.err, NO_NGRAM_DATA);
  }
  // What the method makes of the languages is made once for all samples,
  // and so are the names as text lines show them.
  const MatchTarget target(loaded.languageProfiles(), loaded.ngrams,
                           ngramScoringFor(options.samples.size()));
  std::unique_ptr<NgramCounter> ngrams;
  CountingPass pass;
  if (method.readsNgrams) {
    ngrams = std::make_unique<NgramCounter>();
    pass.attach(*ngrams);
  }
  std::vector<std::string> shownNames;
  if (!options.json) {
    for (const LetterProfile& language : target.languages()) {
      shownNames.push_back(escapedField(language.name));
    }
  }

  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  int status = 0;
  LetterProfile sample;
  Ranking ranking;
  std::string text;
  for (const std::string& sampleText : options.samples) {
    if (interrupted(context)) break;
    if (!readSampleArg(sampleText, context, sample, pass, limits)) {
      status = 1;
      continue;
    }
    SampleCounts counts{sample.counts.data()};
    if (ngrams) counts = {counts.counts, ngrams->counts(), ngrams->touchedBuckets()};
    rankByMethod(method, target, counts, options.top, ranking);
    if (options.json) {
      printJson(sampleText, method.code, ranking, target.languages(),
                context.out);
    } else {
      appendText(sampleText, ranking, shownNames, text);
      context.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
  }
  context.out.flush();
  return status;
}

}  // namespace

void addMatchCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<MatchOptions>();
  CLI::App* command = app.add_subcommand(
      "match",
      "Load the database as \"Open DB\" does and rank its languages against "
      "each SAMPLE, best first, as \"Match\" does.");
  command->add_option("--db", options->database, "The database file")
      ->required();
  const CLI::Validator method(
      [](std::string& text) -> std::string {
        if (methodCodeFromText(text) != 0) return "";
        return "unknown method \"" + text + "\"";
      },
      "METHOD");
  std::string names;
  for (const MatchMethod& each : MATCH_METHODS) {
    names += names.empty() ? "" : ", ";
    names += each.name;
  }
  const std::string help =
      "The method by name (any case) or code " +
      std::to_string(FIRST_METHOD_CODE) + " to " +
      std::to_string(LAST_MENU_METHOD_CODE) + ": " + names + " (default: " +
      std::to_string(DEFAULT_METHOD_CODE) + ", " +
      methodName(DEFAULT_METHOD_CODE) + ")";
  command->add_option("--method", options->method, help)->check(method);
  command
      ->add_option("--top", options->top,
                   "Print only the K best languages of each ranking "
                   "(default: all)")
      ->check(CLI::PositiveNumber)
      ->type_name("K");
  command->add_flag("--json", options->json, "Print JSON Lines");
  addTimeoutOption(*command, options->timeoutSeconds);
  command
      ->add_option("samples", options->samples,
                   "File names, http:// or https:// addresses; - is standard "
                   "input")
      ->required();
  command->callback(
      [options, &context] { context.status = runMatch(*options, context); });
}

}  // namespace letterfreq
