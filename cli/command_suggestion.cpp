#include "cli/command_suggestion.h"

#include <algorithm>

namespace letterfreq {

namespace {

constexpr size_t MAX_EDITS = 2;

// Levenshtein distance: insertions, deletions and substitutions.
size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string closestCommand(const std::string& typed,
                           const std::vector<std::string>& commands) {
  std::string best;
  size_t bestDistance = MAX_EDITS + 1;
  for (const std::string& command : commands) {
    const bool prefix = !typed.empty() && command.rfind(typed, 0) == 0;
    const size_t distance = prefix ? 0 : editDistance(typed, command);
    if (distance < bestDistance) {
      best = command;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace letterfreq
