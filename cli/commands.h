// The subcommands of letterfreq-cli. Each add*Command registers its options
// on the app and sets `status` when it runs; each lives in its own file.
#pragma once

#include <atomic>
#include <iosfwd>

namespace CLI {
class App;
}

namespace letterfreq {

struct CliContext {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  int status = 0;  // exit status of the command that ran
  // Set by an interrupt (cli/interrupt.h); null when nothing interrupts.
  const std::atomic<bool>* interrupted = nullptr;
};

void addCountCommand(CLI::App& app, CliContext& context);
void addAddCommand(CLI::App& app, CliContext& context);
void addMatchCommand(CLI::App& app, CliContext& context);
void addShowCommand(CLI::App& app, CliContext& context);
void addRecordsCommand(CLI::App& app, CliContext& context);
void addDetectCommand(CLI::App& app, CliContext& context);
void addLanguagesCommand(CLI::App& app, CliContext& context);

}  // namespace letterfreq
