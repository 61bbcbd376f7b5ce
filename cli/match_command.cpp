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
#include <string_view>
#include <utility>
#include <vector>

#include "cli/candidate_args.h"
#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/json_float.h"
#include "util/float_text.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "profiles/candidates.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "profiles/sample_features.h"

namespace letterfreq {

namespace {

struct MatchOptions {
  std::string database;
  std::string method = std::to_string(DEFAULT_METHOD_CODE);
  size_t top = 0;  // 0: every language
  bool json = false;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  CandidateArgs candidates;
  std::vector<std::string> samples;
};

// The text lines of one sample's rows, written into a buffer kept from
// sample to sample. The names come escaped already: each is escaped once
// for all samples.
class RowText {
 public:
  explicit RowText(std::vector<std::string> shownNames)
      : shownNames_(std::move(shownNames)) {
    for (const std::string& name : shownNames_) {
      longestName_ = std::max(longestName_, name.size());
    }
  }

  // The lines of `ranking` after the sample's own line; valid until the
  // next call.
  std::string_view lines(const std::string& sampleText,
                         const Ranking& ranking) {
    const std::string head = "sample\t" + escapedField(sampleText) + "\n";
    const size_t rowRoom = DECIMAL_ROOM + FLOAT_TEXT_ROOM + longestName_ + 3;
    const size_t room = head.size() + ranking.languages.size() * rowRoom;
    // Grown, never shrunk: filling it again would cost as much as writing.
    if (text_.size() < room) text_.resize(room);
    char* out = std::copy(head.begin(), head.end(), text_.data());
    for (size_t r = 0; r < ranking.languages.size(); ++r) {
      out = writeDecimal(out, r + 1);
      *out++ = '\t';
      out = writeFloatText(out, ranking.scores[r]);
      *out++ = '\t';
      const std::string& name =
          shownNames_[static_cast<size_t>(ranking.languages[r])];
      out = std::copy(name.begin(), name.end(), out);
      *out++ = '\n';
    }
    return std::string_view(text_.data(),
                            static_cast<size_t>(out - text_.data()));
  }

 private:
  std::vector<std::string> shownNames_;
  size_t longestName_ = 0;
  std::string text_;
};

void printJson(const std::string& sampleText, int code, const Ranking& ranking,
               ProfileList languages, const std::vector<LanguageCodes>& codes,
               std::ostream& out) {
  nlohmann::json results = nlohmann::json::array();
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    const auto position = static_cast<size_t>(ranking.languages[r]);
    const LetterProfile& language = languages[position];
    nlohmann::json result;
    putText(result, "language", language.name);
    putCodes(result, codes[position]);
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

// The ranking of one sample, cut to the candidates when they are fewer.
void rankAmong(const std::vector<bool>& candidates, const MatchOptions& options,
               const MatchMethod& method, const MatchTarget& target,
               const SampleCounts& counts, Ranking& ranking) {
  if (!options.candidates.restricts()) {
    rankByMethod(method, target, counts, options.top, ranking);
    return;
  }
  rankByMethod(method, target, counts, 0, ranking);
  keepCandidates(candidates, method, options.top, ranking);
}

int runMatch(const MatchOptions& options, CliContext& context) {
  const MatchMethod& method = *findMethod(methodCodeFromText(options.method));
  DatabaseLoad loaded;
  if (!loadDatabaseArg(options.database, context.err, loaded)) return 1;
  std::vector<bool> candidates;
  if (!candidatesOf(options.candidates, loaded, context.err, candidates)) {
    return 2;
  }
  const std::vector<LanguageCodes> codes = codesOfLanguages(loaded);
  if (method.features != NO_FEATURES &&
      !loaded.features.of(method.features).carriesData()) {
    printWarning(context.err, featureSet(method.features).noDataWarning);
  }
  // What the method makes of the languages is made once for all samples,
  // and so are the names as text lines show them.
  const MatchTarget target(loaded.languageProfiles(), loaded.features);
  SampleFeatures features;
  CountingPass pass;
  features.attachFor(method, pass);
  std::vector<std::string> shownNames;
  if (!options.json) {
    for (const LetterProfile& language : target.languages()) {
      shownNames.push_back(escapedField(language.name));
    }
  }
  RowText rowText(std::move(shownNames));

  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  int status = 0;
  LetterProfile sample;
  Ranking ranking;
  for (const std::string& sampleText : options.samples) {
    if (interrupted(context)) break;
    if (!readSampleArg(sampleText, context, sample, pass, limits)) {
      status = 1;
      continue;
    }
    // The method's weights are made at the first sample, from records
    // that may turn out damaged: that ends the command as a damaged load.
    if (runOnDatabase(options.database, context.err, [&] {
          rankAmong(candidates, options, method, target,
                    features.with(sample.counts.data()), ranking);
          return 0;
        }) != 0) {
      return 1;
    }
    if (options.json) {
      printJson(sampleText, method.code, ranking, target.languages(), codes,
                context.out);
    } else {
      const std::string_view text = rowText.lines(sampleText, ranking);
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
    names += each.name + std::string(" (") + each.shortName + ")";
  }
  const std::string help =
      "The method by name or short name (any case) or code " +
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
  addCandidateOptions(*command, options->candidates);
  addTimeoutOption(*command, options->timeoutSeconds);
  command
      ->add_option("samples", options->samples,
                   "File names, http:// or https:// addresses; - is standard "
                   "input (without SAMPLE, standard input)");
  command->callback([options, &context] {
    options->samples = samplesOrStandardInput(options->samples);
    context.status = runMatch(*options, context);
  });
}

}  // namespace letterfreq
