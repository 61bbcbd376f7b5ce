// letterfreq-cli as a function: parses the arguments, runs one command and
// returns the exit status (0 done, 1 the work failed, 2 a wrong command
// line). Tests call it in process with string streams.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace letterfreq {

// args excludes the program name. Once `interrupted` (may be null) turns
// true, the samples being read stop and no further one is read.
int runCli(const std::vector<std::string>& args, std::istream& in,
           std::ostream& out, std::ostream& err,
           const std::atomic<bool>* interrupted = nullptr);

}  // namespace letterfreq
