#include "cli/cli_runner.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/command_suggestion.h"
#include "cli/commands.h"
#include "cli/output_text.h"

namespace letterfreq {

namespace {

// A first argument that is neither an option nor a command is told as a
// mistyped command, with the one it most likely meant.
bool refusedUnknownCommand(const CLI::App& app,
                           const std::vector<std::string>& args,
                           std::ostream& err) {
  if (args.empty() || args[0].empty() || args[0][0] == '-') return false;
  std::vector<std::string> commands;
  for (const CLI::App* sub : app.get_subcommands({})) {
    commands.push_back(sub->get_name());
  }
  if (std::find(commands.begin(), commands.end(), args[0]) != commands.end()) {
    return false;
  }
  err << "letterfreq-cli: unknown command \""
      << escapedField(args[0]) << "\"";
  const std::string meant = closestCommand(args[0], commands);
  if (!meant.empty()) err << "; did you mean " << meant << "?";
  err << "\n" << app.help("", CLI::AppFormatMode::Normal);
  return true;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::istream& in,
           std::ostream& out, std::ostream& err,
           const std::atomic<bool>* interrupted) {
  CLI::App app{
      "letterfreq-cli: counts the bytes of text samples, keeps profile "
      "databases and ranks their languages against samples.",
      "letterfreq-cli"};
  app.set_version_flag("--version", std::string("letterfreq-cli ") +
                                        LETTERFREQ_VERSION);
  app.require_subcommand(1);

  CliContext context{in, out, err};
  context.interrupted = interrupted;
  addCountCommand(app, context);
  addAddCommand(app, context);
  addMatchCommand(app, context);
  addShowCommand(app, context);
  addRecordsCommand(app, context);
  addDetectCommand(app, context);
  addLanguagesCommand(app, context);

  if (refusedUnknownCommand(app, args, err)) return 2;
  // CLI11 wants argv order reversed in a vector.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp& e) {
    out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "letterfreq-cli: " << e.what() << "\n";
    const CLI::App* failed = &app;
    for (const CLI::App* sub : app.get_subcommands()) failed = sub;
    err << failed->help("", CLI::AppFormatMode::Normal);
    return 2;
  }
  return context.status;
}

}  // namespace letterfreq
