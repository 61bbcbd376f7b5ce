#include "cli/candidate_args.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/output_text.h"
#include "profiles/candidates.h"

namespace letterfreq {

namespace {

// A comma-separated list of languages; the SAMPLE after it is no language.
void addLanguageListOption(CLI::App& command, const char* name,
                           std::vector<std::string>& list, const char* help) {
  command.add_option(name, list, help)
      ->delimiter(',')
      ->allow_extra_args(false)
      ->type_name("LANGS");
}

}  // namespace

void addCandidateOptions(CLI::App& command, CandidateArgs& args) {
  addLanguageListOption(command, "--only", args.only,
                        "Answer only among these languages: names or codes "
                        "(\"de,fr\", \"zh\" for both Chinese), "
                        "comma-separated");
  addLanguageListOption(command, "--ignore", args.ignore,
                        "Never answer these languages: names or codes, "
                        "comma-separated");
}

bool candidatesOf(const CandidateArgs& args, const DatabaseLoad& loaded,
                  std::ostream& err, std::vector<bool>& candidates) {
  std::vector<std::string> unknown;
  candidates = candidateLanguages(loaded, args.only, args.ignore, unknown);
  if (!unknown.empty()) {
    err << "letterfreq-cli: no language of the database is named or coded \""
        << escapedField(unknown.front()) << "\" (letterfreq-cli languages "
        << "lists them)\n";
    return false;
  }
  if (std::find(candidates.begin(), candidates.end(), true) ==
      candidates.end()) {
    err << "letterfreq-cli: --only and --ignore leave no language\n";
    return false;
  }
  return true;
}

}  // namespace letterfreq
