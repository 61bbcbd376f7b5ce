#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/commands.h"

namespace letterfreq {

// Not built yet: registered so that the command line and --help are whole.
void addRecordsCommand(CLI::App& app, CliContext& context) {
  CLI::App* command = app.add_subcommand("records", "(not available yet)");
  command->allow_extras();
  command->callback([&context] {
    context.err << "letterfreq-cli: records is not available yet\n";
    context.status = 1;
  });
}

}  // namespace letterfreq
