#include "profiles/sample_evidence.h"

#include <algorithm>

#include "app/letter_profile.h"

namespace letterfreq {
namespace {

// Measured by bench/tools/unknown_rule on held-out text of the 113 starter
// languages and on generated text of no language (see docs/accuracy.md).
// Real text keeps digits and signs well under half its bytes (the
// interface strings with most placeholders reach a third); numbers, dates,
// paths, hex dumps and code lines go over it.
constexpr double MAX_SYMBOL_SHARE = 0.5;
// No script writes more than half of its letter bytes with one byte value
// (a Cyrillic or Greek lead byte comes nearest, under 0.45).
constexpr double MAX_COMMONEST_LETTER_SHARE = 0.6;
// Below this many letter bytes a repeat tells nothing ("aa").
constexpr int64_t REPEAT_MIN_LETTERS = 6;

bool isAsciiLetter(int byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

bool isWhiteSpace(int byte) {
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

}  // namespace

SampleEvidence sampleEvidence(const int32_t* counts) {
  SampleEvidence evidence;
  for (int byte = 0; byte < PROFILE_SLOTS; ++byte) {
    const int64_t count = counts[byte];
    evidence.bytes += count;
    if (isAsciiLetter(byte) || byte >= 0x80) {
      evidence.letters += count;
      evidence.commonestLetter = std::max(evidence.commonestLetter, count);
    } else if (!isWhiteSpace(byte)) {
      evidence.symbols += count;
    }
  }
  return evidence;
}

const char* reasonForNoLanguage(const SampleEvidence& evidence,
                                int64_t minLength) {
  if (evidence.bytes == 0) return REASON_NOTHING_COUNTED;
  if (evidence.bytes < minLength) return REASON_TOO_SHORT;
  if (evidence.letters == 0) return REASON_NO_LETTERS;
  const double bytes = static_cast<double>(evidence.bytes);
  if (evidence.symbols > MAX_SYMBOL_SHARE * bytes) return REASON_MOSTLY_SYMBOLS;
  if (evidence.letters >= REPEAT_MIN_LETTERS &&
      evidence.commonestLetter >
          MAX_COMMONEST_LETTER_SHARE * static_cast<double>(evidence.letters)) {
    return REASON_REPEATS;
  }
  return nullptr;
}

}  // namespace letterfreq
