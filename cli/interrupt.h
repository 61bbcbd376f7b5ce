// Ctrl-C and SIGTERM for letterfreq-cli: the first one sets a flag that
// the sample readers look at (they stop within a fraction of a second),
// so the command ends cleanly with 128 + the signal's number; what the
// database writers had begun they finish or roll back through their
// journal. A second signal ends the program at once, as by default.
#pragma once

#include <atomic>

namespace letterfreq {

// Installs the handlers for SIGINT and SIGTERM (without restarting
// interrupted system calls, so a read waiting on a terminal returns).
void installInterruptHandlers();

// The flag the handlers set; pass it to runCli.
const std::atomic<bool>* interruptFlag();

// The signal that set the flag, or 0.
int interruptSignal();

}  // namespace letterfreq
