// letterfreq-cli detect: the one answer a script wants, the language of
// each sample with a confidence, through the library's Detector
// (include/letterfreq/detector.h), which a C++ or Python program uses
// alike. The database (by default the starter database installed beside
// the program, or the checkout's) is loaded once. With --lines every line
// of standard input is one sample, answered as soon as it has ended
// (Detector::detectLines). Many samples (and lines after the first) are
// scored with the n-gram weights made once, as match scores a batch.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "api/detector_data.h"
#include "cli/candidate_args.h"
#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/detect_spans.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "letterfreq/detector.h"
#include "profiles/sample_features.h"

namespace letterfreq {

namespace {

struct DetectOptions {
  std::string database;
  bool json = false;
  bool lines = false;
  bool codes = false;  // print the language's code instead of its name
  bool spans = false;  // runs of one language instead of one answer
  DetectRule rule;
  CandidateArgs candidates;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  std::vector<std::string> samples;
};

// How answers are printed: text or JSON, names or codes.
struct AnswerStyle {
  // The language column: the name, or with --codes its tag ("und" for
  // unknown, "mis" for a language without one).
  std::string shown(const std::string& language,
                    const std::string& code) const {
    if (!codes) return escapedField(language);
    return code.empty() ? "mis" : code;
  }

  bool json;
  bool codes;
};

// A share rounded to four decimals, as text and as a JSON number.
std::string confidenceText(double confidence) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4f", confidence);
  return text;
}

void printDetection(const nlohmann::json& sample, const std::string& label,
                    const Answer& found, const std::string& method,
                    const AnswerStyle& style, std::ostream& out) {
  if (!style.json) {
    std::string language = style.shown(found.language, found.code);
    if (!found.orLanguage.empty() && !style.codes) {
      language += " (or " + escapedField(found.orLanguage) + ")";
    }
    out << escapedField(label) << '\t' << language << '\t'
        << confidenceText(found.confidence) << '\n';
    return;
  }
  nlohmann::json alternatives = nlohmann::json::array();
  for (const Guess& guess : found.alternatives) {
    nlohmann::json alternative = {
        {"confidence", std::stod(confidenceText(guess.confidence))}};
    putText(alternative, "language", guess.language);
    putCodes(alternative, {guess.code, guess.iso6393});
    alternatives.push_back(std::move(alternative));
  }
  nlohmann::json line = {
      {"confidence", std::stod(confidenceText(found.confidence))},
      {"method", method},
      {"alternatives", std::move(alternatives)}};
  if (sample.is_string()) {
    putText(line, "sample", sample.get_ref<const std::string&>());
  } else {
    line["sample"] = sample;
  }
  putText(line, "language", found.language);
  putCodes(line, {found.code, found.iso6393});
  if (!found.orLanguage.empty()) putText(line, "or", found.orLanguage);
  if (!found.reason.empty()) line["reason"] = found.reason;
  writeJsonLine(out, line);
}

// Every line of standard input as one sample, one flushed answer per
// line. Ctrl-C ends the loop without answering a line cut short.
bool detectLines(const Detector& detector, const AnswerStyle& style,
                 CliContext& context) {
  return detector.detectLines(
      context.in, [&](uint64_t number, const Answer& found) {
        if (interrupted(context)) return false;
        printDetection(number, std::to_string(number), found, detector.method(),
                       style, context.out);
        context.out.flush();  // a filter's reader waits for this line's answer
        return true;
      });
}

int runDetect(DetectOptions options, CliContext& context) {
  if (options.lines && !options.samples.empty()) {
    context.err << "letterfreq-cli: detect takes SAMPLE arguments or "
                   "--lines, not both\n";
    return 2;
  }
  if (options.lines && options.spans) {
    context.err << "letterfreq-cli: detect takes --lines or --spans, not "
                   "both\n";
    return 2;
  }
  if (!options.lines) {
    options.samples = samplesOrStandardInput(options.samples);
  }
  if (!defaultToStarterDatabase(options.database, context.err)) return 1;
  std::optional<Database> database;
  if (!openDatabaseArg(options.database, context.err, database)) return 1;
  std::vector<bool> candidates;
  if (!candidatesOf(options.candidates, *databaseData(*database)->loaded,
                    context.err, candidates)) {
    return 2;
  }
  // The method's weights are made now, from records that may turn out
  // damaged: that ends the command as a damaged load does.
  std::optional<Detector> made;
  try {
    made.emplace(*database,
                 Candidates{options.candidates.only, options.candidates.ignore},
                 Thresholds{options.rule.minConfidence, options.rule.minLength});
  } catch (const Error& e) {
    printDatabaseError(e, context.err);
    return 1;
  }
  const Detector& detector = *made;
  const AnswerStyle style{options.json, options.codes};
  if (options.lines) return detectLines(detector, style, context) ? 0 : 1;
  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  if (options.spans) {
    return detectSpans(detector, options.samples, options.json, options.codes,
                       limits, context);
  }
  int status = 0;
  SampleFeatures features;
  CountingPass pass;
  features.attachFor(detectorData(detector).detector.method(), pass);
  LetterProfile sample;
  for (const std::string& text : options.samples) {
    if (interrupted(context)) break;
    if (!readSampleArg(text, context, sample, pass, limits)) {
      status = 1;
      continue;
    }
    printDetection(text, text,
                   detectCounted(detector, sample.counts.data(), features),
                   detector.method(), style, context.out);
  }
  context.out.flush();
  return status;
}

}  // namespace

void addDetectCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<DetectOptions>();
  CLI::App* command = app.add_subcommand(
      "detect",
      "Tell the language of each SAMPLE, with the best language's share as "
      "its confidence, by the best method the database supports: "
      "\"unknown\" below the least confidence and for bytes that are no "
      "language (no letters, mostly digits and signs, one letter repeated), "
      "\"Croatian (or Bosnian)\" where a close language is nearly as "
      "likely.");
  command->add_option("--db", options->database,
                      "The database file (default: the starter database)");
  command->add_flag("--json", options->json, "Print JSON Lines");
  command->add_flag("--lines", options->lines,
                    "Read standard input and take each line as one sample, "
                    "answering line by line (SAMPLE is the line number)");
  command->add_flag("--codes", options->codes,
                    "Print each language's BCP 47 code instead of its name "
                    "(\"und\" for unknown, \"mis\" for a language without "
                    "a code)");
  command
      ->add_option("--min-confidence", options->rule.minConfidence,
                   "The least share of the best language that is answered; "
                   "below it the answer is \"unknown\" (default 0.5)")
      ->check(CLI::Range(0.0f, 1.0f));
  command
      ->add_option("--min-length", options->rule.minLength,
                   "The fewest counted bytes that are answered; a shorter "
                   "sample is \"unknown\" (default 0)")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--spans", options->spans,
                    "Split each SAMPLE (a file or standard input) into runs "
                    "of one language: SAMPLE, START, END (byte offsets on "
                    "character boundaries), LANGUAGE, CONFIDENCE per run");
  addCandidateOptions(*command, options->candidates);
  addTimeoutOption(*command, options->timeoutSeconds);
  command->add_option("samples", options->samples,
                      "File names, http:// or https:// addresses; - is "
                      "standard input (without SAMPLE, standard input)");
  command->callback(
      [options, &context] { context.status = runDetect(*options, context); });
}

}  // namespace letterfreq
