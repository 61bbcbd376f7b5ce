// The match results in a TreeBrowser (the window's "resultTree"): one row
// per language, best first, its label the language's name exactly as
// stored, and after the label a bar showing the score from 0 to 1 with
// the score printed beside it (app/score_text.h). The bars of one ranking
// start at one x. A score below 0 shows an empty bar, one that is not a
// number too.
#pragma once

#include <vector>

#include "app/score_text.h"
#include "profiles/match.h"

namespace letterfreq {

class TreeBrowser;

// Clears `tree`, then adds one row per element of `rows`, in that order.
// Every row is a node of its own: a '/' or '\' in a name is shown as it is,
// and two languages of one name are two rows.
void showResults(TreeBrowser& tree, const std::vector<MatchRow>& rows,
                 ScoreStyle style = ScoreStyle::Plain);

}  // namespace letterfreq
