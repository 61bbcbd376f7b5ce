#include "app/answer_line.h"

#include <FL/Fl_Box.H>

#include <cstdio>

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

std::string answerText(const Detection& detection) {
  if (detection.known()) {
    std::string language = shownText(detection.language);
    if (!detection.orLanguage.empty()) {
      language += " (or " + shownText(detection.orLanguage) + ")";
    }
    return "Answer: " + language + ", " + percent(detection.confidence);
  }
  std::string guesses;
  for (const LanguageGuess& guess : detection.alternatives) {
    if (!guesses.empty()) guesses += ", ";
    guesses += shownText(guess.language) + " " + percent(guess.confidence);
  }
  // The best guesses where there are any, else why none was made.
  if (guesses.empty()) guesses = detection.reason;
  return guesses.empty() ? "Answer: unknown" : "Answer: unknown (" + guesses + ")";
}

void showAnswer(Fl_Box& line, const std::vector<MatchRow>& rows,
                const MatchMethod& method, const int32_t* counts) {
  const std::string text =
      answerText(decideDetection(rows, method, sampleEvidence(counts)));
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
