// letterfreq-cli detect: the one answer a script wants, the language of
// each sample with a confidence, as profiles/language_detector.h decides
// it. The database (by default the starter database installed beside the
// program, or the checkout's) is loaded once. With --lines every line of
// standard input is one sample, answered as soon as it has ended, counted in
// pieces so that memory does not grow with the line or the input. Many
// samples (and lines after the first) are scored with the n-gram weights
// made once, as match scores a batch.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <streambuf>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/candidate_args.h"
#include "cli/commands.h"
#include "cli/database_arg.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "profiles/candidates.h"
#include "profiles/database_load.h"
#include "profiles/language_detector.h"
#include "profiles/match.h"
#include "profiles/methods.h"
#include "profiles/sample_features.h"

namespace letterfreq {

namespace {

constexpr size_t LINE_PIECE = 64 * 1024;  // bytes counted at a time

struct DetectOptions {
  std::string database;
  bool json = false;
  bool lines = false;
  bool codes = false;  // print the language's code instead of its name
  DetectRule rule;
  CandidateArgs candidates;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  std::vector<std::string> samples;
};

// How answers are printed: text or JSON, names or codes.
class AnswerStyle {
 public:
  AnswerStyle(const DetectOptions& options, const DatabaseLoad& loaded)
      : json(options.json), codes(options.codes) {
    const std::vector<LanguageCodes> all = codesOfLanguages(loaded);
    for (size_t i = 0; i < all.size(); ++i) {
      codesByName_.emplace(loaded.languages[i].profile.name, all[i]);
    }
  }

  // "und" (undetermined) for the unknown language; none for a language
  // without a code.
  LanguageCodes codesOf(const std::string& language) const {
    if (language == UNKNOWN_LANGUAGE) return {"und", "und"};
    const auto found = codesByName_.find(language);
    return found == codesByName_.end() ? LanguageCodes{} : found->second;
  }

  // The language column: the name, or with --codes its tag ("mis" for a
  // language without one).
  std::string shown(const std::string& language) const {
    if (!codes) return escapedField(language);
    const std::string tag = codesOf(language).tag;
    return tag.empty() ? "mis" : tag;
  }

  const bool json;
  const bool codes;

 private:
  std::unordered_map<std::string, LanguageCodes> codesByName_;
};

// A share rounded to four decimals, as text and as a JSON number.
std::string confidenceText(float confidence) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4f", static_cast<double>(confidence));
  return text;
}

void printDetection(const nlohmann::json& sample, const std::string& label,
                    const Detection& found,
                    const LanguageDetector& detector,
                    const AnswerStyle& style, std::ostream& out) {
  if (!style.json) {
    std::string language = style.shown(found.language);
    if (!found.orLanguage.empty() && !style.codes) {
      language += " (or " + style.shown(found.orLanguage) + ")";
    }
    out << escapedField(label) << '\t' << language << '\t'
        << confidenceText(found.confidence) << '\n';
    return;
  }
  nlohmann::json alternatives = nlohmann::json::array();
  for (const LanguageGuess& guess : found.alternatives) {
    nlohmann::json alternative = {
        {"confidence", std::stod(confidenceText(guess.confidence))}};
    putText(alternative, "language", guess.language);
    putCodes(alternative, style.codesOf(guess.language));
    alternatives.push_back(std::move(alternative));
  }
  nlohmann::json line = {
      {"confidence", std::stod(confidenceText(found.confidence))},
      {"method", detector.method().name},
      {"alternatives", std::move(alternatives)}};
  if (sample.is_string()) {
    putText(line, "sample", sample.get_ref<const std::string&>());
  } else {
    line["sample"] = sample;
  }
  putText(line, "language", found.language);
  putCodes(line, style.codesOf(found.language));
  if (!found.orLanguage.empty()) putText(line, "or", found.orLanguage);
  if (!found.reason.empty()) line["reason"] = found.reason;
  writeJsonLine(out, line);
}

// One line of standard input, counted in pieces as its bytes arrive.
class LineCounter {
 public:
  explicit LineCounter(const MatchMethod& method) : piece_(LINE_PIECE) {
    features_.attachFor(method, pass_);
    start();
  }
  LineCounter(const LineCounter&) = delete;
  LineCounter& operator=(const LineCounter&) = delete;

