// The matching methods, one row each: its code (the user data of the
// window's method menu), its menu name and how it ranks the languages. The
// window builds its menu from this table, the CLI parses --method and
// writes its help from it, and the accuracy tool tries every row. A new
// method is one more row, its scoring function and its tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/letter_profile.h"
#include "profiles/match.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_model.h"

namespace letterfreq {

// What a match needs of one sample: its 255 counts and, for the methods
// that read them, its n-gram bucket counts (NGRAM_BUCKETS of them).
struct SampleCounts {
  const int32_t* counts = nullptr;
  const uint32_t* ngramCounts = nullptr;  // null: not counted
  TouchedBuckets ngramTouched = {};  // where the counter listed them
};

// How n-gram scores are summed for a target: from the model itself, or
// in SIMD lanes over the model's table of weights, made on first use.
// Making the table sums every list and takes a logarithm per bucket and
// language, which costs more than scoring one sample from the lists, so
// it pays only for a caller with more than one sample to match. Scores
// are the same either way.
enum class NgramScoring { FROM_MODEL, IN_LANES };

// IN_LANES for more than one sample, else FROM_MODEL.
NgramScoring ngramScoringFor(size_t samples);

// The languages of one load as the methods score them. Borrows the
// profiles and the model, which must outlive it; what a method makes of
// them once (the lane-blocked table, the n-gram weights) is made
// on first use and kept for the next samples.
class MatchTarget {
 public:
  MatchTarget(ProfileList languages, const NgramModel& ngrams,
              NgramScoring ngramScoring);

  ProfileList languages() const { return languages_; }
  const NgramModel& ngrams() const { return ngrams_; }
  const LanguageTable& table() const;
  const NgramLanes& ngramLanes() const;
  // For a caller that learns later that more samples come.
  void setNgramScoring(NgramScoring ngramScoring) {
    ngramScoring_ = ngramScoring;
  }
  // The lanes when n-grams are scored IN_LANES, else null.
  const NgramLanes* ngramLanesToScore() const;

 private:
  const ProfileList languages_;
  const NgramModel& ngrams_;
  NgramScoring ngramScoring_;
  mutable std::unique_ptr<LanguageTable> table_;
  mutable std::unique_ptr<NgramLanes> ngramLanes_;
};

struct MatchMethod {
  int code;
  const char* name;
  // Scores over the 255 counts, one per language (null for a method that
  // ranks by other means).
  void (*scoreCounts)(const int32_t* sampleCounts, const LanguageTable& table,
                      std::vector<float>& scores);
  // Ranks by other means, when scoreCounts is null: the `limit` best
  // languages (all for 0) into `out`.
  void (*rank)(const MatchTarget& target, const SampleCounts& sample,
               size_t limit, Ranking& out);
  bool readsNgrams;      // the sample's n-gram counts must be counted
  bool scoresAreShares;  // each score is a share from 0 to 1 of the whole
};

// Ranks by the sample's byte n-grams (profiles/ngram_match.h); a sample
// without n-gram counts counts as an empty one.
void rankByNgrams(const MatchTarget& target, const SampleCounts& sample,
                  size_t limit, Ranking& out);

// Every method, in menu order (code order, code 1 first).
inline constexpr std::array MATCH_METHODS = {
    MatchMethod{METHOD_DIFFERENCE, "Difference", scoreDifference, nullptr,
                false, false},
    MatchMethod{METHOD_ONE_STD_DEVIATION, "One Std Deviation",
                scoreWithinDeviations<1>, nullptr, false, false},
    MatchMethod{METHOD_TWO_STD_DEVIATIONS, "Two Std Deviations",
                scoreWithinDeviations<2>, nullptr, false, false},
    MatchMethod{METHOD_THREE_STD_DEVIATIONS, "Three Std Deviations",
                scoreWithinDeviations<3>, nullptr, false, false},
    MatchMethod{METHOD_FOUR_STD_DEVIATIONS, "Four Std Deviations",
                scoreWithinDeviations<4>, nullptr, false, false},
    MatchMethod{METHOD_TENDENCY_PULL, "Tendency Pull", scoreTendencyPull,
                nullptr, false, false},
    MatchMethod{METHOD_NGRAM_LIKELIHOOD, "N-gram Likelihood", nullptr,
                rankByNgrams, true, true},
};

constexpr int FIRST_METHOD_CODE = MATCH_METHODS.front().code;
// The last method of the menu.
constexpr int LAST_MENU_METHOD_CODE = MATCH_METHODS.back().code;
// The method at start and without --method: "Three Std Deviations".
constexpr int DEFAULT_METHOD_CODE = METHOD_THREE_STD_DEVIATIONS;

// The row of a method code; null for a code that is no method.
const MatchMethod* findMethod(int code);

// The name of a method code; null for a code that is no method.
const char* methodName(int code);

// The code for a method name (any letter case) or for its code written in
// decimal ("1" to "7"); 0 when the text names no method.
int methodCodeFromText(std::string_view text);

// The languages best first for one sample by one method.
std::vector<MatchRow> matchByMethod(const MatchMethod& method,
                                    const MatchTarget& target,
                                    const SampleCounts& sample);

// The first `limit` of them (all for 0) as positions and scores, into
// `out`, whose memory is reused: the same languages in the same order with
// the same scores, for a batch of samples that prints only some.
void rankByMethod(const MatchMethod& method, const MatchTarget& target,
                  const SampleCounts& sample, size_t limit, Ranking& out);

}  // namespace letterfreq
