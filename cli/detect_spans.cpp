#include "cli/detect_spans.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/output_text.h"
#include "cli/sample_arg.h"
#include "cli/sample_warnings.h"
#include "sample/sample_loader.h"

namespace letterfreq {

namespace {

constexpr const char* SPANS_READ_FILES =
    "--spans reads files and standard input, not addresses";
constexpr const char* SPANS_TOO_LARGE =
    "too large for --spans (at most 64 MiB)";

// The sample's bytes; false after the message on context.err.
bool readBytes(const std::string& sample, const SampleLimits& limits,
               CliContext& context, std::string& bytes) {
  bytes.clear();
  bool tooLarge = false;
  const BlockSink keep = [&](const uint8_t* block, size_t length) {
    if (bytes.size() + length > SPANS_MAX_BYTES) tooLarge = true;
    if (!tooLarge) bytes.append(reinterpret_cast<const char*>(block), length);
  };
  std::string failure;
  if (sample == STDIN_SAMPLE) {
    if (!readStreamBlocks(context.in, keep)) failure = STDIN_READ_FAILED;
  } else if (!isFileSample(sample)) {
    failure = SPANS_READ_FILES;
  } else {
    SampleOutcome outcome;
    if (!readFileBlocks(sample, keep, limits, nullptr, &outcome)) {
      failure = failureText(FILE_OPEN_FAILED, outcome);
    }
  }
  if (failure.empty() && tooLarge) failure = SPANS_TOO_LARGE;
  if (failure.empty()) return true;
  printSampleFailure(sample, failure, context.err);
  return false;
}

std::string shareText(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4f", share);
  return text;
}

void printSpan(const std::string& sample, const Span& span, bool json,
               bool codes, std::ostream& out) {
  if (!json) {
    const std::string language =
        !codes ? escapedField(span.language)
               : (span.code.empty() ? "mis" : span.code);
    out << escapedField(sample) << '\t' << span.start << '\t' << span.end
        << '\t' << language << '\t' << shareText(span.confidence) << '\n';
    return;
  }
  nlohmann::json line = {{"start", span.start},
                         {"end", span.end},
                         {"confidence", std::stod(shareText(span.confidence))}};
  putText(line, "sample", sample);
  putText(line, "language", span.language);
  putCodes(line, {span.code, span.iso6393});
  writeJsonLine(out, line);
}

}  // namespace

int detectSpans(const Detector& detector,
                const std::vector<std::string>& samples, bool json,
                bool codes, const SampleLimits& limits, CliContext& context) {
  int status = 0;
  std::string bytes;
  for (const std::string& sample : samples) {
    if (interrupted(context)) break;
    if (!readBytes(sample, limits, context, bytes)) {
      status = 1;
      continue;
    }
    for (const Span& span : detector.spans(bytes)) {
      printSpan(sample, span, json, codes, context.out);
    }
  }
  context.out.flush();
  return status;
}

}  // namespace letterfreq
