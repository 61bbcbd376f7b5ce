// --only LANGS and --ignore LANGS of match and detect: the languages a
// ranking may answer, by name or code (profiles/candidates.h), as comma-
// separated lists or repeated options.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "profiles/database_load.h"

namespace CLI {
class App;
}

namespace letterfreq {

struct CandidateArgs {
  std::vector<std::string> only;
  std::vector<std::string> ignore;

  bool restricts() const { return !only.empty() || !ignore.empty(); }
};

void addCandidateOptions(CLI::App& command, CandidateArgs& args);

// One flag per language of `loaded` (true: a candidate). False, after the
// message on `err`, when a word names no language of the database or no
// language is left: a wrong command line (status 2).
bool candidatesOf(const CandidateArgs& args, const DatabaseLoad& loaded,
                  std::ostream& err, std::vector<bool>& candidates);

}  // namespace letterfreq
