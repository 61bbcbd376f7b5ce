#include "app/score_text.h"

#include <cmath>

#include "util/float_text.h"

namespace letterfreq {
namespace {

// As many digits as the CLI prints, which give back the float exactly.
constexpr int MAX_DIGITS = FLOAT_DIGITS;

std::string printed(double score, int digits, ScoreStyle style) {
  if (std::isnan(score)) return "nan";
  if (style == ScoreStyle::Percent) {
    return generalText(score * 100.0, digits) + "%";
  }
  return generalText(score, digits);
}

// Scores print alike when equal, NaN included.
bool same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

std::vector<std::string> scoreTexts(const std::vector<double>& scores,
                                    ScoreStyle style) {
  // Runs of equal scores (a ranking puts them side by side) share their
  // digits; a run is lengthened while it reads like a neighbouring run.
  std::vector<size_t> runStart;
  for (size_t i = 0; i < scores.size(); ++i) {
    if (i == 0 || !same(scores[i], scores[i - 1])) runStart.push_back(i);
  }
  std::vector<int> digits(runStart.size(), SCORE_DIGITS);
  std::vector<std::string> runTexts(runStart.size());
  for (size_t r = 0; r < runStart.size(); ++r) {
    runTexts[r] = printed(scores[runStart[r]], digits[r], style);
  }
  for (bool lengthened = true; lengthened;) {
    lengthened = false;
    std::vector<size_t> alike;
    for (size_t r = 0; r < runStart.size(); ++r) {
      const bool asBefore = r > 0 && runTexts[r - 1] == runTexts[r];
      const bool asAfter =
          r + 1 < runStart.size() && runTexts[r + 1] == runTexts[r];
      if ((asBefore || asAfter) && digits[r] < MAX_DIGITS) alike.push_back(r);
    }
    for (size_t r : alike) {
      runTexts[r] = printed(scores[runStart[r]], ++digits[r], style);
      lengthened = true;
    }
  }
  std::vector<std::string> texts(scores.size());
  for (size_t r = 0; r < runStart.size(); ++r) {
    const size_t end = r + 1 < runStart.size() ? runStart[r + 1] : scores.size();
    for (size_t i = runStart[r]; i < end; ++i) texts[i] = runTexts[r];
  }
  return texts;
}

}  // namespace letterfreq
