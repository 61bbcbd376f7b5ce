#include "cli/cli_runner.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/commands.h"

namespace letterfreq {

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
