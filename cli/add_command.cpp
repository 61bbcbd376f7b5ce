#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/commands.h"

namespace letterfreq {

// Not built yet: registered so that the command line and --help are whole.
void addAddCommand(CLI::App& app, CliContext& context) {
  CLI::App* command = app.add_subcommand("add", "(not available yet)");
  command->allow_extras();
  command->callback([&context] {
    context.err << "letterfreq-cli: add is not available yet\n";
    context.status = 1;
  });
}

}  // namespace letterfreq
