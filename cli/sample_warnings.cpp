#include "cli/sample_warnings.h"

#include <cstring>
#include <numeric>
#include <ostream>

#include "cli/output_text.h"

namespace letterfreq {

std::string quotedText(const std::string& text) {
  return "\"" + escapedField(text) + "\"";
}

std::vector<std::string> sampleProblems(const SampleOutcome& outcome) {
  std::vector<std::string> problems;
  if (outcome.cutShort()) {
    problems.push_back("the data was cut short (" +
                       std::string(sampleEndText(outcome.end)) + ") after " +
                       std::to_string(outcome.bodyBytes) + " body bytes");
  }
  if (!outcome.isHttp) return problems;
  if (outcome.statusLine.empty()) {
    problems.push_back("the server sent no response");
    return problems;
  }
  if (!outcome.statusOk()) {
    problems.push_back("the server answered " +
                       quotedText(outcome.statusLine));
  }
  if (!outcome.headEnded && !outcome.cutShort()) {
    problems.push_back("the response ended inside its head");
  }
  return problems;
}

void printSampleWarnings(const std::string& sample,
                         const SampleOutcome& outcome, std::ostream& err) {
  for (const std::string& problem : sampleProblems(outcome)) {
    err << "warning: " << escapedField(sample) << ": " << problem << "\n";
  }
}

void printSampleFailure(const std::string& sample, const std::string& text,
                        std::ostream& err) {
  err << "letterfreq-cli: " << escapedField(sample) << ": " << text << "\n";
}

std::string addRefusal(const SampleOutcome& outcome,
                       const LetterProfile& profile) {
  const std::vector<std::string> problems = sampleProblems(outcome);
  if (!problems.empty()) return problems.front();
  const int64_t counted = std::accumulate(profile.counts.begin(),
                                          profile.counts.end(), int64_t{0});
  if (outcome.isHttp && counted == 0) return "no byte of it was counted";
  return std::string();
}

std::string failureText(const std::string& failure,
                        const SampleOutcome& outcome) {
  if (!outcome.failureReason.empty()) {
    return failure + " (" + outcome.failureReason + ")";
  }
  if (outcome.fileError != 0) {
    return failure + " (" + std::strerror(outcome.fileError) + ")";
  }
  return failure;
}

}  // namespace letterfreq
