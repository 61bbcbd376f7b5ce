// The scores of a ranking as the result tree prints them beside their
// bars: as short as they can be while rows of different scores still read
// differently, at most as long as the CLI's "%.9g". Plain text work; no
// drawing here.
#pragma once

#include <string>
#include <vector>

namespace letterfreq {

enum class ScoreStyle {
  Plain,    // the score itself: "0.949"
  Percent,  // a share from 0 to 1 as a percentage: "87.3%"
};

// The fewest significant digits a score is printed with.
constexpr int SCORE_DIGITS = 3;

// One text per score, in the same order (best first). A score that is not
// a number prints as "nan", as the CLI prints it.
std::vector<std::string> scoreTexts(const std::vector<double>& scores,
                                    ScoreStyle style);

}  // namespace letterfreq
