// What letterfreq-cli tells about a sample whose data did not arrive
// whole or well: the problems of a SampleOutcome as texts, printed as
// "warning: SAMPLE: TEXT" by the commands that count what arrived (count,
// match), and as refusals by add, which must not learn from error pages
// and fragments. Holds nothing.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "sample/sample_limits.h"

namespace letterfreq {

// Each problem of the outcome: the data cut short (why, and how many body
// bytes arrived), a status line that is not 2xx (quoted), no response at
// all, a response that ended inside its head. Empty when all is well.
std::vector<std::string> sampleProblems(const SampleOutcome& outcome);

// Prints "warning: SAMPLE: PROBLEM" for each problem. SAMPLE is escaped
// here and below as output fields are: a file name may hold terminal
// controls.
void printSampleWarnings(const std::string& sample,
                         const SampleOutcome& outcome, std::ostream& err);

// Prints "letterfreq-cli: SAMPLE: TEXT": a sample that failed.
void printSampleFailure(const std::string& sample, const std::string& text,
                        std::ostream& err);

// Why add must not store the sample, or empty: any problem, or an http://
// sample of which no byte was counted.
std::string addRefusal(const SampleOutcome& outcome,
                       const LetterProfile& profile);

// The message of a failed load, with the reason when the outcome has one:
// "URL couldn't be opened! (connect: Connection refused)", "File couldn't
// be opened! (No such file or directory)".
std::string failureText(const std::string& failure,
                        const SampleOutcome& outcome);

// A text shown between quotes, escaped as output fields are
// (cli/output_text.h), so that a hostile server cannot write to the
// terminal.
std::string quotedText(const std::string& text);

}  // namespace letterfreq