  void add(uint8_t byte) {
    if (used_ == piece_.size()) flushPiece();
    piece_[used_++] = byte;
  }

  // Ends the line: its counts into `counts`, its n-grams finished.
  void end(int32_t* counts) {
    flushPiece();
    pass_.finish(counts);
  }

  const SampleFeatures& features() const { return features_; }

  void start() {
    pass_.start();
    used_ = 0;
  }

 private:
  void flushPiece() {
    pass_.feed(piece_.data(), used_);
    used_ = 0;
  }

  SampleFeatures features_;
  CountingPass pass_;
  std::vector<uint8_t> piece_;
  size_t used_ = 0;
};

// Every line of standard input as one sample, one flushed answer per
// line. A line ends at LF; a CR before the LF (or before the end) is not
// part of it. Ctrl-C ends the loop without answering a line cut short.
void detectLines(LanguageDetector& detector, const AnswerStyle& style,
                 CliContext& context) {
  std::ostream& out = context.out;
  std::streambuf* source = context.in.rdbuf();
  LineCounter line(detector.method());
  LetterProfile profile;
  uint64_t number = 0;
  bool open = false;       // bytes of an unended line were read
  bool pendingCr = false;  // a CR that an LF may still strip
  for (;;) {
    const int next = source->sbumpc();
    const bool atEnd = next == std::char_traits<char>::eof();
    if (atEnd && !open && !pendingCr) break;
    if (atEnd || next == '\n') {
      if (interrupted(context)) break;
      line.end(profile.counts.data());
      const Detection found =
          detector.detect(profile.counts.data(), line.features());
      ++number;
      printDetection(number, std::to_string(number), found, detector, style,
                     out);
      out.flush();  // a filter's reader waits for this line's answer
      line.start();
      open = pendingCr = false;
      if (atEnd) break;
      continue;
    }
    if (pendingCr) line.add('\r');
    pendingCr = next == '\r';
    if (!pendingCr) line.add(static_cast<uint8_t>(next));
    open = true;
  }
}

int detectSamples(const DetectOptions& options, LanguageDetector& detector,
                  const AnswerStyle& style, CliContext& context);

int runDetect(DetectOptions options, CliContext& context) {
  if (options.lines && !options.samples.empty()) {
    context.err << "letterfreq-cli: detect takes SAMPLE arguments or "
                   "--lines, not both\n";
    return 2;
  }
  if (!options.lines) {
    options.samples = samplesOrStandardInput(options.samples);
  }
  if (!defaultToStarterDatabase(options.database, context.err)) return 1;
  DatabaseLoad loaded;
  if (!loadDatabaseArg(options.database, context.err, loaded)) return 1;
  std::vector<bool> candidates;
  if (!candidatesOf(options.candidates, loaded, context.err, candidates)) {
    return 2;
  }
  LanguageDetector detector(loaded);
  if (options.candidates.restricts()) detector.restrictTo(candidates);
  detector.setRule(options.rule);
  const AnswerStyle style(options, loaded);
  // A model's weights are made at the first sample, from records that may
  // turn out damaged: that ends the command as a damaged load would.
  return runOnDatabase(options.database, context.err, [&] {
    return detectSamples(options, detector, style, context);
  });
}

int detectSamples(const DetectOptions& options, LanguageDetector& detector,
                  const AnswerStyle& style, CliContext& context) {
  if (options.lines) {
    detectLines(detector, style, context);
    return context.in.bad() ? 1 : 0;
  }
  int status = 0;
  SampleFeatures features;
  CountingPass pass;
  features.attachFor(detector.method(), pass);
  LetterProfile sample;
  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  for (const std::string& text : options.samples) {
    if (interrupted(context)) break;
    if (!readSampleArg(text, context, sample, pass, limits)) {
      status = 1;
      continue;
    }
    const Detection found = detector.detect(sample.counts.data(), features);
    printDetection(text, text, found, detector, style, context.out);
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
  addCandidateOptions(*command, options->candidates);
  addTimeoutOption(*command, options->timeoutSeconds);
  command->add_option("samples", options->samples,
                      "File names, http:// or https:// addresses; - is "
                      "standard input (without SAMPLE, standard input)");
  command->callback(
      [options, &context] { context.status = runDetect(*options, context); });
}

}  // namespace letterfreq
