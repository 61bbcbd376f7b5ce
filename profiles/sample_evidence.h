// What a sample's counted bytes tell before any language is scored: text
// with no letter, text that is mostly digits and signs (numbers, dates,
// paths, code, hex dumps), or one letter repeated is no language at all,
// however its bytes happen to score.
#pragma once

#include <cstdint>

namespace letterfreq {

struct SampleEvidence {
  int64_t bytes = 0;    // counted
  // ASCII letters and the bytes of every other character (0x80 and up):
  // letters of other scripts are written with those.
  int64_t letters = 0;
  // ASCII bytes that are neither letters nor white space.
  int64_t symbols = 0;
  int64_t commonestLetter = 0;  // the count of the most counted letter byte
};

// From a sample's 255 byte counts.
SampleEvidence sampleEvidence(const int32_t* counts);

// Why the evidence alone says "unknown" (one of the reasons below), or
// nullptr when a language may be told from it. `minLength`: the fewest
// counted bytes an answer is given for.
const char* reasonForNoLanguage(const SampleEvidence& evidence,
                                int64_t minLength);

inline constexpr const char* REASON_NOTHING_COUNTED = "nothing counted";
inline constexpr const char* REASON_TOO_SHORT = "too short";
inline constexpr const char* REASON_NO_LETTERS = "no letters";
inline constexpr const char* REASON_MOSTLY_SYMBOLS = "mostly digits and signs";
inline constexpr const char* REASON_REPEATS = "one letter repeated";
inline constexpr const char* REASON_LOW_CONFIDENCE = "low confidence";

}  // namespace letterfreq
