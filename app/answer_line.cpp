#include "app/answer_line.h"

#include <FL/Fl_Box.H>

#include <cstdio>
#include <numeric>

#include "app/letter_profile.h"
#include "widgets/plain_label.h"
#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

std::string percent(float share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", static_cast<double>(share) * 100);
  return text;
}

}  // namespace

std::string answerText(const Detection& detection, bool counted) {
  if (!counted) return "Answer: unknown (nothing counted)";
  if (detection.known()) {
    return "Answer: " + shownText(detection.language) + ", " +
           percent(detection.confidence);
  }
  std::string text = "Answer: unknown";
  std::string guesses;
  for (const LanguageGuess& guess : detection.alternatives) {
    if (!guesses.empty()) guesses += ", ";
    guesses += shownText(guess.language) + " " + percent(guess.confidence);
  }
  return guesses.empty() ? text : text + " (" + guesses + ")";
}

void showAnswer(Fl_Box& line, const std::vector<MatchRow>& rows,
                const MatchMethod& method, const int32_t* counts) {
  const bool counted =
      std::accumulate(counts, counts + PROFILE_SLOTS, int64_t{0}) != 0;
  const std::string text =
      answerText(decideDetection(rows, method, counted), counted);
  line.copy_label(plainLabel(text).c_str());
  // The line is cut at its end in a narrow window: whole as its tooltip.
  line.copy_tooltip(text.c_str());
  line.redraw();
}

void clearAnswer(Fl_Box& line) {
  line.copy_label("");
  line.copy_tooltip(nullptr);
  line.redraw();
}

}  // namespace letterfreq
