// Test helper: runs letterfreq-cli on strings, either in process through
// runCli or as a real program, and hands back the exit status and both
// output streams.
#pragma once

#include <string>
#include <vector>

namespace letterfreq {
namespace testing {

struct CliResult {
  int status = -1;  // exit status; 128 + signal number if killed
  std::string out;  // standard output
  std::string err;  // standard error
};

// runCli in this process; `input` is what standard input holds. `args`
// excludes the program name.
CliResult runCliCaptured(const std::vector<std::string>& args,
                         const std::string& input = "");

// Runs `program` (a path, no shell involved) with `args`, `input` as its
// standard input, and waits for it. For the binary itself, pass
// LETTERFREQ_CLI_PATH (defined for letterfreq_tests).
CliResult runProgram(const std::string& program,
                     const std::vector<std::string>& args,
                     const std::string& input = "");

}  // namespace testing
}  // namespace letterfreq
