// The temporary files of rewrites: ".NAME.tmp-XXXXXX" (six letters or
// digits) beside the file a database's name stands for. A rewrite makes
// one, holds an exclusive flock on it while it writes, and renames it over
// the database; one killed half way leaves it behind, and the next writer
// removes it, so none outlives the next write.
#pragma once

#include <string>

namespace letterfreq {

// The mkstemp template of a rewrite of `target` (a resolved name).
std::string rewriteTemporaryTemplate(const std::string& target);

// Removes the temporary files that rewrites of `database` left: only
// regular files of that exact pattern, and only those no program holds a
// lock on. For a writer holding the database's WriteLock, which every
// rewrite of that name holds too. Best effort: what cannot be removed
// stays.
void removeStaleTemporaries(const std::string& database);

}  // namespace letterfreq
