// The answer of the last match in words, above its ranking: the best
// language and its share, or "unknown" with the best guesses, decided as
// `letterfreq-cli detect` decides (profiles/language_detector.h).
#pragma once

#include <string>
#include <vector>

#include "profiles/language_detector.h"

class Fl_Box;

namespace letterfreq {

// "Answer: English, 96.1%"; "Answer: Croatian (or Bosnian), 71.0%";
// "Answer: unknown (English 31.2%, Occitan 29.9%)"; for a sample of no
// language the reason: "Answer: unknown (no letters)".
std::string answerText(const Detection& detection);

// Shows the answer for `rows`, ranked by `method`, of a sample whose
// counts are `counts` (255 of them) in `line`.
void showAnswer(Fl_Box& line, const std::vector<MatchRow>& rows,
                const MatchMethod& method, const int32_t* counts);

// Empties the line: a new sample or database makes the last answer stale.
void clearAnswer(Fl_Box& line);

}  // namespace letterfreq
