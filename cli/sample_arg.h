// Reading a SAMPLE argument of letterfreq-cli: a file name, an http:// or
// an https:// address, counted as the window's "Go" counts it, or "-" for
// standard input read through the same rule. Shared by every command that takes
// samples, with their --timeout option.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "sample/sample_limits.h"

namespace CLI {
class App;
}

namespace letterfreq {

class CountingPass;
struct CliContext;

inline constexpr const char* STDIN_SAMPLE = "-";
inline constexpr const char* STDIN_READ_FAILED =
    "Standard input couldn't be read!";
// The test hook: names a PEM file of certificate authorities that https://
// samples trust instead of the system's store. Only the tests set it.
inline constexpr const char* TEST_CA_FILE_VARIABLE = "LETTERFREQ_TEST_CA_FILE";
inline constexpr double DEFAULT_TIMEOUT_SECONDS =
    DEFAULT_OVERALL_TIMEOUT_MS / 1000.0;

// Resets `profile` and counts the sample into it through `pass`
// (sampleCount 1 on success). On failure the profile is empty, the pass's
// attachments too, and *failure holds the message. Within `limits`,
// telling in *outcome (when not null) how the data ended.
bool loadSampleArg(const std::string& sample, std::istream& in,
                   LetterProfile& profile, std::string* failure,
                   CountingPass& pass,
                   const SampleLimits& limits = SampleLimits(),
                   SampleOutcome* outcome = nullptr);

// loadSampleArg for the commands that use what arrived (count, match,
// detect): on failure prints "letterfreq-cli: SAMPLE: MESSAGE (REASON)" to
// context.err and returns false; on success prints the sample's warnings
// (cli/sample_warnings.h).
bool readSampleArg(const std::string& sample, const CliContext& context,
                   LetterProfile& profile, CountingPass& pass,
                   const SampleLimits& limits);

// The SAMPLE arguments, or standard input ("-") when none was given, so
// that a command reads a pipe as other filters do.
std::vector<std::string> samplesOrStandardInput(
    const std::vector<std::string>& samples);

// Adds "--timeout SECONDS" (a positive number, default
// DEFAULT_TIMEOUT_SECONDS) to `command`.
void addTimeoutOption(CLI::App& command, double& seconds);

// The limits of a command's samples: the overall limit of --timeout (the
// connect limit no longer than it), the context's interrupt flag and the
// certificate authorities of TEST_CA_FILE_VARIABLE when it is set.
SampleLimits commandLimits(double timeoutSeconds, const CliContext& context);

// True once the command was interrupted (Ctrl-C, SIGTERM): it stops
// reading samples and writes nothing more.
bool interrupted(const CliContext& context);

}  // namespace letterfreq
