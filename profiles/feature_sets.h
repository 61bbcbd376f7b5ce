// The feature sets: the kinds of hashed byte statistic that samples are
// counted into and entries store as records of their own, for the methods
// that read them. One row each, as profiles/methods.h has one row per
// method: the row says all that the rest of the program needs of a set, so
// the load, the match target, a sample's counts and the window each keep
// one slot per row, found by the set's code, and no loop names a set.
//
// Adding a feature set:
//   1. its code below, before FEATURE_SET_COUNT, and its record kind in
//      profiles/schema.h;
//   2. its counting step: a FeatureCounter (sample/feature_counter.h);
//   3. its record codec, and its model and matcher
//      (profiles/feature_model.h): how the load turns the summed records
//      into weights and how a sample is ranked with them;
//   4. its row in profiles/feature_sets.cpp, and the method that reads it
//      in profiles/methods.h.
// Entries get its record in databases that carry it or when asked; loads,
// matches and the window need nothing more.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "profiles/feature_model.h"
#include "sample/feature_counter.h"

namespace letterfreq {

// Position of a set's row and slots.
enum FeatureSetCode : int {
  NO_FEATURES = -1,   // a method that reads only the 255 counts
  NGRAM_FEATURES = 0, // 2-, 3- and 4-grams in 2^14 buckets (record kind 8)
  // folded 2- to 5-grams and words in 2^18 buckets (record kind 9)
  WORD_NGRAM_FEATURES = 1,
};
constexpr size_t FEATURE_SET_COUNT = 2;

struct FeatureSet {
  FeatureSetCode code;
  const char* name;
  uint16_t recordKind;  // the link kind of an entry's record of the set
  // 2^bucketBits buckets; ids of up to 16 bits are uint16_t, wider ones
  // uint32_t (TouchedBuckets).
  int bucketBits;
  int shortestWindow;  // windows of the padded stream, in bytes
  int longestWindow;
  bool words;          // whole words are features too
  // What a match by the set warns of a database that has none of it.
  const char* noDataWarning;
  // The counting step, fresh: attached to a CountingPass.
  std::unique_ptr<FeatureCounter> (*makeCounter)();
  // The record codec's writer: an entry's data block for its counts.
  std::vector<uint8_t> (*encodeRecord)(const uint32_t* counts);
  // The model a load makes for `languageCount` languages, those flagged in
  // `withData` with records read from `source` (through the codec's
  // reader) when first needed.
  std::unique_ptr<FeatureModel> (*makeModel)(int languageCount,
                                             const std::vector<bool>& withData,
                                             RecordsSource source);
  // What ranks samples against a model this row made.
  std::unique_ptr<FeatureMatcher> (*makeMatcher)(const FeatureModel& model);

  size_t bucketCount() const { return size_t{1} << bucketBits; }
};

// Every feature set, in code order.
extern const std::array<FeatureSet, FEATURE_SET_COUNT> FEATURE_SETS;

inline const FeatureSet& featureSet(FeatureSetCode code) {
  return FEATURE_SETS[static_cast<size_t>(code)];
}

// One flag per feature set.
using FeatureSetFlags = std::array<bool, FEATURE_SET_COUNT>;

// What a load made of every feature set: one model per row, each of no
// languages until set.
class FeatureModels {
 public:
  FeatureModels();
  const FeatureModel& of(FeatureSetCode code) const {
    return *models_[static_cast<size_t>(code)];
  }
  void set(FeatureSetCode code, std::unique_ptr<FeatureModel> model) {
    models_[static_cast<size_t>(code)] = std::move(model);
  }

 private:
  std::array<std::unique_ptr<FeatureModel>, FEATURE_SET_COUNT> models_;
};

}  // namespace letterfreq
