// letterfreq-cli count [--json] SAMPLE...: counts each sample as the
// window's "Go" does and prints its profile, most frequent byte first.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "cli/commands.h"
#include "util/float_text.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "sample/counting_pass.h"

namespace letterfreq {

namespace {

struct CountOptions {
  bool json = false;
  double timeoutSeconds = DEFAULT_TIMEOUT_SECONDS;
  std::vector<std::string> samples;
};

// The byte's share of the total in percent, in single precision as the
// window computes it.
float percentOf(int32_t count, int32_t total) {
  return static_cast<float>(count) * 100.0f / static_cast<float>(total);
}

// The byte values listed in the profile's order (up to its ending 0).
std::vector<int> listedBytes(const LetterProfile& profile) {
  std::vector<int> listed;
  for (int i = 0; i < PROFILE_SLOTS && profile.order[i] != 0; ++i) {
    listed.push_back(profile.order[i]);
  }
  return listed;
}

void printText(const std::string& sample, const LetterProfile& profile,
               std::ostream& out) {
  std::string text = "sample\t" + escapedField(sample) + "\ntotal\t" +
                     std::to_string(profile.totalCount) + "\nused\t" +
                     std::to_string(profile.usedCount) + "\n";
  for (int b : listedBytes(profile)) {
    const int32_t count = profile.counts[b];
    text += std::to_string(b) + "\t" + std::to_string(count) + "\t" +
            floatText(percentOf(count, profile.totalCount)) + "\n";
  }
  out << text;
}

void printJson(const std::string& sample, const LetterProfile& profile,
               std::ostream& out) {
  nlohmann::ordered_json line;
  putText(line, "sample", sample);
  line["total"] = profile.totalCount;
  line["used"] = profile.usedCount;
  line["counts"] = profile.counts;
  line["order"] = listedBytes(profile);
  writeJsonLine(out, line);
}

int runCount(const CountOptions& options, CliContext& context) {
  const SampleLimits limits = commandLimits(options.timeoutSeconds, context);
  int status = 0;
  CountingPass pass;
  for (const std::string& sample : options.samples) {
    if (interrupted(context)) break;
    LetterProfile profile;
    if (!readSampleArg(sample, context, profile, pass, limits)) {
      status = 1;  // the other samples are still counted
      continue;
    }
    profile.sortOrder();
    profile.computeTotals();
    if (options.json) {
      printJson(sample, profile, context.out);
    } else {
      printText(sample, profile, context.out);
    }
  }
  context.out.flush();
  return status;
}

}  // namespace

void addCountCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<CountOptions>();
  CLI::App* command = app.add_subcommand(
      "count",
      "Count the bytes of each SAMPLE as the window does (markup and "
      "entities left out, CR read as LF, a run of one white-space byte "
      "counted once) and print its profile, most frequent byte first: "
      "lines 'sample', 'total', 'used', then 'BYTE<TAB>COUNT<TAB>PERCENT'.");
  command->add_flag("--json", options->json,
                    "Print one JSON object per sample (JSON Lines)");
  addTimeoutOption(*command, options->timeoutSeconds);
  command
      ->add_option(
          "SAMPLE", options->samples,
          "A file name, an http:// or https:// address, or - for standard "
          "input (without SAMPLE, standard input)");
  command->callback([options, &context] {
    options->samples = samplesOrStandardInput(options->samples);
    context.status = runCount(*options, context);
  });
}

}  // namespace letterfreq
