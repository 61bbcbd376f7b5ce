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
#include "profiles/feature_sets.h"
#include "profiles/match.h"

namespace letterfreq {

// What a match needs of one sample: its 255 counts and, for the methods
// that read a feature set, its counts of that set (one slot per row of
// profiles/feature_sets.h; unset: not counted).
struct SampleCounts {
  const int32_t* counts = nullptr;
  std::array<FeatureCounts, FEATURE_SET_COUNT> features = {};
};

// The languages of one load as the methods score them. Borrows the
// profiles and the feature models, which must outlive it; what a method
// makes of them once (the lane-blocked table, a feature set's weights) is
// made on first use and kept for the next samples. Not for two threads at
// once.
class MatchTarget {
 public:
  MatchTarget(ProfileList languages, const FeatureModels& features);

  ProfileList languages() const { return languages_; }
  const FeatureModels& features() const { return features_; }
  const LanguageTable& table() const;
  // What ranks samples by feature set `code`.
  FeatureMatcher& matcher(FeatureSetCode code) const;

 private:
  const ProfileList languages_;
  const FeatureModels& features_;
  mutable std::unique_ptr<LanguageTable> table_;
  mutable std::array<std::unique_ptr<FeatureMatcher>, FEATURE_SET_COUNT>
      matchers_;
};

struct MatchMethod {
  int code;
  const char* name;
  // What a command line may write instead of the name.
  const char* shortName;
  // Scores over the 255 counts, one per language; null for a method that
  // ranks by a feature set.
  void (*scoreCounts)(const int32_t* sampleCounts, const LanguageTable& table,
                      std::vector<float>& scores);
  // The feature set the method ranks by, when scoreCounts is null: the
  // sample's counts of it must be counted.
  FeatureSetCode features;
  bool scoresAreShares;  // each score is a share from 0 to 1 of the whole
};

// Every method, in menu order (code order, code 1 first).
inline constexpr std::array MATCH_METHODS = {
    MatchMethod{METHOD_DIFFERENCE, "Difference", "diff", scoreDifference,
                NO_FEATURES, false},
    MatchMethod{METHOD_ONE_STD_DEVIATION, "One Std Deviation", "sd1",
                scoreWithinDeviations<1>, NO_FEATURES, false},
    MatchMethod{METHOD_TWO_STD_DEVIATIONS, "Two Std Deviations", "sd2",
                scoreWithinDeviations<2>, NO_FEATURES, false},
    MatchMethod{METHOD_THREE_STD_DEVIATIONS, "Three Std Deviations", "sd3",
                scoreWithinDeviations<3>, NO_FEATURES, false},
    MatchMethod{METHOD_FOUR_STD_DEVIATIONS, "Four Std Deviations", "sd4",
                scoreWithinDeviations<4>, NO_FEATURES, false},
    MatchMethod{METHOD_TENDENCY_PULL, "Tendency Pull", "pull",
                scoreTendencyPull, NO_FEATURES, false},
    MatchMethod{METHOD_NGRAM_LIKELIHOOD, "N-gram Likelihood", "ngram",
                nullptr, NGRAM_FEATURES, true},
    MatchMethod{METHOD_WORD_NGRAM_LIKELIHOOD, "Word and N-gram Likelihood",
                "words", nullptr, WORD_NGRAM_FEATURES, true},
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

// The code for a method name or short name (any letter case) or for its
// code written in decimal ("1" to "8"); 0 when the text names no method.
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
