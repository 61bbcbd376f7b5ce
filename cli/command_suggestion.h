// The command a mistyped one most likely meant, for "did you mean ...?".
#pragma once

#include <string>
#include <vector>

namespace letterfreq {

// The command of `commands` closest to `typed` by edit distance (at most
// two edits, or a prefix of one command); empty when none is that close.
std::string closestCommand(const std::string& typed,
                           const std::vector<std::string>& commands);

}  // namespace letterfreq
