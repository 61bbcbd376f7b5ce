#include "cli/sample_arg.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <ostream>

#include "cli/commands.h"
#include "cli/sample_warnings.h"
#include "sample/counting_pass.h"
#include "sample/sample_loader.h"

namespace letterfreq {

bool loadSampleArg(const std::string& sample, std::istream& in,
                   LetterProfile& profile, std::string* failure,
                   CountingPass& pass, const SampleLimits& limits,
                   SampleOutcome* outcome) {
  if (sample != STDIN_SAMPLE) {
    return loadSample(sample, profile, failure, pass, limits, nullptr,
                      outcome);
  }
  profile = LetterProfile();
  if (!countStream(in, profile.counts.data(), pass)) {
    profile = LetterProfile();
    if (failure != nullptr) *failure = STDIN_READ_FAILED;
    return false;
  }
  profile.sampleCount = 1;
  return true;
}

bool readSampleArg(const std::string& sample, const CliContext& context,
                   LetterProfile& profile, CountingPass& pass,
                   const SampleLimits& limits) {
  std::string failure;
  SampleOutcome outcome;
  if (!loadSampleArg(sample, context.in, profile, &failure, pass, limits,
                     &outcome)) {
    printSampleFailure(sample, failureText(failure, outcome), context.err);
    return false;
  }
  // What arrived is used; the user hears how it arrived.
  printSampleWarnings(sample, outcome, context.err);
  return true;
}

std::vector<std::string> samplesOrStandardInput(
    const std::vector<std::string>& samples) {
  if (samples.empty()) return {"-"};
  return samples;
}

void addTimeoutOption(CLI::App& command, double& seconds) {
  command
      .add_option("--timeout", seconds,
                  "Give up an http:// or https:// sample after SECONDS in all "
                  "(default: " +
                      std::to_string(DEFAULT_OVERALL_TIMEOUT_MS / 1000) +
                      "); what arrived is counted, with a warning")
      ->check(CLI::PositiveNumber)
      ->type_name("SECONDS");
}

SampleLimits commandLimits(double timeoutSeconds, const CliContext& context) {
  SampleLimits limits;
  // At least 1 ms, since 0 would mean no limit; at most what an int holds.
  const double ms = std::min(std::ceil(timeoutSeconds * 1000.0), 2.0e9);
  limits.overallMs = std::max(1, static_cast<int>(ms));
  limits.connectMs = std::min(limits.connectMs, limits.overallMs);
  limits.cancel = context.interrupted;
  // The one place the test hook is read.
  if (const char* caFile = std::getenv(TEST_CA_FILE_VARIABLE)) {
    limits.caFile = caFile;
  }
  return limits;
}

bool interrupted(const CliContext& context) {
  return context.interrupted != nullptr && context.interrupted->load();
}

}  // namespace letterfreq
